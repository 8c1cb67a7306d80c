#pragma once
// Disk files through the stream interfaces, text files in any of the three encodings, and
// the few file-system operations the program needs.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "support/Paths.h" // kPathSeparator lives there so every layer shares one value
#include "support/Streams.h"

namespace kov {

enum class TextEncoding : int { Utf8 = 1, Utf16LE = 2, Utf16BE = 3 };

// Open modes of CFileAccess::Open.
inline constexpr int kFileModeRead = 1;         // read, open existing
inline constexpr int kFileModeCreateAlways = 2; // read and write, create or truncate
inline constexpr int kFileModeOpenAlways = 3;   // read and write, create when absent
inline constexpr int kFileModeOpenExisting = 4; // read and write, open existing

class CFileAccess : public IRandomPositionWriter, public IFileRW {
public:
    CFileAccess();
    explicit CFileAccess(IFileSystem& fileSystem);
    ~CFileAccess() override;
    CFileAccess(const CFileAccess&) = delete;
    CFileAccess& operator=(const CFileAccess&) = delete;

    // bShare lets other openers read and write meanwhile; false asks for exclusive use (see
    // platform/FileSystem.h for what that means on Linux). A mode outside 1..4 fails without
    // touching the file system, the open file or the last error.
    bool Open(const std::u16string& wszPath, int iMode, bool bShare);
    void Close();
    bool IsOpen() const { return m_hFile != kNoFileHandle; }
    // -1 on failure.
    int64_t Size();
    uint32_t LastError() const { return m_dwLastError; }

    int32_t Read(void* pBuffer, int32_t iCount) override;
    int32_t Write(const void* pBuffer, int32_t iCount) override;
    bool SetPosition(int64_t llOffset) override;
    // -1 on failure.
    int64_t GetPosition() override;
    bool Flush() override;
    // True only when every byte was written at llOffset.
    bool WriteAt(int64_t llOffset, const void* pBuffer, int32_t iCount) override;

    // EF BB BF; true when all three bytes were written.
    bool WriteUtf8Mark();

private:
    bool CheckOpen();

    IFileSystem* m_pFileSystem;
    FileHandle m_hFile = kNoFileHandle;
    uint32_t m_dwLastError = 0;
};

// Looks at the first bytes from the current position (the start of a newly opened file).
bool DetectTextEncoding(CFileAccess& file, TextEncoding& eEncoding, int& iMarkLength);

// The whole file as wide text, decoded by its detected encoding. Empty and one-byte files and
// files starting with two zero bytes are not text.
bool ReadTextFile(const std::u16string& wszPath, std::u16string& wszText);

// Writes the text as UTF-8 (after the mark when asked) into a new file beside the target and
// renames it into place, so a failed save leaves the old file whole. True only when
// everything was written and the file replaced. A file held exclusively by another opener
// is not replaced.
bool SaveUtf8TextFile(const std::u16string& wszPath, std::u16string_view wszText, bool bWithMark);
bool SaveUtf8TextFile(IFileSystem& fileSystem, const std::u16string& wszPath, std::u16string_view wszText,
                      bool bWithMark);

// Writes the bytes as they are the same way: the old file stays whole until the new one is.
bool SaveBytesFile(const std::u16string& wszPath, std::string_view szBytes);

// True when the file can be opened for shared reading.
bool FileExists(const std::u16string& wszPath);
bool DeleteFile(const std::u16string& wszPath);
// True when created and when a directory of that name already exists.
bool CreateDirectory(const std::u16string& wszPath);
// The running program's folder with a trailing separator; empty when unknown.
std::u16string GetProgramFolder();
// The system's message for an error code, first line only.
std::u16string SystemErrorText(uint32_t dwCode);

// Text holder for the dialog-item operations (the form layer plugs in).
class ITextHolder {
public:
    virtual ~ITextHolder() = default;
    virtual std::u16string GetText() const = 0;
    virtual void SetText(const std::u16string& wszText) = 0;
};

// On failure the item keeps its text.
bool LoadTextFileIntoItem(ITextHolder* pItem, const std::u16string& wszPath);
// Saves the item's text (empty without an item) like SaveUtf8TextFile; true only when the
// whole text reached the file.
bool SaveItemIntoFile(const ITextHolder* pItem, const std::u16string& wszPath, bool bWithMark);

} // namespace kov
