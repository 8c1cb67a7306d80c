#pragma once
// The real file system with a fault at the Nth call that changes something on disk: opening
// for writing, writing, flushing, copying permissions, making a folder, removing, renaming.
// The call either fails on its own (the disk refuses it; the calls after it work again) or
// the program's end comes there (that call and every one after it fails, so the disk keeps
// whatever state it had reached).
#include <cerrno>

#include "platform/FileSystem.h"

namespace kov::test {

enum class EFileFault {
    None,
    Fails, // the Nth changing call fails with EIO; a write among them takes half first
    Ends,  // the Nth changing call and every later call fail
};

class CFaultyFileSystem final : public IFileSystem {
public:
    void Arm(EFileFault eKind, int iCall)
    {
        m_eKind = eKind;
        m_iCall = iCall;
        m_iChanges = 0;
        m_szFired = nullptr;
        m_bEnded = false;
    }
    int Changes() const { return m_iChanges; }
    // The name of the call that met the fault; nullptr while none did.
    const char* FiredIn() const { return m_szFired; }

    bool Open(const std::string& szPath, EFileAccess eAccess, EFileDisposition eDisposition, bool bShare,
              FileHandle& hFile, uint32_t& dwError) override
    {
        return !Refused(eAccess == EFileAccess::ReadWrite ? "Open" : nullptr, dwError) &&
               Real().Open(szPath, eAccess, eDisposition, bShare, hFile, dwError);
    }
    void Close(FileHandle hFile) override { Real().Close(hFile); } // the system closes them in any case
    int64_t Read(FileHandle hFile, void* pBuffer, size_t iCount, uint32_t& dwError) override
    {
        return Refused(nullptr, dwError) ? -1 : Real().Read(hFile, pBuffer, iCount, dwError);
    }
    int64_t Write(FileHandle hFile, const void* pBuffer, size_t iCount, uint32_t& dwError) override
    {
        const bool bEndedBefore = m_bEnded;
        if (!Refused("Write", dwError))
            return Real().Write(hFile, pBuffer, iCount, dwError);
        if (bEndedBefore || m_eKind == EFileFault::Ends || iCount < 2)
            return -1;
        // A write that stops part-way, as on a full disk.
        uint32_t dwIgnored = 0;
        const int64_t llPut = Real().Write(hFile, pBuffer, iCount / 2, dwIgnored);
        return llPut > 0 ? llPut : -1;
    }
    bool Seek(FileHandle hFile, int64_t llOffset, uint32_t& dwError) override
    {
        return !Refused(nullptr, dwError) && Real().Seek(hFile, llOffset, dwError);
    }
    bool Tell(FileHandle hFile, int64_t& llOffset, uint32_t& dwError) override
    {
        return !Refused(nullptr, dwError) && Real().Tell(hFile, llOffset, dwError);
    }
    bool Size(FileHandle hFile, int64_t& llSize, uint32_t& dwError) override
    {
        return !Refused(nullptr, dwError) && Real().Size(hFile, llSize, dwError);
    }
    bool Flush(FileHandle hFile, uint32_t& dwError) override
    {
        return !Refused("Flush", dwError) && Real().Flush(hFile, dwError);
    }
    bool CopyPermissions(FileHandle hFrom, FileHandle hTo, uint32_t& dwError) override
    {
        return !Refused("CopyPermissions", dwError) && Real().CopyPermissions(hFrom, hTo, dwError);
    }
    bool MakeDirectory(const std::string& szPath, uint32_t& dwError) override
    {
        return !Refused("MakeDirectory", dwError) && Real().MakeDirectory(szPath, dwError);
    }
    bool IsDirectory(const std::string& szPath) override
    {
        uint32_t dwIgnored = 0;
        return !Refused(nullptr, dwIgnored) && Real().IsDirectory(szPath);
    }
    bool RemoveFile(const std::string& szPath, uint32_t& dwError) override
    {
        return !Refused("RemoveFile", dwError) && Real().RemoveFile(szPath, dwError);
    }
    bool Rename(const std::string& szFrom, const std::string& szTo, uint32_t& dwError) override
    {
        return !Refused("Rename", dwError) && Real().Rename(szFrom, szTo, dwError);
    }

private:
    static IFileSystem& Real() { return SystemFileSystem(); }

    // Counts a changing call (szCall names it; nullptr for the others) and says whether it fails.
    bool Refused(const char* szCall, uint32_t& dwError)
    {
        if (szCall && ++m_iChanges == m_iCall && m_eKind != EFileFault::None) {
            m_szFired = szCall;
            m_bEnded = m_eKind == EFileFault::Ends;
            dwError = static_cast<uint32_t>(EIO);
            return true;
        }
        if (m_bEnded)
            dwError = static_cast<uint32_t>(EIO);
        return m_bEnded;
    }

    EFileFault m_eKind = EFileFault::None;
    int m_iCall = 0;
    int m_iChanges = 0;
    const char* m_szFired = nullptr;
    bool m_bEnded = false;
};

} // namespace kov::test
