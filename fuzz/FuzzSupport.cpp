// The replay driver (without libFuzzer: every file of the folders or files given, in name
// order), the scratch files, and the allocation limit of the address sanitizer: a single
// allocation beyond what any input of a target could justify is a finding.
#include "FuzzSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOV_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KOV_FUZZ_ASAN 1
#endif

#define KOV_FUZZ_TEXT(x) #x
#define KOV_FUZZ_VALUE(x) KOV_FUZZ_TEXT(x)

#ifdef KOV_FUZZ_ASAN
extern "C" const char* __asan_default_options()
{
    return "max_allocation_size_mb=" KOV_FUZZ_VALUE(KOV_FUZZ_MAX_ALLOCATION_MB);
}
#endif

namespace kov::fuzz {

namespace {

class CScratchFiles {
public:
    ~CScratchFiles()
    {
        std::error_code error;
        for (const auto& [sSuffix, path] : m_paths)
            std::filesystem::remove(path, error);
    }
    const std::filesystem::path& PathFor(const std::string& sSuffix)
    {
        auto it = m_paths.find(sSuffix);
        if (it == m_paths.end()) {
            const std::string sName =
                "kov-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(m_paths.size()) + sSuffix;
            it = m_paths.emplace(sSuffix, std::filesystem::temp_directory_path() / sName).first;
        }
        return it->second;
    }

private:
    std::map<std::string, std::filesystem::path> m_paths;
};

CScratchFiles& Scratch()
{
    static CScratchFiles s_files;
    return s_files;
}

} // namespace

std::string InputFile(const uint8_t* pData, size_t iSize, const std::string& sSuffix)
{
    const std::filesystem::path& path = Scratch().PathFor(sSuffix);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(iSize));
    out.close();
    KOV_FUZZ_CHECK(out.good());
    return path.string();
}

} // namespace kov::fuzz

#ifndef KOV_LIBFUZZER
int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    size_t iReplayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> vFiles;
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    vFiles.push_back(entry.path());
            std::sort(vFiles.begin(), vFiles.end());
        } else {
            vFiles.emplace_back(argv[i]);
        }
        for (const fs::path& file : vFiles) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 1;
            }
            const std::vector<char> vBytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
            // A block of exactly the input's size, so reading past it is caught (as libFuzzer
            // does, an empty input still comes with a valid pointer).
            std::vector<uint8_t> vInput(vBytes.begin(), vBytes.end());
            const uint8_t byEmpty = 0;
            LLVMFuzzerTestOneInput(vInput.empty() ? &byEmpty : vInput.data(), vInput.size());
            ++iReplayed;
        }
    }
    std::printf("%zu inputs replayed\n", iReplayed);
    return iReplayed == 0 ? 1 : 0; // an empty corpus means the replay is set up wrong
}
#endif
