#include "sections/SimSms.h"

#include <gtest/gtest.h>

#include "PageTestKit.h"
#include "sim/SampleDocument.h"

namespace kov::test {
namespace {

using Sim = CSIMParamsDlg;
using Sms = CSMSParamsDlg;

NodeRef StoredConnection(const ParameterDocumentHolder& holder)
{
    return holder.ChangeDocument().Root().FindChild(u"kov:ConnectionParameters");
}

TEST(SimPage, LoadsCodesTrimsThemAndReportsMissingOnes)
{
    SPageFixture<Sim> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.TextOf(Sim::IDC_PIN), u"4711");

    f.page.Type(Sim::IDC_PIN, u"  1234\t");
    f.page.Type(Sim::IDC_PHPIN, u"12 34");
    f.page.Store();
    NodeRef stored = StoredConnection(f.holder).FindChild(u"kov:SimParameters");
    EXPECT_EQ(Attr(stored, u"kov:PIN"), u"1234");
    EXPECT_EQ(Attr(stored, u"kov:PHPIN"), u"12 34");
    EXPECT_EQ(Attr(stored, u"kov:PHPUK"), u"");

    // A missing code stays empty and fails the read; the others still load.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), " kov:PIN2=\"0815\"", "")));
    EXPECT_EQ(f.page.TextOf(Sim::IDC_PIN2), u"");
    EXPECT_EQ(f.page.TextOf(Sim::IDC_PUK), u"31415926");
    // Without the section every code is empty again.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "<kov:SimParameters ", "<kov:Elsewhere ")));
    EXPECT_EQ(f.page.TextOf(Sim::IDC_PUK), u"");
}

TEST(SmsPage, ReadsThreePlacesAndNeedsAllOfThem)
{
    SPageFixture<Sms> f;
    ASSERT_TRUE(f.LoadText(SampleDocumentText()));
    EXPECT_EQ(f.page.TextOf(Sms::IDC_SMS_NUMBER), u"+491511234567");
    EXPECT_EQ(f.page.SelectionOf(Sms::IDC_SERVICE_TYPE), 2); // "GPRS Preferred"
    EXPECT_EQ(f.page.TextOf(Sms::IDC_AUTH_CODE), u"KOV7#");

    // Without the device configuration nothing is read, although the number is there.
    EXPECT_FALSE(
        f.LoadText(Replaced(Replaced(SampleDocumentText(), "<kov:CaptureDeviceConfig ", "<kov:Elsewhere "),
                            "</kov:CaptureDeviceConfig>", "</kov:Elsewhere>")));
    EXPECT_EQ(f.page.TextOf(Sms::IDC_SMS_NUMBER), u"");
    EXPECT_EQ(f.page.SelectionOf(Sms::IDC_SERVICE_TYPE), 1); // "Circuit Switched"

    // The service type is matched exactly; the other items still load.
    EXPECT_FALSE(f.LoadText(Replaced(SampleDocumentText(), "\"GPRS Preferred\"", "\"gprs preferred\"")));
    EXPECT_EQ(f.page.SelectionOf(Sms::IDC_SERVICE_TYPE), 1);
    EXPECT_EQ(f.page.TextOf(Sms::IDC_AUTH_CODE), u"KOV7#");
}

TEST(SmsPage, StoresIntoThreePlacesCreatingWhatIsMissing)
{
    SPageFixture<Sms> f;
    // A missing service type fails the read and is then written.
    ASSERT_FALSE(f.LoadText(
        Replaced(SampleDocumentText(), "<kov:SMS kov:OutputServiceType=\"GPRS Preferred\"/>", "")));
    f.page.Type(Sms::IDC_SMS_NUMBER, u" +49 151 7654321 ");
    f.page.Type(Sms::IDC_AUTH_CODE, u"\tKOV8#\r\n");
    f.page.Choose(Sms::IDC_SERVICE_TYPE, 3);
    f.page.Store();
    NodeRef connection = StoredConnection(f.holder);
    EXPECT_EQ(connection.FindChild(u"kov:RemoteAccessConnection").FindChild(u"kov:ConnSMSPhoneNum").Text(),
              u"+49 151 7654321");
    EXPECT_EQ(Attr(connection.FindChild(u"kov:SMS"), u"kov:OutputServiceType"),
              u"Circuit Switched Preferred");
    EXPECT_EQ(Attr(f.holder.ChangeDocument().Root().FindChild(u"kov:CaptureDeviceConfig"),
                   u"kov:SMSCommandAuthCode"),
              u"KOV8#");
}

} // namespace
} // namespace kov::test
