#include "support/Paths.h"

#include <string_view>
#include <thread>
#include <vector>

#include "os/Folders.h"
#include "support/ScopeFrame.h"
#include "support/TextCodec.h"

namespace kov {

namespace {

constexpr size_t kMaxDirectoryPath = 300;

} // namespace

bool CreateOneDirectory(const std::u16string& wszPath)
{
    if (wszPath.empty() || wszPath.find(u'\0') != std::u16string::npos)
        return false;
    return os::MakePrivateDirectory(Utf16ToUtf8(wszPath).c_str());
}

bool CreateDirectoryPath(const std::u16string& wszPath)
{
    return CreateDirectoryPath(wszPath, CreateOneDirectory);
}

bool CreateDirectoryPath(const std::u16string& wszPath,
                         const std::function<bool(const std::u16string&)>& fnCreate)
{
    ScopeFrame scope("MU::CDP");
    scope.Watch("wszPath", &wszPath);

    if (fnCreate(wszPath))
        return true;
    if (wszPath.empty() || wszPath.size() >= kMaxDirectoryPath)
        return false;

    std::u16string wszWork = wszPath;
    bool bCreated = false;
    if (IsPathSeparator(wszWork.back())) {
        while (!wszWork.empty() && IsPathSeparator(wszWork.back()))
            wszWork.pop_back();
        bCreated = !wszWork.empty() && fnCreate(wszWork);
        if (bCreated)
            return true;
        std::this_thread::yield();
    }

    // Walk back until some ancestor can be created (or exists).
    std::vector<size_t> aCuts;
    for (size_t i = wszWork.size(); i-- > 1;) {
        if (!IsPathSeparator(wszWork[i]))
            continue;
        aCuts.push_back(i);
        bCreated = fnCreate(wszWork.substr(0, i));
        if (bCreated)
            break;
        std::this_thread::yield();
    }

    // Then forward again, one level per cut. Each cut gets the native separator back.
    for (size_t k = aCuts.size(); k-- > 0 && bCreated;) {
        wszWork[aCuts[k]] = kPathSeparator;
        const size_t iEnd = k > 0 ? aCuts[k - 1] : wszWork.size();
        bCreated = fnCreate(wszWork.substr(0, iEnd));
        std::this_thread::yield();
    }
    return bCreated;
}

std::u16string JoinPath(std::u16string wszFolder, std::u16string_view wszName)
{
    if (!wszFolder.empty() && !IsPathSeparator(wszFolder.back()))
        wszFolder += kPathSeparator;
    return wszFolder += wszName;
}

std::u16string PathFileName(std::u16string_view wszPath)
{
    size_t iStart = wszPath.size();
    while (iStart > 0 && !IsPathSeparator(wszPath[iStart - 1]))
        --iStart;
    return std::u16string(wszPath.substr(iStart));
}

} // namespace kov
