#include "sections/DeviceIdentification.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Dlg = CMainDevicePropertiesDlg;

struct SIdentFixture : SPageFixture<Dlg> {
    std::u16string Text(int iId) const { return page.TextOf(iId); }
    void Set(int iId, std::u16string wsz) { page.Find<CEdit>(iId)->SetText(std::move(wsz)); }
    NodeRef Stored(std::u16string_view wszSection) const
    {
        return holder.ChangeDocument().Root().FindChild(wszSection);
    }
};

TEST(DeviceIdentification, LoadsEveryFieldAndNeverShowsTheAdminPassword)
{
    SIdentFixture f;
    std::string sXml = SampleDocumentText();
    sXml.replace(sXml.find("<kov:ServerAdminSettings/>"), 26,
                 "<kov:ServerAdminSettings><kov:AdminPasswordHash>5EBE2294ECD0E0F08EAB7690D2A6EE69"
                 "</kov:AdminPasswordHash></kov:ServerAdminSettings>");
    f.Set(Dlg::IDC_ADMIN_PASSWORD, u"typed before");
    ASSERT_TRUE(f.LoadText(sXml));
    EXPECT_EQ(f.Text(Dlg::IDC_DEVICE_ID), u"1207");
    EXPECT_EQ(f.Text(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    EXPECT_EQ(f.Text(Dlg::IDC_CLIENT_PASSWORD), u"client-1207");
    EXPECT_EQ(f.Text(Dlg::IDC_SOFTWARE_VERSION), u"7.1.2.3");
    EXPECT_EQ(f.Text(Dlg::IDC_MODEL_NAME), u"KOV-450 Mobile Recorder");
    EXPECT_EQ(f.Text(Dlg::IDC_HARDWARE_ID), u"0x4500A1F7");
    EXPECT_EQ(f.Text(Dlg::IDC_MODEM_IMEI), u"356938035643809");
    EXPECT_EQ(f.Text(Dlg::IDC_ADMIN_PASSWORD), u"");
    // Missing pieces: no Modem gives an empty IMEI and a mismatch; no status section loads
    // nothing at all (the previous values are cleared).
    std::string sNoModem = SampleDocumentText();
    sNoModem.replace(sNoModem.find("<kov:Modem kov:IMEI=\"356938035643809\"/>"), 40, "");
    EXPECT_FALSE(f.LoadText(sNoModem));
    EXPECT_EQ(f.Text(Dlg::IDC_MODEM_IMEI), u"");
    EXPECT_EQ(f.Text(Dlg::IDC_DEVICE_NAME), u"Patrol Unit 7");
    EXPECT_FALSE(f.LoadText("<kov:DeviceProgramParameters xmlns:kov=\"urn:dovrane:kov\">"
                            "<kov:CaptureDeviceConfig kov:DeviceID=\"5\"/></kov:DeviceProgramParameters>"));
    EXPECT_EQ(f.Text(Dlg::IDC_DEVICE_ID), u"0");
    EXPECT_EQ(f.Text(Dlg::IDC_DEVICE_NAME), u"");
}

TEST(DeviceIdentification, StoresTrimmedFieldsAndOnlyTheWritableOnes)
{
    SIdentFixture f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    f.Set(Dlg::IDC_DEVICE_ID, u"   4711xyz");
    f.Set(Dlg::IDC_DEVICE_NAME, u"\t Unit 9 \r\n");
    f.Set(Dlg::IDC_CLIENT_PASSWORD, u" client ");
    f.Set(Dlg::IDC_CONFIG_PASSWORD, u"cfg\u00e9 ");
    f.page.Store();

    NodeRef config = f.Stored(u"kov:CaptureDeviceConfig");
    NodeRef status = f.Stored(u"kov:CaptureDeviceStatus");
    ASSERT_TRUE(config && status);
    EXPECT_EQ(Attr(config, u"kov:DeviceID"), u"4711");
    EXPECT_EQ(Attr(status, u"kov:DeviceID"), u"4711");
    EXPECT_EQ(status.FindChild(u"kov:Name").Text(), u"Unit 9");
    EXPECT_EQ(Attr(config, u"kov:Password"), u"client");
    EXPECT_EQ(Attr(config, u"kov:ConfigPassword"), u"cfg\u00e9");
    // Read-only fields never travel back.
    EXPECT_EQ(config.AttributeCount(), 3u);
    EXPECT_FALSE(status.FindChild(u"kov:Modem"));
    // An empty admin password leaves the device's one alone.
    NodeRef admin = f.Stored(u"kov:ServerParameters").FindChild(u"kov:ServerAdminSettings");
    ASSERT_TRUE(admin);
    EXPECT_FALSE(admin.FindChild(u"kov:AdminPasswordHash"));

    f.Set(Dlg::IDC_ADMIN_PASSWORD, u"  secret \t");
    f.Set(Dlg::IDC_DEVICE_ID, u"not a number");
    f.page.Store();
    EXPECT_EQ(admin.FindChild(u"kov:AdminPasswordHash").Text(), u"5EBE2294ECD0E0F08EAB7690D2A6EE69");
    EXPECT_EQ(Attr(config, u"kov:DeviceID"), u"0");
    // Multi-byte characters are hashed as their UTF-8 bytes.
    EXPECT_EQ(AdminPasswordHash(u"\u00e9"), u"66DDCD97CFDEABB2F6FB8A999B4BC76F");
    EXPECT_EQ(AdminPasswordHash(u" \u00e9 "), AdminPasswordHash(u"\u00e9"));
}

TEST(DeviceIdentification, LabelsToolTipsAndEnabling)
{
    Dlg page;
    page.Initialise();
    const std::pair<int, const char16_t*> kLabels[] = {
        {Dlg::IDC_DEVICE_ID, u"Device ID Number:"},
        {Dlg::IDC_DEVICE_NAME, u"Device Name:"},
        {Dlg::IDC_CLIENT_PASSWORD, u"Device Client Password:"},
        {Dlg::IDC_CONFIG_PASSWORD, u"Config Password:"},
        {Dlg::IDC_ADMIN_PASSWORD, u"Server Admin Password:"},
        {Dlg::IDC_SOFTWARE_VERSION, u"Software Version:"},
        {Dlg::IDC_MODEL_NAME, u"Model Name:"},
        {Dlg::IDC_HARDWARE_ID, u"Hardware Identifier:"},
        {Dlg::IDC_MODEM_IMEI, u"Modem IMEI:"},
    };
    for (const auto& [iId, wszLabel] : kLabels)
        EXPECT_EQ(page.FindControl(iId)->Caption(), wszLabel);
    EXPECT_EQ(page.Find<CEdit>(Dlg::IDC_ADMIN_PASSWORD)->Kind(), EControlKind::PasswordEdit);
    EXPECT_EQ(page.Find<CEdit>(Dlg::IDC_CONFIG_PASSWORD)->Kind(), EControlKind::PasswordEdit);
    EXPECT_TRUE(page.Find<CEdit>(Dlg::IDC_MODEM_IMEI)->IsReadOnly());
    EXPECT_FALSE(page.Find<CEdit>(Dlg::IDC_DEVICE_NAME)->IsReadOnly());
    EXPECT_EQ(page.FindControl(Dlg::IDC_DEVICE_ID)->ToolTip(),
              u"a positive decimal integer identifier number for the device, between 1 and (2^31 - 1).");
    EXPECT_EQ(page.FindControl(Dlg::IDC_SOFTWARE_VERSION)->ToolTip(),
              u"This is the firmware version running on the device.");

    page.Enable(false);
    for (const auto& [iId, wszLabel] : kLabels)
        EXPECT_FALSE(page.IsEnabled(iId));
    page.Enable(true);
    for (const auto& [iId, wszLabel] : kLabels)
        EXPECT_TRUE(page.IsEnabled(iId));
}

} // namespace
} // namespace kov::test
