#include "document/Customization.h"

#include "document/FileAccess.h"

namespace kov {

namespace {
constexpr std::u16string_view kCustomTextsName = u"kov:CustomTexts";

std::u16string CapAboutText(std::u16string wszText)
{
    if (wszText.size() > kAboutTextMax)
        wszText.resize(kAboutTextMax);
    return wszText;
}
} // namespace

std::u16string DefaultAboutText()
{
    return CapAboutText(u"Dovrane\n\nVersion: 7.0.0.0\n\nCopyright (C) 2026 Dovrane");
}

bool CCustomization::Load()
{
    return Load(GetProgramFolder());
}

bool CCustomization::Load(const std::u16string& wszProgramFolder)
{
    m_tree = TreeRef();
    m_bLoaded = false;
    m_root = NodeRef();
    m_customTexts = NodeRef();
    m_logoImage = m_logoIcon = m_viewerImage = SCustomImageFile();

    if (wszProgramFolder.empty())
        return false;
    const std::u16string wszPath = wszProgramFolder + kCustomizationFileName;
    if (!FileExists(wszPath))
        return false;
    m_root = m_tree.LoadFromFile(wszPath);
    m_bLoaded = !m_root.IsEmpty();
    if (!m_bLoaded)
        return false;
    m_customTexts = m_root.FindChild(kCustomTextsName);
    m_logoImage = ImageFile(wszProgramFolder, u"kov:LogoImage");
    m_logoIcon = ImageFile(wszProgramFolder, u"kov:LogoIcon");
    m_viewerImage = ImageFile(wszProgramFolder, u"kov:ViewerImage");
    return true;
}

SCustomImageFile CCustomization::ImageFile(const std::u16string& wszProgramFolder,
                                           std::u16string_view wszName) const
{
    SCustomImageFile file;
    const std::u16string_view wszText = m_root.FindChild(wszName).Text();
    if (!wszText.empty()) {
        file.bGiven = true;
        file.wszPath = wszProgramFolder;
        file.wszPath += wszText;
    }
    return file;
}

bool CCustomization::GetCustomText(std::u16string_view wszName, std::u16string& wszText) const
{
    return m_customTexts.FindChild(wszName).GetText(wszText);
}

bool CCustomization::NonEmptyText(std::u16string_view wszName, std::u16string& wszText) const
{
    const NodeRef element = m_customTexts.FindChild(wszName);
    if (element.Text().empty())
        return false;
    return element.GetText(wszText);
}

bool CCustomization::ApplicationName(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:ApplicationName", wszText);
}

bool CCustomization::Company(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:Company", wszText);
}

bool CCustomization::Version(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:Version", wszText);
}

bool CCustomization::WebsiteUrl(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:WebsiteURL", wszText);
}

bool CCustomization::SupportEmailAddress(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:SupportEmailAddress", wszText);
}

bool CCustomization::ProductName(std::u16string& wszText) const
{
    return NonEmptyText(u"kov:ProductName", wszText);
}

std::u16string CCustomization::AboutText() const
{
    std::u16string wszName;
    if (!ApplicationName(wszName))
        return DefaultAboutText();
    std::u16string wszVersionLine;
    std::u16string wszVersion;
    if (GetCustomText(u"kov:Version", wszVersion))
        wszVersionLine = u"Version: " + wszVersion;
    std::u16string wszCompany;
    GetCustomText(u"kov:Company", wszCompany);
    return CapAboutText(wszName + u"\n\n" + wszVersionLine + u"\n\n" + wszCompany);
}

} // namespace kov
