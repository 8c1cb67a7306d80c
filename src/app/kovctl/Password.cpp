#include "app/kovctl/Password.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace kov {

bool TakePasswordOption(const std::vector<std::string>& args, size_t& i, SPasswordArgs& out, bool& bOk)
{
    const std::string& s = args[i];
    if (s != "--password" && s != "--password-file")
        return false;
    bOk = i + 1 < args.size() && !out.oPassword && !out.oFile;
    if (bOk)
        (s == "--password" ? out.oPassword : out.oFile) = args[++i];
    return true;
}

bool ResolvePassword(const SPasswordArgs& args, std::optional<std::string>& oPassword, std::string& sError)
{
    if (args.oPassword) {
        oPassword = args.oPassword;
        return true;
    }
    if (args.oFile) {
        std::ifstream file(*args.oFile, std::ios::binary);
        std::string sLine;
        if (!file || (!std::getline(file, sLine) && !file.eof())) {
            sError = "cannot read the password file " + *args.oFile + " (" + std::strerror(errno) + ")";
            return false;
        }
        if (sLine.starts_with("\xEF\xBB\xBF"))
            sLine.erase(0, 3);
        if (!sLine.empty() && sLine.back() == '\r')
            sLine.pop_back();
        oPassword = std::move(sLine);
        return true;
    }
    if (const char* szPassword = std::getenv(kPasswordVariable); szPassword && *szPassword)
        oPassword = std::string(szPassword);
    return true;
}

} // namespace kov
