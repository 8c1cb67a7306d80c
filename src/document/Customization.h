#pragma once
// "Custom.xml" beside the program: lets a distributor replace the About texts, the logo, the
// program icon and a viewer image. Images are only located here; decoding them belongs to the
// window toolkit.
#include "document/ValueTree.h"

#include <string>
#include <string_view>

namespace kov {

inline constexpr char16_t kCustomizationFileName[] = u"Custom.xml";
// About text limit, in characters.
inline constexpr size_t kAboutTextMax = 200;

// An image file named by the customization, resolved against the program folder.
struct SCustomImageFile {
    bool bGiven = false;    // the element exists with a non-empty text
    std::u16string wszPath; // program folder + that text; empty when not given
};

class CCustomization {
public:
    // Loads wszProgramFolder (with its trailing separator) + "Custom.xml". A missing file or
    // one that does not parse leaves everything absent. Returns IsLoaded().
    bool Load(const std::u16string& wszProgramFolder);
    // The same for the running program's folder.
    bool Load();

    bool IsLoaded() const { return m_bLoaded; }
    NodeRef Root() const { return m_root; }
    NodeRef CustomTexts() const { return m_customTexts; }

    // The text of the "kov:CustomTexts" child wszName; false when the element is absent.
    bool GetCustomText(std::u16string_view wszName, std::u16string& wszText) const;
    // Each true only when the element exists and has a non-empty text.
    bool ApplicationName(std::u16string& wszText) const;
    bool Company(std::u16string& wszText) const;
    bool Version(std::u16string& wszText) const;
    bool WebsiteUrl(std::u16string& wszText) const;
    bool SupportEmailAddress(std::u16string& wszText) const;
    bool ProductName(std::u16string& wszText) const;

    // The About box text: the customized form when an application name is given, else the
    // built-in one. At most kAboutTextMax characters.
    std::u16string AboutText() const;

    const SCustomImageFile& LogoImage() const { return m_logoImage; }
    const SCustomImageFile& LogoIcon() const { return m_logoIcon; }
    const SCustomImageFile& ViewerImage() const { return m_viewerImage; }

private:
    bool NonEmptyText(std::u16string_view wszName, std::u16string& wszText) const;
    SCustomImageFile ImageFile(const std::u16string& wszProgramFolder, std::u16string_view wszName) const;

    TreeRef m_tree;
    bool m_bLoaded = false;
    NodeRef m_root;
    NodeRef m_customTexts;
    SCustomImageFile m_logoImage;
    SCustomImageFile m_logoIcon;
    SCustomImageFile m_viewerImage;
};

// The built-in About text.
std::u16string DefaultAboutText();

} // namespace kov
