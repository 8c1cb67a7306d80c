// Parameter-document reading and writing speed against pugixml on the same ~20 MB text, and
// the memory a parsed tree takes per MB of text.
#include "document/ValueTree.h"
#include "support/TextCodec.h"

#include <benchmark/benchmark.h>

#ifdef KOV_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

// Allocation accounting for the memory counters: every operator new carries a small header
// with its size so live and peak bytes can be followed. The benchmarks run on one thread, so
// plain counters do (atomics would tax every allocation of ours and none of pugixml's).
namespace {
size_t g_iLiveBytes = 0;
size_t g_iPeakBytes = 0;
constexpr size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(size_t iSize)
{
    void* p = std::malloc(iSize + kHeader);
    if (!p)
        throw std::bad_alloc();
    *static_cast<size_t*>(p) = iSize;
    g_iLiveBytes += iSize;
    if (g_iLiveBytes > g_iPeakBytes)
        g_iPeakBytes = g_iLiveBytes;
    return static_cast<char*>(p) + kHeader;
}

void CountedFree(void* p) noexcept
{
    if (!p)
        return;
    char* pBlock = static_cast<char*>(p) - kHeader;
    g_iLiveBytes -= *reinterpret_cast<size_t*>(pBlock);
    std::free(pBlock);
}
} // namespace

void* operator new(size_t iSize)
{
    return CountedAlloc(iSize);
}
void* operator new[](size_t iSize)
{
    return CountedAlloc(iSize);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, size_t) noexcept
{
    CountedFree(p);
}

namespace {

using kov::TreeRef;
using kov::ValueTree;

// A device parameter document of about iTargetBytes of UTF-8: many sections with attributes,
// value elements, lists and a sprinkling of entities and non-ASCII text.
std::string MakeDocument(size_t iTargetBytes)
{
    std::string s = "<?xml version='1.0' encoding='UTF-8'?>"
                    "<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">";
    char szLine[512];
    for (int iSection = 0; s.size() < iTargetBytes; ++iSection) {
        std::snprintf(
            szLine, sizeof szLine,
            "<kov:ModemConfig%d kov:Enable=\"True\" kov:Name=\"Modem &amp; link %d\" kov:Port=\"%d\">"
            "<kov:ApnName>internet.provider%d.example</kov:ApnName>"
            "<kov:ConnectTimeout>%d</kov:ConnectTimeout><kov:UserName>user&lt;%d&gt;</kov:UserName>"
            "<kov:Description>Caf\xC3\xA9 camera \xE2\x82\xAC %d</kov:Description>"
            "<kov:ForwardingRules __merge_options=\"erase_children\">",
            iSection % 50, iSection, 1000 + iSection % 60000, iSection, iSection * 7, iSection, iSection);
        s += szLine;
        for (int iRule = 0; iRule < 4; ++iRule) {
            std::snprintf(szLine, sizeof szLine,
                          "<kov:ForwardingRule kov:Enable=\"%s\" kov:ExternalPort=\"%d\" "
                          "kov:InternalAddress=\"10.0.%d.%d\" "
                          "kov:InternalPort=\"%d\" kov:Protocol=\"TCP\"/>",
                          iRule % 2 ? "True" : "False", 8000 + iRule, iSection % 256, iRule + 1, 80 + iRule);
            s += szLine;
        }
        std::snprintf(szLine, sizeof szLine, "</kov:ForwardingRules></kov:ModemConfig%d>", iSection % 50);
        s += szLine;
    }
    s += "</kov:DeviceProgramParameters>";
    return s;
}

const std::string& Utf8Text()
{
    static const std::string s = MakeDocument(20u << 20);
    return s;
}

const std::u16string& WideText()
{
    static const std::u16string wsz = kov::Utf8ToUtf16(Utf8Text());
    return wsz;
}

void SetSpeed(benchmark::State& state)
{
    // MB/s are reported against the UTF-8 size, the same bytes every contender handles.
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Utf8Text().size()));
}

void BM_OursFromXmlWide(benchmark::State& state)
{
    const std::u16string& wsz = WideText();
    for (auto _ : state) {
        ValueTree tree;
        if (!tree.FromXml(wsz))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(tree.Root());
    }
    SetSpeed(state);
}

void BM_OursLoadFromTextUtf8(benchmark::State& state)
{
    const std::string& s = Utf8Text();
    for (auto _ : state) {
        TreeRef tree;
        if (tree.LoadFromText(s).IsEmpty())
            state.SkipWithError("parse failed");
    }
    SetSpeed(state);
}

void BM_OursToXmlWide(benchmark::State& state)
{
    ValueTree tree;
    tree.FromXml(WideText());
    for (auto _ : state) {
        std::u16string wszOut;
        tree.ToXml(wszOut);
        benchmark::DoNotOptimize(wszOut.data());
    }
    SetSpeed(state);
}

void BM_OursToUtf8(benchmark::State& state)
{
    TreeRef tree;
    tree.LoadFromText(Utf8Text());
    for (auto _ : state) {
        std::string sOut;
        tree.ToUtf8(sOut);
        benchmark::DoNotOptimize(sOut.data());
    }
    SetSpeed(state);
}

// Memory: bytes held by a parsed tree, and the peak while parsing, per MB of UTF-8 text.
void BM_OursTreeMemory(benchmark::State& state)
{
    const std::u16string& wsz = WideText();
    double dRetained = 0, dPeak = 0;
    for (auto _ : state) {
        const size_t iBase = g_iLiveBytes;
        g_iPeakBytes = iBase;
        {
            ValueTree tree;
            tree.FromXml(wsz);
            dRetained = double(g_iLiveBytes - iBase);
            dPeak = double(g_iPeakBytes - iBase);
        }
    }
    const double dTextMB = double(Utf8Text().size()) / (1 << 20);
    state.counters["TreeBytesPerTextMB"] = dRetained / dTextMB;
    state.counters["PeakBytesPerTextMB"] = dPeak / dTextMB;
    state.counters["TextMB"] = dTextMB;
}

#ifdef KOV_HAVE_PUGIXML
void BM_PugiParse(benchmark::State& state)
{
    const std::string& s = Utf8Text();
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_buffer(s.data(), s.size()))
            state.SkipWithError("pugixml parse failed");
        benchmark::DoNotOptimize(doc.first_child());
    }
    SetSpeed(state);
}

struct SStringWriter : pugi::xml_writer {
    std::string s;
    void write(const void* pData, size_t iSize) override { s.append(static_cast<const char*>(pData), iSize); }
};

void BM_PugiWrite(benchmark::State& state)
{
    pugi::xml_document doc;
    doc.load_buffer(Utf8Text().data(), Utf8Text().size());
    for (auto _ : state) {
        SStringWriter writer;
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
        benchmark::DoNotOptimize(writer.s.data());
    }
    SetSpeed(state);
}
BENCHMARK(BM_PugiParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiWrite)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_OursFromXmlWide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursLoadFromTextUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursToXmlWide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursTreeMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
