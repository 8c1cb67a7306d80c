#pragma once
// A stand-in for the file system in tests: the real one, with a disk that fills up after a
// given number of written bytes.
#include "platform/FileSystem.h"

namespace kov {

class CFullingFileSystem : public IFileSystem {
public:
    explicit CFullingFileSystem(int64_t llRoom) : m_llRoom(llRoom) {}
    bool Open(const std::string& szPath, EFileAccess eAccess, EFileDisposition eDisposition, bool bShare,
              FileHandle& hFile, uint32_t& dwError) override;
    void Close(FileHandle hFile) override;
    int64_t Read(FileHandle hFile, void* pBuffer, size_t iCount, uint32_t& dwError) override;
    // Writes what still fits, then fails as a full disk does.
    int64_t Write(FileHandle hFile, const void* pBuffer, size_t iCount, uint32_t& dwError) override;
    bool Seek(FileHandle hFile, int64_t llOffset, uint32_t& dwError) override;
    bool Tell(FileHandle hFile, int64_t& llOffset, uint32_t& dwError) override;
    bool Size(FileHandle hFile, int64_t& llSize, uint32_t& dwError) override;
    bool Flush(FileHandle hFile, uint32_t& dwError) override;
    bool CopyPermissions(FileHandle hFrom, FileHandle hTo, uint32_t& dwError) override;
    bool MakeDirectory(const std::string& szPath, uint32_t& dwError) override;
    bool IsDirectory(const std::string& szPath) override;
    bool RemoveFile(const std::string& szPath, uint32_t& dwError) override;
    bool Rename(const std::string& szFrom, const std::string& szTo, uint32_t& dwError) override;

    int64_t Room() const { return m_llRoom; }

private:
    int64_t m_llRoom;
};

} // namespace kov
