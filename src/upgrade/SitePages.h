#pragma once
// The download site's directory pages read as plain text: the links the upgrade scan follows.
// Pure functions of the page text, so the scan can be tried on any page.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kov {

// Calls fnFolder with the name and the packed version (kNoVersion when the name is not one,
// "_" separating its numbers) of every folder the base page links as "<a href=\"KOV_" + name +
// "/", in page order, until it returns false. Each search starts after the '/' that ended the
// previous name; a link with no '/' after it ends the scan rather than starting it over.
void ForEachVersionFolder(std::string_view sPage,
                          const std::function<bool(const std::string& sName, int32_t iVersion)>& fnFolder);

// Whether the page links a target that begins with sTarget ("<a href=\"" + sTarget).
bool LinksTo(std::string_view sPage, std::string_view sTarget);

// The name of the first file the product page links ("<a href=\"" + name + "\"") whose name
// begins with sPrefix. False when there is none, when its closing quote is missing, or when
// the name would not stay one plain name in the local folder (IsSafeFileName).
bool FindPublishedFile(std::string_view sPage, const std::string& sPrefix, std::string& sFileName);

// Whether a name from a listing stays one plain name in a local folder: no separator of
// either system (':' makes a drive-relative path or a stream on Windows), no "..", no NUL or
// control character, valid UTF-8.
bool IsSafeFileName(std::string_view sName);

} // namespace kov
