#pragma once
// File primitives of the operating system, behind an interface so tests can put faults in.
// Paths are UTF-8; error codes are the system's own numbers (errno on Linux).
#include <cstddef>
#include <cstdint>
#include <string>

namespace kov {

using FileHandle = intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

enum class EFileAccess : int { Read, ReadWrite };
enum class EFileDisposition : int {
    OpenExisting,
    CreateAlways, // truncates an existing file
    OpenAlways,   // creates when absent
    CreateNew,    // fails when the file exists
};

// Files and folders made here are the user's alone: files 0600, folders 0700.
// Sharing uses advisory locks (flock) taken without waiting: a shared opener holds a shared
// lock, an exclusive opener an exclusive one, so an exclusive opener is refused while anyone
// else has the file open through us, and vice versa. Programs that do not take such locks
// are not kept out; on Linux that is the most a file can promise.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Only regular files open: a directory, FIFO, socket or device is refused (without
    // waiting for a FIFO's other end).
    virtual bool Open(const std::string& szPath, EFileAccess eAccess, EFileDisposition eDisposition,
                      bool bShare, FileHandle& hFile, uint32_t& dwError) = 0;
    virtual void Close(FileHandle hFile) = 0;
    // Bytes transferred (short only at the end of the file or on error), -1 when nothing
    // could be transferred because of an error.
    virtual int64_t Read(FileHandle hFile, void* pBuffer, size_t iCount, uint32_t& dwError) = 0;
    virtual int64_t Write(FileHandle hFile, const void* pBuffer, size_t iCount, uint32_t& dwError) = 0;
    virtual bool Seek(FileHandle hFile, int64_t llOffset, uint32_t& dwError) = 0;
    virtual bool Tell(FileHandle hFile, int64_t& llOffset, uint32_t& dwError) = 0;
    virtual bool Size(FileHandle hFile, int64_t& llSize, uint32_t& dwError) = 0;
    virtual bool Flush(FileHandle hFile, uint32_t& dwError) = 0;
    // Gives hTo the permission bits of hFrom.
    virtual bool CopyPermissions(FileHandle hFrom, FileHandle hTo, uint32_t& dwError) = 0;

    virtual bool MakeDirectory(const std::string& szPath, uint32_t& dwError) = 0;
    virtual bool IsDirectory(const std::string& szPath) = 0;
    virtual bool RemoveFile(const std::string& szPath, uint32_t& dwError) = 0;
    // Replaces szTo at once when it exists.
    virtual bool Rename(const std::string& szFrom, const std::string& szTo, uint32_t& dwError) = 0;
};

// The real file system of the process.
IFileSystem& SystemFileSystem();

// The system error numbers the layers above need to tell apart.
uint32_t ErrorFileNotFound();
uint32_t ErrorAlreadyExists();
uint32_t ErrorInvalidArgument();
uint32_t ErrorBadHandle();
uint32_t ErrorOutOfMemory();

// Full path of the running executable; empty when unknown.
std::string ExecutablePath();

// The system's message for an error code, cut at its first line break.
std::string ErrorText(uint32_t dwCode);

} // namespace kov
