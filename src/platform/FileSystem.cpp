#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kov {

namespace {

// What the program writes (parameter files with device passwords, reports, options) is the
// user's alone; a file being replaced keeps its own mode (CopyPermissions).
constexpr mode_t kNewFileMode = 0600;
constexpr mode_t kNewFolderMode = 0700;

uint32_t LastErrno()
{
    return static_cast<uint32_t>(errno);
}

int Fd(FileHandle hFile)
{
    return static_cast<int>(hFile);
}

bool HasEmbeddedNul(const std::string& szPath)
{
    return szPath.find('\0') != std::string::npos;
}

class CPosixFileSystem : public IFileSystem {
public:
    bool Open(const std::string& szPath, EFileAccess eAccess, EFileDisposition eDisposition, bool bShare,
              FileHandle& hFile, uint32_t& dwError) override
    {
        if (szPath.empty() || HasEmbeddedNul(szPath)) {
            dwError = static_cast<uint32_t>(szPath.empty() ? ENOENT : EINVAL);
            return false;
        }
        // Without O_NONBLOCK, opening a FIFO that has no writer waits for one forever; the
        // kind of file is known only once it is open, and anything but a regular file is
        // refused before a byte is read.
        int iFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (eAccess == EFileAccess::Read ? O_RDONLY : O_RDWR);
        switch (eDisposition) {
        case EFileDisposition::OpenExisting: break;
        case EFileDisposition::CreateAlways: // truncated only once the lock is held
        case EFileDisposition::OpenAlways: iFlags |= O_CREAT; break;
        case EFileDisposition::CreateNew: iFlags |= O_CREAT | O_EXCL; break;
        }
        int fd;
        do {
            fd = ::open(szPath.c_str(), iFlags, kNewFileMode);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            dwError = LastErrno();
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            dwError = LastErrno();
            ::close(fd);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            dwError = static_cast<uint32_t>(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
            ::close(fd);
            return false;
        }
        // Regular files are read and written normally from here on.
        const int iStatus = ::fcntl(fd, F_GETFL);
        if (iStatus < 0 || ::fcntl(fd, F_SETFL, iStatus & ~O_NONBLOCK) != 0) {
            dwError = LastErrno();
            ::close(fd);
            return false;
        }
        if (::flock(fd, (bShare ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            dwError = LastErrno();
            ::close(fd);
            return false;
        }
        if (eDisposition == EFileDisposition::CreateAlways && ::ftruncate(fd, 0) != 0) {
            dwError = LastErrno();
            ::close(fd);
            return false;
        }
        hFile = fd;
        return true;
    }

    void Close(FileHandle hFile) override
    {
        if (hFile != kNoFileHandle)
            ::close(Fd(hFile)); // closing drops the lock too
    }

    int64_t Read(FileHandle hFile, void* pBuffer, size_t iCount, uint32_t& dwError) override
    {
        size_t iDone = 0;
        auto* pBytes = static_cast<char*>(pBuffer);
        while (iDone < iCount) {
            const ssize_t iGot = ::read(Fd(hFile), pBytes + iDone, iCount - iDone);
            if (iGot < 0) {
                if (errno == EINTR)
                    continue;
                dwError = LastErrno();
                return iDone == 0 ? -1 : static_cast<int64_t>(iDone);
            }
            if (iGot == 0)
                break;
            iDone += static_cast<size_t>(iGot);
        }
        return static_cast<int64_t>(iDone);
    }

    int64_t Write(FileHandle hFile, const void* pBuffer, size_t iCount, uint32_t& dwError) override
    {
        size_t iDone = 0;
        const auto* pBytes = static_cast<const char*>(pBuffer);
        while (iDone < iCount) {
            const ssize_t iPut = ::write(Fd(hFile), pBytes + iDone, iCount - iDone);
            if (iPut < 0) {
                if (errno == EINTR)
                    continue;
                dwError = LastErrno();
                return iDone == 0 ? -1 : static_cast<int64_t>(iDone);
            }
            if (iPut == 0) {
                dwError = static_cast<uint32_t>(ENOSPC);
                break;
            }
            iDone += static_cast<size_t>(iPut);
        }
        return static_cast<int64_t>(iDone);
    }

    bool Seek(FileHandle hFile, int64_t llOffset, uint32_t& dwError) override
    {
        if (llOffset < 0) {
            dwError = static_cast<uint32_t>(EINVAL);
            return false;
        }
        if (::lseek(Fd(hFile), static_cast<off_t>(llOffset), SEEK_SET) < 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }

    bool Tell(FileHandle hFile, int64_t& llOffset, uint32_t& dwError) override
    {
        const off_t llAt = ::lseek(Fd(hFile), 0, SEEK_CUR);
        if (llAt < 0) {
            dwError = LastErrno();
            return false;
        }
        llOffset = llAt;
        return true;
    }

    bool Size(FileHandle hFile, int64_t& llSize, uint32_t& dwError) override
    {
        struct stat st {};
        if (::fstat(Fd(hFile), &st) != 0) {
            dwError = LastErrno();
            return false;
        }
        llSize = st.st_size;
        return true;
    }

    bool Flush(FileHandle hFile, uint32_t& dwError) override
    {
        if (::fsync(Fd(hFile)) != 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }

    bool CopyPermissions(FileHandle hFrom, FileHandle hTo, uint32_t& dwError) override
    {
        struct stat st {};
        if (::fstat(Fd(hFrom), &st) != 0 || ::fchmod(Fd(hTo), st.st_mode & 07777) != 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }

    bool MakeDirectory(const std::string& szPath, uint32_t& dwError) override
    {
        if (szPath.empty() || HasEmbeddedNul(szPath)) {
            dwError = static_cast<uint32_t>(szPath.empty() ? ENOENT : EINVAL);
            return false;
        }
        if (::mkdir(szPath.c_str(), kNewFolderMode) != 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }

    bool IsDirectory(const std::string& szPath) override
    {
        struct stat st {};
        return !HasEmbeddedNul(szPath) && ::stat(szPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool RemoveFile(const std::string& szPath, uint32_t& dwError) override
    {
        if (szPath.empty() || HasEmbeddedNul(szPath)) {
            dwError = static_cast<uint32_t>(szPath.empty() ? ENOENT : EINVAL);
            return false;
        }
        if (::unlink(szPath.c_str()) != 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }

    bool Rename(const std::string& szFrom, const std::string& szTo, uint32_t& dwError) override
    {
        if (HasEmbeddedNul(szFrom) || HasEmbeddedNul(szTo)) {
            dwError = static_cast<uint32_t>(EINVAL);
            return false;
        }
        if (::rename(szFrom.c_str(), szTo.c_str()) != 0) {
            dwError = LastErrno();
            return false;
        }
        return true;
    }
};

// GNU and XSI strerror_r differ in their result; these overloads accept either.
[[maybe_unused]] const char* StrerrorResult(int iResult, const char* szBuffer)
{
    return iResult == 0 ? szBuffer : nullptr;
}

[[maybe_unused]] const char* StrerrorResult(const char* szResult, const char*)
{
    return szResult;
}

} // namespace

IFileSystem& SystemFileSystem()
{
    static CPosixFileSystem s_fileSystem;
    return s_fileSystem;
}

uint32_t ErrorFileNotFound()
{
    return static_cast<uint32_t>(ENOENT);
}

uint32_t ErrorAlreadyExists()
{
    return static_cast<uint32_t>(EEXIST);
}

uint32_t ErrorInvalidArgument()
{
    return static_cast<uint32_t>(EINVAL);
}

uint32_t ErrorBadHandle()
{
    return static_cast<uint32_t>(EBADF);
}

uint32_t ErrorOutOfMemory()
{
    return static_cast<uint32_t>(ENOMEM);
}

std::string ExecutablePath()
{
    std::vector<char> aBuffer(PATH_MAX);
    for (;;) {
        const ssize_t iLength = ::readlink("/proc/self/exe", aBuffer.data(), aBuffer.size());
        if (iLength < 0)
            return std::string();
        if (static_cast<size_t>(iLength) < aBuffer.size())
            return std::string(aBuffer.data(), static_cast<size_t>(iLength));
        aBuffer.resize(aBuffer.size() * 2); // the link may have been cut: try a larger buffer
    }
}

std::string ErrorText(uint32_t dwCode)
{
    char szBuffer[256] = {};
    const int iCode = dwCode > static_cast<uint32_t>(INT_MAX) ? -1 : static_cast<int>(dwCode);
    const char* szText = StrerrorResult(::strerror_r(iCode, szBuffer, sizeof(szBuffer)), szBuffer);
    std::string szOut = szText ? szText : "";
    const size_t iBreak = szOut.find_first_of("\r\n");
    if (iBreak != std::string::npos)
        szOut.resize(iBreak);
    return szOut;
}

} // namespace kov
