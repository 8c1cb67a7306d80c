#pragma once
#include <string>

namespace kov {

enum class EStdStream { Input, Output, Error };

// Whether the standard stream is connected to a terminal, i.e. an operator is at it.
bool IsTerminal(EStdStream eStream);

// Asks the operator at the terminal on standard input for a secret: szPrompt goes to standard
// error, the line typed is not echoed, and sLine receives it without its line end. False
// (sLine untouched) when standard input is no terminal, at end of input, or when Ctrl-C or
// SIGTERM comes meanwhile; echo is back on before it returns, and such a signal is then
// delivered as it would have been (held for a caller that holds it, else its usual action).
bool ReadSecretLine(const char* szPrompt, std::string& sLine);

} // namespace kov
