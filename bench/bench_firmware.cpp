// Finding "partitions.txt" at the end of a 200 MB firmware archive with CGZFile and TarReader,
// against listing the same archive with "gzip -dc FILE | tar -t" in the same run.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "firmware/GZFile.h"
#include "firmware/TarReader.h"
#include "support/TextCodec.h"

namespace {

using namespace kov;

constexpr size_t kArchiveBytes = 200u << 20;
constexpr size_t kMemberBytes = 8u << 20;
constexpr const char* kLine = "7.1.0.4 main Linux_DAVINCI_v5 2024-03-18\n";

// A ustar header that tar accepts: checksum, mode, type and magic filled in.
std::string TarHeader(const std::string& sName, size_t iSize)
{
    std::string s(512, '\0');
    s.replace(0, sName.size(), sName);
    std::snprintf(&s[100], 8, "%07o", 0644u);
    std::snprintf(&s[108], 8, "%07o", 0u);
    std::snprintf(&s[116], 8, "%07o", 0u);
    std::snprintf(&s[124], 12, "%011o", unsigned(iSize));
    std::snprintf(&s[136], 12, "%011o", 1700000000u);
    s[156] = '0';
    std::memcpy(&s[257],
                "ustar\0"
                "00",
                8);
    std::memset(&s[148], ' ', 8);
    unsigned uSum = 0;
    for (char ch : s)
        uSum += static_cast<unsigned char>(ch);
    std::snprintf(&s[148], 8, "%06o", uSum);
    return s;
}

// The archive, written once per run into a private temporary folder and removed at exit.
class CArchive {
public:
    CArchive()
        : m_dir(std::filesystem::temp_directory_path() / ("kov-bench-fw-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_dir);
        m_sPath = (m_dir / "firmware.tgz").string();
        gzFile out = gzopen(m_sPath.c_str(), "wb6");
        if (!out)
            return;
        std::string sChunk(1 << 16, '\0');
        uint32_t dwState = 2463534242u;
        bool bOk = true;
        for (size_t iMember = 0; iMember * kMemberBytes < kArchiveBytes && bOk; ++iMember) {
            const std::string sHeader = TarHeader("part" + std::to_string(iMember) + ".img", kMemberBytes);
            bOk = gzwrite(out, sHeader.data(), unsigned(sHeader.size())) == int(sHeader.size());
            for (size_t iDone = 0; iDone < kMemberBytes && bOk; iDone += sChunk.size()) {
                // Sixteen letters from a xorshift generator: compresses about two to one.
                for (char& ch : sChunk) {
                    dwState ^= dwState << 13;
                    dwState ^= dwState >> 17;
                    dwState ^= dwState << 5;
                    ch = char('a' + (dwState & 15));
                }
                bOk = gzwrite(out, sChunk.data(), unsigned(sChunk.size())) == int(sChunk.size());
            }
        }
        std::string sTail = TarHeader("partitions.txt", std::strlen(kLine)) + kLine;
        sTail.resize(sTail.size() + (512 - sTail.size() % 512) % 512 + 1024, '\0');
        bOk = bOk && gzwrite(out, sTail.data(), unsigned(sTail.size())) == int(sTail.size());
        m_bReady = gzclose(out) == Z_OK && bOk;
    }
    ~CArchive()
    {
        std::error_code error;
        std::filesystem::remove_all(m_dir, error);
    }
    bool Ready() const { return m_bReady; }
    const std::string& Path() const { return m_sPath; }

private:
    std::filesystem::path m_dir;
    std::string m_sPath;
    bool m_bReady = false;
};

const CArchive& Archive()
{
    static const CArchive archive;
    return archive;
}

void BM_FindPartitionsTxt(benchmark::State& state)
{
    if (!Archive().Ready()) {
        state.SkipWithError("cannot write the archive");
        return;
    }
    const std::u16string wszPath = Utf8ToUtf16(Archive().Path());
    for (auto _ : state) {
        CGZFile gz;
        TarReader tar;
        uint64_t qwSize = 0;
        char achLine[300];
        if (!gz.Open(wszPath) || (tar.Attach(&gz), !tar.FindEntry("partitions.txt", qwSize)) ||
            tar.ReadData(achLine, int32_t(qwSize)) != int32_t(std::strlen(kLine))) {
            state.SkipWithError("partitions.txt not found");
            return;
        }
        benchmark::DoNotOptimize(achLine);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kArchiveBytes));
}
BENCHMARK(BM_FindPartitionsTxt)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The reference: the system's gzip and tar listing the whole archive through a pipe.
void BM_GzipDcTarList(benchmark::State& state)
{
    if (!Archive().Ready()) {
        state.SkipWithError("cannot write the archive");
        return;
    }
    const std::string sCommand = "gzip -dc '" + Archive().Path() + "' | tar -t";
    for (auto _ : state) {
        FILE* pPipe = ::popen(sCommand.c_str(), "r");
        if (!pPipe) {
            state.SkipWithError("popen");
            return;
        }
        std::string sListing;
        char achBuffer[4096];
        for (size_t iGot; (iGot = std::fread(achBuffer, 1, sizeof(achBuffer), pPipe)) > 0;)
            sListing.append(achBuffer, iGot);
        if (::pclose(pPipe) != 0 || sListing.find("partitions.txt\n") == std::string::npos) {
            state.SkipWithError("gzip or tar failed");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kArchiveBytes));
}
BENCHMARK(BM_GzipDcTarList)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
