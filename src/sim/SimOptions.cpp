#include "sim/SimOptions.h"

namespace kov {

const char* const kSimUsage =
    "usage: kov-device-sim [OPTIONS]\n\n"
    "Plugs a simulated Dovrane device in through the pipe way and serves hosts until\n"
    "Ctrl-C, SIGTERM, a shutdown command or --unplug-after.\n\n"
    "options:\n"
    "  --root DIR            device root to plug into (default: the standard device root)\n"
    "  --name NAME           device folder name (default dovrane-sim-1)\n"
    "  --document FILE       parameter document to serve (default: the built-in sample)\n"
    "  --password PW         ask the host for this configuration password\n"
    "  --version A.B.C.D     software version to report (default 7.1.2.3)\n"
    "  --bad-ack N           corrupt once the acknowledgement of block N (offset N*1024)\n"
    "  --flash-error E       end programming with flash write error E\n"
    "  --stray-frame ID      send a frame with this command id before each parameters document\n"
    "  --save-image FILE     keep the received firmware image in FILE\n"
    "  --unplug-after SECS   unplug and exit after this many seconds\n"
    "  --tick-ms MS          pace of log lines and progress reports (default 100)\n"
    "  --quiet               print nothing but errors\n"
    "  --help                show this text\n";

bool ParseSimArguments(const std::vector<std::string>& vArgs, SSimProgramOptions& options,
                       std::string& sError)
{
    for (size_t i = 0; i < vArgs.size(); ++i) {
        const std::string& sArg = vArgs[i];
        if (sArg == "--help" || sArg == "-h") {
            options.bHelp = true;
            continue;
        }
        if (sArg == "--quiet") {
            options.bQuiet = true;
            continue;
        }
        static const char* const kWithValue[] = {
            "--root",        "--name",        "--document",   "--password",     "--version", "--bad-ack",
            "--flash-error", "--stray-frame", "--save-image", "--unplug-after", "--tick-ms"};
        bool bKnown = false;
        for (const char* sz : kWithValue)
            bKnown = bKnown || sArg == sz;
        if (!bKnown) {
            sError = "unknown option \"" + sArg + "\"";
            return false;
        }
        if (i + 1 >= vArgs.size()) {
            sError = sArg + " needs a value";
            return false;
        }
        const std::string& sValue = vArgs[++i];
        auto fnNumber = [&](uint32_t dwMax) -> std::optional<uint32_t> {
            uint32_t dwValue = 0;
            if (ParseWholeUInt32(sValue, dwValue) && dwValue <= dwMax)
                return dwValue;
            sError =
                sArg + " takes a number from 0 to " + DecimalText<char>(dwMax) + ", not \"" + sValue + "\"";
            return std::nullopt;
        };
        if (sArg == "--root" || sArg == "--name" || sArg == "--document" || sArg == "--save-image") {
            if (sValue.empty()) {
                sError = sArg + " needs a non-empty value";
                return false;
            }
            if (sArg == "--name" && (sValue.find('/') != std::string::npos || sValue[0] == '.')) {
                sError = "--name must not contain '/' or begin with '.'";
                return false;
            }
            (sArg == "--root"       ? options.sRoot
             : sArg == "--name"     ? options.sName
             : sArg == "--document" ? options.sDocumentPath
                                    : options.device.sSaveImagePath) = sValue;
        } else if (sArg == "--password") {
            options.device.oPassword = sValue;
        } else if (sArg == "--version") {
            if (!ParseWholePackedVersion(sValue, options.device.dwSoftwareVersion)) {
                sError = "--version takes four numbers 0..255 as A.B.C.D, not \"" + sValue + "\"";
                return false;
            }
        } else if (sArg == "--bad-ack") {
            if (!(options.device.oBadAckBlock = fnNumber(4194303)))
                return false;
        } else if (sArg == "--flash-error") {
            if (!(options.device.oFlashError = fnNumber(0xFFFFFFFFu)))
                return false;
        } else if (sArg == "--stray-frame") {
            if (!(options.device.oStrayFrame = fnNumber(0xFFFFFFFFu)))
                return false;
        } else if (sArg == "--unplug-after") {
            auto o = fnNumber(86400 * 365);
            if (!o)
                return false;
            options.iUnplugAfterSeconds = int(*o);
        } else {
            auto o = fnNumber(10000);
            if (!o)
                return false;
            options.device.iTickMs = int(*o);
        }
    }
    return true;
}

} // namespace kov
