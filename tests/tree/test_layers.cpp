// The layer map: every project include under src/ must point at the including file's own layer
// or at one the map lets it use. A reach up a layer means an interface sits in the wrong place.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What each layer may include besides itself: the rows below it and the layers to its right.
const std::map<std::string, std::set<std::string>>& LayerMap()
{
    static const std::set<std::string> kCore = {"link", "document", "platform", "support", "os"};
    auto with = [](std::set<std::string> base, std::initializer_list<const char*> extra) {
        for (const char* sName : extra)
            base.insert(sName);
        return base;
    };
    static const std::map<std::string, std::set<std::string>> kMap = {
        {"os", {}},
        {"support", {"os"}},
        {"platform", {"support", "os"}},
        {"document", {"platform", "support", "os"}},
        {"link", {"document", "platform", "support", "os"}},
        {"sim", kCore},
        {"form", kCore},
        {"upgrade", with(kCore, {"form"})},
        {"drivers", with(kCore, {"form", "upgrade"})},
        {"firmware", with(kCore, {"form", "upgrade", "drivers"})},
        {"sections", with(kCore, {"form", "upgrade", "drivers", "firmware"})},
        {"shell", with(kCore, {"form", "upgrade", "drivers", "firmware", "sections"})},
        {"ui", with(kCore, {"form", "upgrade", "drivers", "firmware", "sections", "shell"})},
        {"app", with(kCore, {"form", "upgrade", "drivers", "firmware", "sections", "shell", "ui", "sim"})},
    };
    return kMap;
}

struct SInclude {
    std::string sFile;
    int iLine;
    std::string sTarget;
};

// Project includes whose first folder is a layer, with where they stand.
std::vector<SInclude> LayerIncludes(const fs::path& srcDir, std::vector<std::string>& vUnknownLayers)
{
    static const std::regex kInclude(R"(^\s*#\s*include\s*"([a-z_]+)/)");
    std::vector<SInclude> vIncludes;
    for (const auto& entry : fs::recursive_directory_iterator(srcDir)) {
        const std::string sExt = entry.path().extension().string();
        if (!entry.is_regular_file() || (sExt != ".h" && sExt != ".cpp"))
            continue;
        const std::string sRelative = fs::relative(entry.path(), srcDir).generic_string();
        const std::string sLayer = sRelative.substr(0, sRelative.find('/'));
        if (!LayerMap().contains(sLayer)) {
            vUnknownLayers.push_back(sRelative);
            continue;
        }
        std::ifstream in(entry.path());
        std::string sLine;
        for (int iLine = 1; std::getline(in, sLine); ++iLine) {
            std::smatch match;
            if (std::regex_search(sLine, match, kInclude) && LayerMap().contains(match[1].str()))
                vIncludes.push_back({sRelative, iLine, match[1].str()});
        }
    }
    return vIncludes;
}

TEST(Layers, NoIncludeCrossesTheLayerMap)
{
    const fs::path srcDir = fs::path(KOV_SOURCE_DIR) / "src";
    std::vector<std::string> vUnknownLayers;
    const std::vector<SInclude> vIncludes = LayerIncludes(srcDir, vUnknownLayers);
    ASSERT_GT(vIncludes.size(), 100u) << "the sources were not found under " << srcDir;
    EXPECT_TRUE(vUnknownLayers.empty()) << "a source outside every layer: " << vUnknownLayers.front();
    for (const SInclude& include : vIncludes) {
        const std::string sLayer = include.sFile.substr(0, include.sFile.find('/'));
        if (include.sTarget == sLayer)
            continue;
        EXPECT_TRUE(LayerMap().at(sLayer).contains(include.sTarget))
            << "src/" << include.sFile << ":" << include.iLine << " includes \"" << include.sTarget
            << "/...\", which the layer " << sLayer << " may not use";
    }
}

} // namespace
