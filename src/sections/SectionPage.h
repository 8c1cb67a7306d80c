#pragma once
// Base of the configuration pages: a page that reads its section from, and stores it into,
// the documents of the device link.
#include <string>
#include <utility>

#include "form/Page.h"

namespace kov {

class ParameterDocumentHolder;

class CSectionPage : public CPage {
public:
    explicit CSectionPage(std::u16string wszTitle) : CPage(std::move(wszTitle)) {}

    // Given once the device link exists; a page without one loads and stores nothing.
    void SetDocumentHolder(ParameterDocumentHolder* pHolder) { m_pHolder = pHolder; }
    ParameterDocumentHolder* DocumentHolder() const { return m_pHolder; }

protected:
    ParameterDocumentHolder* m_pHolder = nullptr;
};

} // namespace kov
