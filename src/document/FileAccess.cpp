#include "document/FileAccess.h"

#include <algorithm>
#include <exception>

#include "platform/KnownFolders.h"
#include "support/Format.h"
#include "support/Randomizer.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

constexpr uint8_t kUtf8Mark[3] = {0xEF, 0xBB, 0xBF};
// Large reads go in pieces that fit the stream interface's 32-bit counts.
constexpr int64_t kReadChunk = 1 << 30;

bool ReadExactly(CFileAccess& file, char* pBuffer, int64_t llCount)
{
    while (llCount > 0) {
        const auto iChunk = static_cast<int32_t>(std::min(llCount, kReadChunk));
        const int32_t iGot = file.Read(pBuffer, iChunk);
        if (iGot != iChunk)
            return false;
        pBuffer += iGot;
        llCount -= iGot;
    }
    return true;
}

std::u16string DecodeUtf16(const std::string& szBytes, bool bLittleEndian)
{
    std::u16string wszOut(szBytes.size() / 2, u'\0');
    for (size_t i = 0; i < wszOut.size(); ++i) {
        const auto byFirst = static_cast<uint8_t>(szBytes[2 * i]);
        const auto bySecond = static_cast<uint8_t>(szBytes[2 * i + 1]);
        wszOut[i] = bLittleEndian ? static_cast<char16_t>(byFirst | (bySecond << 8))
                                  : static_cast<char16_t>((byFirst << 8) | bySecond);
    }
    return wszOut;
}

bool WriteAll(IFileSystem& fileSystem, FileHandle hFile, const void* pData, size_t iCount, uint32_t& dwError)
{
    return iCount == 0 || fileSystem.Write(hFile, pData, iCount, dwError) == static_cast<int64_t>(iCount);
}

// Writes a whole file by way of a temporary one in the same folder, renamed over the target
// at the end: the old file stays whole until the new one is complete.
bool SaveWholeFile(IFileSystem& fileSystem, const std::u16string& wszPath, std::string_view szMark,
                   std::string_view szBytes)
{
    if (wszPath.empty())
        return false;
    const std::string szTarget = Utf16ToUtf8(wszPath);
    uint32_t dwError = 0;

    // Hold the existing target exclusively while replacing it, as a create-always open would.
    FileHandle hTarget = kNoFileHandle;
    if (!fileSystem.Open(szTarget, EFileAccess::ReadWrite, EFileDisposition::OpenExisting, false, hTarget,
                         dwError)) {
        if (dwError != ErrorFileNotFound())
            return false;
        hTarget = kNoFileHandle;
    }

    FileHandle hTemp = kNoFileHandle;
    std::string szTemp;
    for (int iTry = 0; iTry < 16 && hTemp == kNoFileHandle; ++iTry) {
        uint8_t abyNoise[4];
        for (uint8_t& by : abyNoise)
            by = static_cast<uint8_t>(ProcessRandomizer().Next());
        szTemp = szTarget + ".~" + HexOfBytes(abyNoise, sizeof(abyNoise), false) + ".tmp";
        if (!fileSystem.Open(szTemp, EFileAccess::ReadWrite, EFileDisposition::CreateNew, false, hTemp,
                             dwError)) {
            hTemp = kNoFileHandle;
            if (dwError != ErrorAlreadyExists())
                break;
        }
    }
    if (hTemp == kNoFileHandle) {
        fileSystem.Close(hTarget);
        return false;
    }
    if (hTarget != kNoFileHandle)
        fileSystem.CopyPermissions(hTarget, hTemp, dwError); // the content matters more

    bool bDone = WriteAll(fileSystem, hTemp, szMark.data(), szMark.size(), dwError) &&
                 WriteAll(fileSystem, hTemp, szBytes.data(), szBytes.size(), dwError) &&
                 fileSystem.Flush(hTemp, dwError);
    fileSystem.Close(hTemp);
    bDone = bDone && fileSystem.Rename(szTemp, szTarget, dwError);
    if (!bDone)
        fileSystem.RemoveFile(szTemp, dwError);
    fileSystem.Close(hTarget);
    return bDone;
}

} // namespace

CFileAccess::CFileAccess() : m_pFileSystem(&SystemFileSystem()) {}

CFileAccess::CFileAccess(IFileSystem& fileSystem) : m_pFileSystem(&fileSystem) {}

CFileAccess::~CFileAccess()
{
    Close();
}

bool CFileAccess::Open(const std::u16string& wszPath, int iMode, bool bShare)
{
    EFileAccess eAccess = EFileAccess::ReadWrite;
    EFileDisposition eDisposition;
    switch (iMode) {
    case kFileModeRead:
        eAccess = EFileAccess::Read;
        eDisposition = EFileDisposition::OpenExisting;
        break;
    case kFileModeCreateAlways: eDisposition = EFileDisposition::CreateAlways; break;
    case kFileModeOpenAlways: eDisposition = EFileDisposition::OpenAlways; break;
    case kFileModeOpenExisting: eDisposition = EFileDisposition::OpenExisting; break;
    default: return false;
    }
    Close();
    FileHandle hFile = kNoFileHandle;
    if (!m_pFileSystem->Open(Utf16ToUtf8(wszPath), eAccess, eDisposition, bShare, hFile, m_dwLastError))
        return false;
    m_hFile = hFile;
    return true;
}

void CFileAccess::Close()
{
    if (m_hFile != kNoFileHandle) {
        m_pFileSystem->Close(m_hFile);
        m_hFile = kNoFileHandle;
    }
}

bool CFileAccess::CheckOpen()
{
    if (m_hFile != kNoFileHandle)
        return true;
    m_dwLastError = ErrorBadHandle();
    return false;
}

int64_t CFileAccess::Size()
{
    int64_t llSize = 0;
    if (!CheckOpen() || !m_pFileSystem->Size(m_hFile, llSize, m_dwLastError))
        return -1;
    return llSize;
}

int32_t CFileAccess::Read(void* pBuffer, int32_t iCount)
{
    if (iCount <= 0 || !CheckOpen())
        return 0;
    if (pBuffer == nullptr) {
        m_dwLastError = ErrorInvalidArgument();
        return 0;
    }
    const int64_t llGot = m_pFileSystem->Read(m_hFile, pBuffer, static_cast<size_t>(iCount), m_dwLastError);
    return llGot < 0 ? 0 : static_cast<int32_t>(llGot);
}

int32_t CFileAccess::Write(const void* pBuffer, int32_t iCount)
{
    if (iCount <= 0 || !CheckOpen())
        return 0;
    if (pBuffer == nullptr) {
        m_dwLastError = ErrorInvalidArgument();
        return 0;
    }
    const int64_t llPut = m_pFileSystem->Write(m_hFile, pBuffer, static_cast<size_t>(iCount), m_dwLastError);
    return llPut < 0 ? 0 : static_cast<int32_t>(llPut);
}

bool CFileAccess::SetPosition(int64_t llOffset)
{
    return CheckOpen() && m_pFileSystem->Seek(m_hFile, llOffset, m_dwLastError);
}

int64_t CFileAccess::GetPosition()
{
    int64_t llOffset = 0;
    if (!CheckOpen() || !m_pFileSystem->Tell(m_hFile, llOffset, m_dwLastError))
        return -1;
    return llOffset;
}

bool CFileAccess::Flush()
{
    return CheckOpen() && m_pFileSystem->Flush(m_hFile, m_dwLastError);
}

bool CFileAccess::WriteAt(int64_t llOffset, const void* pBuffer, int32_t iCount)
{
    if (iCount < 0) {
        m_dwLastError = ErrorInvalidArgument();
        return false;
    }
    return SetPosition(llOffset) && Write(pBuffer, iCount) == iCount;
}

bool CFileAccess::WriteUtf8Mark()
{
    return Write(kUtf8Mark, 3) == 3;
}

bool DetectTextEncoding(CFileAccess& file, TextEncoding& eEncoding, int& iMarkLength)
{
    ScopeFrame scope("FA::DTFE1");
    const int64_t llSize = file.Size();
    if (llSize < 0)
        return false;
    const auto iWanted = static_cast<int32_t>(std::min<int64_t>(3, llSize));
    uint8_t abyHead[3] = {};
    if (file.Read(abyHead, iWanted) != iWanted)
        return false;
    if (iWanted == 3 && abyHead[0] == kUtf8Mark[0] && abyHead[1] == kUtf8Mark[1] &&
        abyHead[2] == kUtf8Mark[2]) {
        eEncoding = TextEncoding::Utf8;
        iMarkLength = 3;
        return true;
    }
    if (iWanted < 2)
        return false;
    const uint8_t by0 = abyHead[0];
    const uint8_t by1 = abyHead[1];
    TextEncoding eFound;
    int iMark = 0;
    if (by0 == 0xFF && by1 == 0xFE) {
        eFound = TextEncoding::Utf16LE;
        iMark = 2;
    } else if (by0 == 0xFE && by1 == 0xFF) {
        eFound = TextEncoding::Utf16BE;
        iMark = 2;
    } else if (by0 == 0 && by1 == 0) {
        return false;
    } else if (by0 == 0) {
        eFound = TextEncoding::Utf16BE;
    } else if (by1 == 0) {
        eFound = TextEncoding::Utf16LE;
    } else {
        eFound = TextEncoding::Utf8;
    }
    eEncoding = eFound;
    iMarkLength = iMark;
    return true;
}

bool ReadTextFile(const std::u16string& wszPath, std::u16string& wszText)
{
    ScopeFrame scope("FA::TOS");
    scope.Watch("wszPath", &wszPath);

    CFileAccess file; // closed by its destructor on every path
    if (!file.Open(wszPath, kFileModeRead, true))
        return false;
    TextEncoding eEncoding;
    int iMarkLength = 0;
    if (!DetectTextEncoding(file, eEncoding, iMarkLength))
        return false;
    if (!file.SetPosition(iMarkLength))
        return false;
    const int64_t llSize = file.Size();
    if (llSize < iMarkLength)
        return false;
    const int64_t llCount = llSize - iMarkLength;

    std::string szBytes;
    try {
        szBytes.resize(static_cast<size_t>(llCount));
    } catch (const std::exception&) {
        return false; // too large to hold: not a text we can read
    }
    if (!ReadExactly(file, szBytes.data(), llCount))
        return false;

    switch (eEncoding) {
    case TextEncoding::Utf8: wszText = Utf8ToUtf16(szBytes); break;
    case TextEncoding::Utf16LE: wszText = DecodeUtf16(szBytes, true); break;
    case TextEncoding::Utf16BE: wszText = DecodeUtf16(szBytes, false); break;
    }
    return true;
}

bool SaveUtf8TextFile(IFileSystem& fileSystem, const std::u16string& wszPath, std::u16string_view wszText,
                      bool bWithMark)
{
    const std::string_view szMark(reinterpret_cast<const char*>(kUtf8Mark), bWithMark ? 3 : 0);
    return SaveWholeFile(fileSystem, wszPath, szMark, Utf16ToUtf8(wszText));
}

bool SaveUtf8TextFile(const std::u16string& wszPath, std::u16string_view wszText, bool bWithMark)
{
    return SaveUtf8TextFile(SystemFileSystem(), wszPath, wszText, bWithMark);
}

bool SaveBytesFile(const std::u16string& wszPath, std::string_view szBytes)
{
    return SaveWholeFile(SystemFileSystem(), wszPath, {}, szBytes);
}

bool FileExists(const std::u16string& wszPath)
{
    CFileAccess file;
    return file.Open(wszPath, kFileModeRead, true);
}

bool DeleteFile(const std::u16string& wszPath)
{
    uint32_t dwError = 0;
    return SystemFileSystem().RemoveFile(Utf16ToUtf8(wszPath), dwError);
}

bool CreateDirectory(const std::u16string& wszPath)
{
    IFileSystem& fileSystem = SystemFileSystem();
    const std::string szPath = Utf16ToUtf8(wszPath);
    uint32_t dwError = 0;
    if (fileSystem.MakeDirectory(szPath, dwError))
        return true;
    // A file of that name is not the directory the caller wants.
    return dwError == ErrorAlreadyExists() && fileSystem.IsDirectory(szPath);
}

std::u16string GetProgramFolder()
{
    return ProgramFolder();
}

std::u16string SystemErrorText(uint32_t dwCode)
{
    return Utf8ToUtf16(ErrorText(dwCode));
}

bool LoadTextFileIntoItem(ITextHolder* pItem, const std::u16string& wszPath)
{
    if (pItem == nullptr)
        return false;
    std::u16string wszText;
    if (!ReadTextFile(wszPath, wszText))
        return false;
    pItem->SetText(wszText);
    return true;
}

bool SaveItemIntoFile(const ITextHolder* pItem, const std::u16string& wszPath, bool bWithMark)
{
    const std::u16string wszText = pItem ? pItem->GetText() : std::u16string();
    return SaveUtf8TextFile(wszPath, wszText, bWithMark);
}

} // namespace kov
