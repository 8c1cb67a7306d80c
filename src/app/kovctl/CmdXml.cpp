// kovctl xml FILE: a parameter file, read as the program reads it, written to stdout exactly
// as it would be sent to a device.
#include "app/kovctl/Commands.h"

#include "document/ValueTree.h"
#include "sections/Outcomes.h"
#include "support/TextCodec.h"

#include <cstdio>

namespace kov {

int CmdXml(const SKovctlGlobals& /*globals*/, const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("usage: kovctl xml FILE\n", stderr);
        return kExitUsage;
    }
    TreeRef tree;
    std::string sBytes;
    if (!tree.LoadFromFile(Utf8ToUtf16(args[0])) || !tree.ToUtf8(sBytes)) {
        std::fprintf(stderr, "%s\n", Utf16ToUtf8(OutcomeText({EOutcome::FileOpenFailed})).c_str());
        return kExitFailure;
    }
    if (std::fwrite(sBytes.data(), 1, sBytes.size(), stdout) != sBytes.size() || std::fflush(stdout) != 0)
        return kExitFailure;
    return kExitOk;
}

} // namespace kov
