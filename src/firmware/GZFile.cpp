#include "firmware/GZFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kov {

namespace {

constexpr uint8_t kMagic0 = 0x1F;
constexpr uint8_t kMagic1 = 0x8B;
constexpr int kMethodDeflate = 8;
constexpr int kFlagHeaderCrc = 0x02;
constexpr int kFlagExtra = 0x04;
constexpr int kFlagName = 0x08;
constexpr int kFlagComment = 0x10;
constexpr int kFlagsReserved = 0xE0;

} // namespace

CGZFile::~CGZFile()
{
    Close();
}

bool CGZFile::Open(const std::u16string& wszPath)
{
    Close();
    if (!m_file.Open(wszPath, kFileModeRead, true))
        return false;
    m_pInput = std::make_unique<uint8_t[]>(kBufferSize);
    m_stream = z_stream{};
    m_stream.next_in = m_pInput.get();
    if (inflateInit2(&m_stream, -MAX_WBITS) != Z_OK) {
        Close();
        return false;
    }
    m_bInflateReady = true;
    m_wszPath = wszPath;
    m_dwCrc = crc32(0L, Z_NULL, 0);

    m_bHeaderValid = ReadHeader(true) && m_iError == kErrorNone;
    const int64_t llFilePosition = m_file.GetPosition();
    m_llDataStart = llFilePosition < 0 ? 0 : llFilePosition - m_stream.avail_in;
    return true;
}

void CGZFile::Close()
{
    if (m_bInflateReady)
        inflateEnd(&m_stream);
    m_bInflateReady = false;
    m_stream = z_stream{};
    m_pInput.reset();
    m_pScratch.reset();
    m_file.Close();
    m_wszPath.clear();
    m_dwCrc = 0;
    m_iError = kErrorNone;
    m_bEndOfInput = false;
    m_bEnded = false;
    m_bTransparent = false;
    m_bHeaderValid = false;
    m_llDataStart = 0;
    m_llOut = 0;
    m_dwMemberOut = 0;
}

int32_t CGZFile::Refill()
{
    const int32_t iGot = m_file.Read(m_pInput.get(), kBufferSize);
    m_stream.next_in = m_pInput.get();
    m_stream.avail_in = static_cast<uInt>(std::max(iGot, 0));
    return iGot;
}

uint32_t CGZFile::PeekTwo()
{
    if (m_stream.avail_in < 2) {
        if (m_stream.avail_in == 1)
            m_pInput[0] = m_stream.next_in[0];
        m_stream.next_in = m_pInput.get();
        const auto iHave = static_cast<int32_t>(m_stream.avail_in);
        const int32_t iGot = m_file.Read(m_pInput.get() + iHave, kBufferSize - iHave);
        m_stream.avail_in += static_cast<uInt>(std::max(iGot, 0));
    }
    return m_stream.avail_in;
}

int CGZFile::GetByte()
{
    if (m_bEndOfInput)
        return -1;
    if (m_stream.avail_in == 0 && Refill() <= 0) {
        m_bEndOfInput = true;
        return -1;
    }
    --m_stream.avail_in;
    return *m_stream.next_in++;
}

bool CGZFile::GetLong(uint32_t& dwValue)
{
    dwValue = 0;
    for (int i = 0; i < 4; ++i) {
        const int iByte = GetByte();
        if (iByte < 0)
            return false;
        dwValue |= static_cast<uint32_t>(iByte) << (8 * i);
    }
    return true;
}

bool CGZFile::ReadHeader(bool bFirst)
{
    if (PeekTwo() < 2 || m_stream.next_in[0] != kMagic0 || m_stream.next_in[1] != kMagic1) {
        // At the start this is a plain file; behind a member it is the end of the stream
        // (padding or nothing at all), which is not part of the data.
        if (bFirst)
            m_bTransparent = true;
        return false;
    }
    m_stream.next_in += 2;
    m_stream.avail_in -= 2;

    const int iMethod = GetByte();
    const int iFlags = GetByte();
    if (iMethod != kMethodDeflate || iFlags < 0 || (iFlags & kFlagsReserved) != 0) {
        m_iError = kErrorData;
        return true;
    }
    for (int i = 0; i < 6; ++i) // time, extra flags, operating system
        GetByte();
    if (iFlags & kFlagExtra) {
        const int iLow = GetByte();
        const int iHigh = GetByte();
        if (iLow >= 0 && iHigh >= 0) {
            for (int iLength = iLow | (iHigh << 8); iLength > 0 && GetByte() >= 0; --iLength) {
            }
        }
    }
    for (int iFlag : {kFlagName, kFlagComment}) {
        if (iFlags & iFlag) {
            int iByte;
            do
                iByte = GetByte();
            while (iByte > 0);
        }
    }
    if (iFlags & kFlagHeaderCrc) {
        GetByte();
        GetByte();
    }
    m_iError = m_bEndOfInput ? kErrorData : kErrorNone;
    return true;
}

void CGZFile::EndOfMember()
{
    uint32_t dwStoredCrc = 0;
    uint32_t dwStoredLength = 0;
    if (!GetLong(dwStoredCrc) || dwStoredCrc != m_dwCrc || !GetLong(dwStoredLength) ||
        dwStoredLength != m_dwMemberOut) {
        m_iError = kErrorData;
        return;
    }
    if (!ReadHeader(false)) {
        m_bEnded = true;
        return;
    }
    if (m_iError != kErrorNone)
        return;
    inflateReset(&m_stream);
    m_dwCrc = crc32(0L, Z_NULL, 0);
    m_dwMemberOut = 0;
}

int32_t CGZFile::ReadTransparent(uint8_t* pOut, int32_t iCount)
{
    const auto iBuffered = static_cast<int32_t>(std::min<uInt>(m_stream.avail_in, static_cast<uInt>(iCount)));
    if (iBuffered > 0) {
        std::memcpy(pOut, m_stream.next_in, static_cast<size_t>(iBuffered));
        m_stream.next_in += iBuffered;
        m_stream.avail_in -= static_cast<uInt>(iBuffered);
    }
    int32_t iDone = iBuffered;
    while (iDone < iCount) {
        const int32_t iGot = m_file.Read(pOut + iDone, iCount - iDone);
        if (iGot <= 0)
            break;
        iDone += iGot;
    }
    m_llOut += iDone;
    return iDone;
}

int32_t CGZFile::Read(void* pBuffer, int32_t iCount)
{
    if (!IsOpen())
        return -2;
    if (m_iError == kErrorFile || m_iError == kErrorData)
        return -1;
    if (iCount <= 0 || pBuffer == nullptr)
        return 0;
    auto* pOut = static_cast<uint8_t*>(pBuffer);
    if (m_bTransparent)
        return ReadTransparent(pOut, iCount);
    if (m_bEnded)
        return 0;

    m_stream.next_out = pOut;
    m_stream.avail_out = static_cast<uInt>(iCount);
    uint8_t* pMemberStart = pOut;
    while (m_stream.avail_out > 0) {
        if (m_stream.avail_in == 0 && Refill() <= 0) {
            // The file ended inside a member: the stream is truncated.
            m_bEndOfInput = true;
            m_iError = kErrorFile;
            break;
        }
        const int iResult = inflate(&m_stream, Z_NO_FLUSH);
        if (iResult == Z_STREAM_END) {
            const auto iProduced = static_cast<uInt>(m_stream.next_out - pMemberStart);
            m_dwCrc = crc32(m_dwCrc, pMemberStart, iProduced);
            m_dwMemberOut += iProduced;
            pMemberStart = m_stream.next_out;
            EndOfMember();
            if (m_iError != kErrorNone || m_bEnded)
                break;
        } else if (iResult != Z_OK) {
            // Input and room were both there, so anything but progress is corrupt data.
            m_iError = kErrorData;
            break;
        }
    }
    const auto iProduced = static_cast<uInt>(m_stream.next_out - pMemberStart);
    m_dwCrc = crc32(m_dwCrc, pMemberStart, iProduced);
    m_dwMemberOut += iProduced;

    const int32_t iDelivered = iCount - static_cast<int32_t>(m_stream.avail_out);
    m_stream.next_out = nullptr;
    m_stream.avail_out = 0;
    m_llOut += iDelivered;
    if (iDelivered == 0 && (m_iError == kErrorFile || m_iError == kErrorData))
        return -1;
    return iDelivered;
}

bool CGZFile::Rewind()
{
    m_iError = kErrorNone;
    m_bEndOfInput = false;
    m_bEnded = false;
    m_stream.next_in = m_pInput.get();
    m_stream.avail_in = 0;
    inflateReset(&m_stream);
    m_dwCrc = crc32(0L, Z_NULL, 0);
    m_dwMemberOut = 0;
    m_llOut = 0;
    if (!m_file.SetPosition(m_llDataStart)) {
        m_iError = kErrorFile;
        return false;
    }
    return true;
}

bool CGZFile::SetPosition(int64_t llOffset)
{
    if (!IsOpen() || llOffset < 0 || llOffset > std::numeric_limits<int32_t>::max())
        return false;
    if (m_bTransparent) {
        m_stream.next_in = m_pInput.get();
        m_stream.avail_in = 0;
        if (!m_file.SetPosition(m_llDataStart + llOffset))
            return false;
        m_llOut = llOffset;
        return true;
    }
    // Without a whole first header there is no data start to restart from.
    if (!m_bHeaderValid)
        return false;
    if (llOffset < m_llOut && !Rewind())
        return false;
    while (m_llOut < llOffset) {
        if (!m_pScratch)
            m_pScratch = std::make_unique<uint8_t[]>(kBufferSize);
        const auto iPiece = static_cast<int32_t>(std::min<int64_t>(kBufferSize, llOffset - m_llOut));
        if (Read(m_pScratch.get(), iPiece) <= 0)
            return false;
    }
    return m_llOut == llOffset;
}

int64_t CGZFile::GetPosition()
{
    return m_llOut;
}

} // namespace kov
