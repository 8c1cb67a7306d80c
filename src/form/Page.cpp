#include "form/Page.h"

namespace kov {

void CPage::PostPageMessage(std::uint32_t uMessage, std::uint64_t wParam, std::int64_t lParam)
{
    m_vPosted.push_back({uMessage, wParam, lParam});
    NotifyForm(EFormChange::MessagePosted);
}

int CPage::DispatchPostedMessages()
{
    std::vector<SPosted> vDue;
    vDue.swap(m_vPosted);
    for (const SPosted& posted : vDue) {
        OnPageMessage(posted.uMessage, posted.wParam, posted.lParam);
    }
    return static_cast<int>(vDue.size());
}

void CPage::OnPageMessage(std::uint32_t, std::uint64_t, std::int64_t) {}

} // namespace kov
