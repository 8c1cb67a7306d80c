#pragma once
// Base of the configuration pages: a page that reads its section from, and stores it into,
// the documents of the device link.
#include <string>
#include <utility>

#include "form/Page.h"
#include "sections/Outcomes.h"

namespace kov {

class ParameterDocumentHolder;

class CSectionPage : public CPage {
public:
    explicit CSectionPage(std::u16string wszTitle) : CPage(std::move(wszTitle)) {}

    // Given once the device link exists; a page without one loads and stores nothing.
    void SetDocumentHolder(ParameterDocumentHolder* pHolder) { m_pHolder = pHolder; }
    ParameterDocumentHolder* DocumentHolder() const { return m_pHolder; }
    // Where the page's outcomes go (the main window); without one, messages show on the host.
    void SetOutcomeObserver(IOutcomeObserver* pObserver) { m_pOutcomes = pObserver; }

protected:
    void Report(const SOutcome& outcome) { ReportOutcome(m_pOutcomes, Host(), outcome); }

    ParameterDocumentHolder* m_pHolder = nullptr;
    IOutcomeObserver* m_pOutcomes = nullptr;
};

} // namespace kov
