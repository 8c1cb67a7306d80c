#pragma once
// Builds gzip members and TAR archives in memory for the program file tests.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace kovtest {

// One gzip member; uFlags may ask for an extra field, a name, a comment and a header CRC.
inline std::string GzipMember(const std::string& sData, uint8_t uFlags = 0)
{
    std::string s = {'\x1F', '\x8B', 8, char(uFlags), 0, 0, 0, 0, 0, 3};
    if (uFlags & 0x04)
        s += std::string("\x03\x00xyz", 5);
    if (uFlags & 0x08)
        s += std::string("name.tar", 9);
    if (uFlags & 0x10)
        s += std::string("a comment", 10);
    if (uFlags & 0x02)
        s += "\x12\x34";
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string sOut(deflateBound(&z, uLong(sData.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(sData.data()));
    z.avail_in = uInt(sData.size());
    z.next_out = reinterpret_cast<Bytef*>(sOut.data());
    z.avail_out = uInt(sOut.size());
    deflate(&z, Z_FINISH);
    sOut.resize(z.total_out);
    deflateEnd(&z);
    s += sOut;
    for (uint32_t dw : {uint32_t(crc32(0, reinterpret_cast<const Bytef*>(sData.data()), uInt(sData.size()))),
                        uint32_t(sData.size())})
        s += {char(dw), char(dw >> 8), char(dw >> 16), char(dw >> 24)};
    return s;
}

// A ustar header (the 12-byte size field as given, else octal), then the data padded to
// whole blocks.
inline std::string TarEntry(const std::string& sName, const std::string& sData, std::string sSizeField = {})
{
    if (sSizeField.empty()) {
        char szSize[13];
        std::snprintf(szSize, sizeof(szSize), "%011o", unsigned(sData.size()));
        sSizeField = szSize;
    }
    std::string s(512, '\0');
    s.replace(0, sName.size(), sName);
    s.replace(124, sSizeField.size(), sSizeField);
    s += sData;
    s.resize((s.size() + 511) / 512 * 512, '\0');
    return s;
}

// A private folder under the system's temporary folder, removed at the end.
class CTempDir {
public:
    explicit CTempDir(const std::string& sName)
        : m_path(std::filesystem::temp_directory_path() / (sName + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CTempDir() { std::filesystem::remove_all(m_path); }
    std::string Write(const std::string& sName, const std::string& sBytes) const
    {
        std::ofstream(m_path / sName, std::ios::binary) << sBytes;
        return (m_path / sName).string();
    }
    std::filesystem::path Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace kovtest
