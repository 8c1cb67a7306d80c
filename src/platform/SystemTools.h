#pragma once
// External system programs (udevadm, pkexec, the desktop's opener) and the few file facts the
// driver work needs, behind one interface so tests can put fakes in.
#include <string>
#include <vector>

namespace kov {

struct SProcessResult {
    bool bStarted = false; // false: the program was not found or could not be started
    int iExitCode = -1;    // the exit status; 128 + N when killed by signal N
    std::string sOutput;   // what it wrote to standard output and error, trimmed
    std::string sError;    // why it did not start
    bool Succeeded() const { return bStarted && iExitCode == 0; }
};

class ISystemTools {
public:
    virtual ~ISystemTools() = default;
    // Runs vArgs[0] (looked up in PATH) with the rest as its arguments, waits for it, and
    // collects its output. Standard input is empty.
    virtual SProcessResult Run(const std::vector<std::string>& vArgs) = 0;
    // Starts a program without waiting for it (an opener that may stay for a while).
    virtual bool Launch(const std::vector<std::string>& vArgs) = 0;
    // Whether the program is found in PATH.
    virtual bool HasProgram(const std::string& sName) = 0;
    // Whether this process may create and remove files in the folder.
    virtual bool CanWriteFolder(const std::string& sFolder) = 0;
};

// The running system.
class CSystemTools : public ISystemTools {
public:
    SProcessResult Run(const std::vector<std::string>& vArgs) override;
    bool Launch(const std::vector<std::string>& vArgs) override;
    bool HasProgram(const std::string& sName) override;
    bool CanWriteFolder(const std::string& sFolder) override;
};

ISystemTools& SystemTools();

// The program that opens a file or folder with the desktop's default handler.
inline constexpr char kOpenerProgram[] = "xdg-open";

} // namespace kov
