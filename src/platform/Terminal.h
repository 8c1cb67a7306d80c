#pragma once

namespace kov {

enum class EStdStream { Input, Output, Error };

// Whether the standard stream is connected to a terminal, i.e. an operator is at it.
bool IsTerminal(EStdStream eStream);

} // namespace kov
