#pragma once
// Byte-stream interfaces shared by files, memory blocks and the gzip reader.
#include <cstdint>

namespace kov {

class IFileReader {
public:
    virtual ~IFileReader() = default;
    // Returns the number of bytes copied into buffer (0 at the end or on failure).
    virtual int32_t Read(void* pBuffer, int32_t iCount) = 0;
    virtual bool SetPosition(int64_t llOffset) = 0;
    virtual int64_t GetPosition() = 0;
};

class IFileWriter {
public:
    virtual ~IFileWriter() = default;
    virtual int32_t Write(const void* pBuffer, int32_t iCount) = 0;
    virtual bool SetPosition(int64_t llOffset) = 0;
    virtual bool Flush() = 0;
};

class IFileRW : public IFileReader, public IFileWriter {
public:
    // Both bases declare SetPosition; one implementation serves both.
    bool SetPosition(int64_t llOffset) override = 0;
};

class IRandomPositionWriter {
public:
    virtual ~IRandomPositionWriter() = default;
    virtual bool WriteAt(int64_t llOffset, const void* pBuffer, int32_t iCount) = 0;
};

} // namespace kov
