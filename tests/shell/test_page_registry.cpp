// Every registered page is built the way the main window builds it; what a page declares must
// name its own controls, so a wrong id shows here rather than as a silently missing tool tip
// or a control that never enables.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "document/Customization.h"
#include "shell/PageRegistry.h"
#include "shell/Subjects.h"

namespace kov::test {
namespace {

TEST(PageRegistry, EveryPageBuildsWithUniqueIdsAndToolTipsOnItsOwnControls)
{
    const std::u16string wszProgramPath = u"/tmp/firmware.tgz";
    CCustomization customization;
    std::set<int32_t> subjects;
    for (const SPageRegistration& registration : PageRegistrations()) {
        SCOPED_TRACE(registration.iSubjectId);
        const SSubject* pSubject = FindSubject(registration.iSubjectId);
        ASSERT_NE(pSubject, nullptr);
        EXPECT_NE(registration.iSubjectId, kSubjectLog);
        EXPECT_NE(registration.iSubjectId, kSubjectStreams);
        EXPECT_TRUE(subjects.insert(registration.iSubjectId).second) << "registered twice";

        auto pPage = registration.fnCreate({wszProgramPath, customization});
        ASSERT_NE(pPage, nullptr);
        pPage->Initialise();
        std::set<int> ids;
        for (const auto& pControl : pPage->Controls()) {
            if (pControl->Id() != 0) {
                EXPECT_TRUE(ids.insert(pControl->Id()).second) << "id " << pControl->Id() << " used twice";
            }
        }
        for (const SToolTip& tip : pPage->ToolTips()) {
            const CControl* pControl = pPage->FindControl(tip.iControlId);
            ASSERT_NE(pControl, nullptr) << "tool tip for a missing control " << tip.iControlId;
            EXPECT_EQ(pControl->ToolTip(), tip.wszText);
        }
    }
}

} // namespace
} // namespace kov::test
