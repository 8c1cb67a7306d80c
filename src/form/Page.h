#pragma once
// A configuration page: a form with the page operations the page area calls on every page.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "form/Form.h"

namespace kov {

// Posted to the current page when the operator presses the Delete key.
inline constexpr std::uint32_t kPageDeleteKeyMessage = 1053;

class CPage : public CForm {
public:
    explicit CPage(std::u16string wszTitle = {}) : CForm(std::move(wszTitle)) {}

    // Fills the controls from the document; false when the document did not match the record.
    virtual bool Load() = 0;
    // Reads the controls into the record and writes it into the document.
    virtual void Store() = 0;
    // Enables or disables the page's editable controls; by default all of them.
    virtual void Enable(bool bEnable) { EnableAll(bEnable); }

    // Queues a message for the page; the renderer (or a test) delivers it later with
    // DispatchPostedMessages, as a window delivers a posted message.
    void PostPageMessage(std::uint32_t uMessage, std::uint64_t wParam = 0, std::int64_t lParam = 0);
    // Delivers the messages queued before the call, in order; messages posted while they are
    // handled wait for the next call. Returns how many were delivered.
    int DispatchPostedMessages();
    std::size_t PendingMessageCount() const { return m_vPosted.size(); }

protected:
    // Pages that react to a message override this; the others ignore every message.
    virtual void OnPageMessage(std::uint32_t uMessage, std::uint64_t wParam, std::int64_t lParam);

private:
    struct SPosted {
        std::uint32_t uMessage;
        std::uint64_t wParam;
        std::int64_t lParam;
    };
    std::vector<SPosted> m_vPosted;
};

} // namespace kov
