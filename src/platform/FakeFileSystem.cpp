#include "platform/FakeFileSystem.h"

#include <algorithm>
#include <cerrno>

namespace kov {

namespace {

IFileSystem& Real()
{
    return SystemFileSystem();
}

} // namespace

bool CFullingFileSystem::Open(const std::string& szPath, EFileAccess eAccess, EFileDisposition eDisposition,
                              bool bShare, FileHandle& hFile, uint32_t& dwError)
{
    return Real().Open(szPath, eAccess, eDisposition, bShare, hFile, dwError);
}

void CFullingFileSystem::Close(FileHandle hFile)
{
    Real().Close(hFile);
}

int64_t CFullingFileSystem::Read(FileHandle hFile, void* pBuffer, size_t iCount, uint32_t& dwError)
{
    return Real().Read(hFile, pBuffer, iCount, dwError);
}

int64_t CFullingFileSystem::Write(FileHandle hFile, const void* pBuffer, size_t iCount, uint32_t& dwError)
{
    const auto iFits = static_cast<size_t>(std::clamp<int64_t>(m_llRoom, 0, static_cast<int64_t>(iCount)));
    int64_t llPut = 0;
    if (iFits != 0) {
        llPut = Real().Write(hFile, pBuffer, iFits, dwError);
        if (llPut < 0)
            return llPut;
        m_llRoom -= llPut;
    }
    if (iFits < iCount) {
        dwError = static_cast<uint32_t>(ENOSPC);
        return llPut == 0 ? -1 : llPut;
    }
    return llPut;
}

bool CFullingFileSystem::Seek(FileHandle hFile, int64_t llOffset, uint32_t& dwError)
{
    return Real().Seek(hFile, llOffset, dwError);
}

bool CFullingFileSystem::Tell(FileHandle hFile, int64_t& llOffset, uint32_t& dwError)
{
    return Real().Tell(hFile, llOffset, dwError);
}

bool CFullingFileSystem::Size(FileHandle hFile, int64_t& llSize, uint32_t& dwError)
{
    return Real().Size(hFile, llSize, dwError);
}

bool CFullingFileSystem::Flush(FileHandle hFile, uint32_t& dwError)
{
    return Real().Flush(hFile, dwError);
}

bool CFullingFileSystem::CopyPermissions(FileHandle hFrom, FileHandle hTo, uint32_t& dwError)
{
    return Real().CopyPermissions(hFrom, hTo, dwError);
}

bool CFullingFileSystem::MakeDirectory(const std::string& szPath, uint32_t& dwError)
{
    return Real().MakeDirectory(szPath, dwError);
}

bool CFullingFileSystem::IsDirectory(const std::string& szPath)
{
    return Real().IsDirectory(szPath);
}

bool CFullingFileSystem::RemoveFile(const std::string& szPath, uint32_t& dwError)
{
    return Real().RemoveFile(szPath, dwError);
}

bool CFullingFileSystem::Rename(const std::string& szFrom, const std::string& szTo, uint32_t& dwError)
{
    return Real().Rename(szFrom, szTo, dwError);
}

} // namespace kov
