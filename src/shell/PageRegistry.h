#pragma once
// The configuration pages the main window creates, one registration line each (PageRegistry.cpp).
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "form/Page.h"

namespace kov {

class CCustomization;

// What a page may be given when it is made.
struct SPageContext {
    // The remembered firmware program file path, read from the options file.
    const std::u16string& rwszProgramFilePath;
    const CCustomization& customization;
};

struct SPageRegistration {
    int32_t iSubjectId;
    std::unique_ptr<CPage> (*fnCreate)(const SPageContext& context);
};

std::span<const SPageRegistration> PageRegistrations();

} // namespace kov
