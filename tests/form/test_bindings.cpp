// The rules a field binding keeps in both directions; the sample page covers the ordinary ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "form/Bindings.h"
#include "form/Form.h"

namespace kov::test {
namespace {

enum class EMode : std::int32_t { Off = 0, Slow = 1, Fast = 2 };

struct SInner {
    std::u16string wszGateway;
};

struct SRecord {
    std::u16string wszTyped;
    std::uint32_t dwCount = 0;
    EMode eMode = EMode::Off;
    EMode eListed = EMode::Off;
    std::int32_t iPosition = 0;
    std::uint32_t dwAddress = 0;
    SInner inner;
};

struct Bindings : ::testing::Test {
    Bindings()
    {
        CRadioButton& rSlow = form.AddRadioButton(1, u"Slow", 1);
        CRadioButton& rFast = form.AddRadioButton(2, u"Fast", 1);
        CDropDownList& rModes = form.AddDropDownList(3, u"Mode:");
        rModes.AddItem(u"Fast", 2); // items carry values out of position order
        rModes.AddItem(u"Slow", 1);
        CDropDownList& rPositions = form.AddDropDownList(4, u"Position:");
        rPositions.AddItem(u"First");
        rPositions.AddItem(u"Second");
        fields.Text(form.AddEdit(5, u"Typed:"), &SRecord::wszTyped)
            .Number(form.AddNumberEdit(6, u"Count:"), &SRecord::dwCount)
            .Radio(&SRecord::eMode, {{&rSlow, EMode::Slow}, {&rFast, EMode::Fast}})
            .ItemData(rModes, &SRecord::eListed)
            .Position(rPositions, &SRecord::iPosition)
            .Address(form.AddIpAddress(7, u"Address:"), &SRecord::dwAddress)
            .Address(
                form.AddIpAddress(8, u"Gateway:"), [](auto& r) -> auto& { return r.inner.wszGateway; });
    }
    CForm form;
    CFieldBindings<SRecord> fields;
};

TEST_F(Bindings, ValuesWithoutAControlStateKeepTheRecordsValue)
{
    SRecord shown;
    shown.eMode = EMode::Off;   // no button has it: none checked
    shown.eListed = EMode::Off; // no item carries it: nothing selected
    shown.iPosition = 5;        // beyond the list: nothing selected
    fields.Show(shown);
    EXPECT_EQ(form.CheckedRadio(1), -1);
    EXPECT_EQ(form.SelectionOf(3), -1);
    EXPECT_EQ(form.SelectionOf(4), -1);

    SRecord read;
    read.eMode = EMode::Fast;
    read.eListed = EMode::Slow;
    read.iPosition = 1;
    fields.Read(read);
    EXPECT_EQ(read.eMode, EMode::Fast);
    EXPECT_EQ(read.eListed, EMode::Slow);
    EXPECT_EQ(read.iPosition, 1);
}

TEST_F(Bindings, EachConversionRoundTrips)
{
    SRecord shown;
    shown.wszTyped = u"  spaced  ";
    shown.dwCount = 4000000000u; // above the signed range
    shown.eMode = EMode::Slow;
    shown.eListed = EMode::Slow;
    shown.iPosition = 1;
    shown.dwAddress = 0xC0A80001;
    shown.inner.wszGateway = u"255.255.255.255"; // a mask the address rules would clear
    fields.Show(shown);
    EXPECT_EQ(form.SelectionOf(3), 1);
    EXPECT_EQ(form.TextOf(7), u"192.168.0.1");

    SRecord read;
    fields.Read(read);
    EXPECT_EQ(read.wszTyped, u"  spaced  ");
    EXPECT_EQ(read.dwCount, 4000000000u);
    EXPECT_EQ(read.eMode, EMode::Slow);
    EXPECT_EQ(read.eListed, EMode::Slow);
    EXPECT_EQ(read.iPosition, 1);
    EXPECT_EQ(read.dwAddress, 0xC0A80001u);
    EXPECT_EQ(read.inner.wszGateway, u"255.255.255.255");

    shown.inner.wszGateway = u"not an address";
    fields.Show(shown);
    EXPECT_TRUE(form.Find<CIpAddressEdit>(8)->IsBlank());

    EXPECT_TRUE(form.Type(6, u"12"));
    EXPECT_TRUE(form.Click(2));
    fields.Read(read);
    EXPECT_EQ(read.inner.wszGateway, u"");
    EXPECT_EQ(read.dwCount, 12u);
    EXPECT_EQ(read.eMode, EMode::Fast);
}

} // namespace
} // namespace kov::test
