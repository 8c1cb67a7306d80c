#pragma once
// A gzip file read as one continuous byte stream (RFC 1952, concatenated members allowed).
// A file that does not start with the gzip magic is passed through unchanged, so an
// uncompressed TAR archive reads the same way as a compressed one.
#include <cstdint>
#include <memory>
#include <string>

#include <zlib.h>

#include "document/FileAccess.h"
#include "support/Streams.h"

namespace kov {

class CGZFile : public IFileReader {
public:
    // Stream error codes (zlib's numbers).
    static constexpr int kErrorNone = Z_OK;
    static constexpr int kErrorFile = Z_ERRNO;
    static constexpr int kErrorData = Z_DATA_ERROR;

    static constexpr int32_t kBufferSize = 16384;

    CGZFile() = default;
    ~CGZFile() override;
    CGZFile(const CGZFile&) = delete;
    CGZFile& operator=(const CGZFile&) = delete;

    // Closes any open stream, opens the existing file for shared reading and reads the first
    // member's header. A broken header does not fail the open: the first Read reports it.
    bool Open(const std::u16string& wszPath);
    void Close();
    bool IsOpen() const { return m_pInput != nullptr; }

    // Bytes delivered; 0 at the clean end of the stream; -1 on a file or data error (a
    // truncated member, a bad CRC or length, corrupt deflate data); -2 when not open.
    int32_t Read(void* pBuffer, int32_t iCount) override;
    // Positions are 0..2^31-1. Backwards restarts decompression; forwards decompresses and
    // drops. True when the stream now stands exactly at the position.
    bool SetPosition(int64_t llOffset) override;
    // Bytes delivered so far.
    int64_t GetPosition() override;

    bool IsTransparent() const { return m_bTransparent; }
    int LastError() const { return m_iError; }
    const std::u16string& Path() const { return m_wszPath; }

private:
    int32_t Refill();
    // Keeps at least two bytes buffered when the file has them; returns how many are buffered.
    uint32_t PeekTwo();
    // Next compressed byte, or -1 at the end of the file.
    int GetByte();
    bool GetLong(uint32_t& dwValue);
    // Member header; false when the next bytes are not a gzip header at all.
    bool ReadHeader(bool bFirst);
    void EndOfMember();
    int32_t ReadTransparent(uint8_t* pOut, int32_t iCount);
    bool Rewind();

    CFileAccess m_file;
    std::u16string m_wszPath;

    z_stream m_stream{};
    bool m_bInflateReady = false;
    std::unique_ptr<uint8_t[]> m_pInput;
    std::unique_ptr<uint8_t[]> m_pScratch;
    uint32_t m_dwCrc = 0;
    int m_iError = kErrorNone;
    bool m_bEndOfInput = false;
    bool m_bEnded = false; // the last member ended cleanly
    bool m_bTransparent = false;
    bool m_bHeaderValid = false; // the first member's header was whole and valid
    int64_t m_llDataStart = 0;
    // 64-bit so that streams beyond 4 GiB keep a true position.
    int64_t m_llOut = 0;
    uint32_t m_dwMemberOut = 0; // bytes of the current member, modulo 2^32 like its length field
};

} // namespace kov
