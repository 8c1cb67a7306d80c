#pragma once
// Handing a file or an address to the program the desktop chooses for it: xdg-open here, which
// asks the running desktop (or its configured defaults) for the handler.
#include <string>
#include <vector>

namespace kov {

// Starts the program (looked up in PATH) with the arguments, in sWorkingFolder when that is not
// empty, as a process of its own: a session of its own, default signal handling and no signals
// held back, whatever this process does with them. This process does not wait for it; it is
// reaped when it ends. False when it could not be started.
bool StartDetachedProgram(const std::string& sProgram, const std::vector<std::string>& vArgs,
                          const std::string& sWorkingFolder);

// Opens the file or URL with the desktop's default handler, started in sWorkingFolder when
// given. False when no handler could be started.
bool OpenWithDesktopHandler(const std::string& sTarget, const std::string& sWorkingFolder);

} // namespace kov
