#pragma once
#include <string>

namespace kov {

// The login name of the account the process runs as; empty when it has none.
std::u16string LoginName();

} // namespace kov
