// Where kovctl takes a device's configuration password from, besides its command line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "KovctlTestKit.h"

namespace kov::test {
namespace {

class KovctlPassword : public CKovctlTest {
protected:
    void SetUp() override
    {
        SSimDeviceOptions options;
        options.oPassword = "s3cret";
        Plug(std::move(options));
    }
    std::string PasswordFile(const std::string& sBytes)
    {
        std::ofstream(File("pw"), std::ios::binary) << sBytes;
        return " --password-file '" + File("pw") + "'";
    }
};

TEST_F(KovctlPassword, FileAndEnvironmentAnswerTheDeviceInTheirOrder)
{
    // The first line of the file, without its line end; a UTF-8 mark is no part of it.
    for (const char* szFile : {"s3cret\n", "s3cret\r\nnext line\n", "\xEF\xBB\xBFs3cret"}) {
        EXPECT_EQ(Run("read" + PasswordFile(szFile)), 0) << szFile << Err();
    }
    EXPECT_EQ(Run("reset-parameters", "KOV_PASSWORD=s3cret "), 0) << Err();
    EXPECT_EQ(CountLog("wrong password"), 0);
    // An option given says what the operator meant: it goes before the environment.
    EXPECT_EQ(Run("read" + PasswordFile("s3cret\n"), "KOV_PASSWORD=nope "), 0);
    EXPECT_EQ(Run("disable-console --password s3cret", "KOV_PASSWORD=nope "), 0);
    EXPECT_EQ(Run("read" + PasswordFile("nope\ns3cret\n")), 1);
    EXPECT_NE(Err().find("The device did not accept the password"), std::string::npos);
    EXPECT_EQ(CountLog("wrong password"), 1);

    // Nothing given and no terminal: the ways to give it are named.
    EXPECT_EQ(Run("read", "KOV_PASSWORD= "), 1);
    EXPECT_NE(Err().find("give it with --password-file FILE, KOV_PASSWORD or --password PW"),
              std::string::npos)
        << Err();
    // A file that cannot be read stops the command before the device is disturbed.
    const int nSessions = CountLog("host connected");
    EXPECT_EQ(Run("read --password-file '" + File("missing") + "'"), 1);
    EXPECT_EQ(Err().rfind("kovctl: cannot read the password file " + File("missing"), 0), 0u) << Err();
    EXPECT_EQ(CountLog("host connected"), nSessions);
    for (const char* szArgs : {"read --password a --password-file b", "program f --password-file",
                               "log --password-file a --password-file b"}) {
        EXPECT_EQ(Run(szArgs), 2) << szArgs;
        EXPECT_NE(Err().find("[--password-file FILE | --password PW]"), std::string::npos) << szArgs;
    }
}

// A terminal for kovctl's input: the test types at the master side and sees what it echoes.
class CPseudoTerminal {
public:
    CPseudoTerminal()
    {
        m_iMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_iMaster >= 0 && ::grantpt(m_iMaster) == 0 && ::unlockpt(m_iMaster) == 0)
            m_sSlave = ::ptsname(m_iMaster);
        // Held open here too, so what the terminal echoes stays readable after kovctl ends.
        if (!m_sSlave.empty())
            m_iSlave = ::open(m_sSlave.c_str(), O_RDWR | O_NOCTTY);
    }
    ~CPseudoTerminal()
    {
        if (m_iSlave >= 0)
            ::close(m_iSlave);
        if (m_iMaster >= 0)
            ::close(m_iMaster);
    }
    bool Valid() const { return m_iSlave >= 0; }
    const std::string& Slave() const { return m_sSlave; }
    void Type(const std::string& s) { EXPECT_EQ(::write(m_iMaster, s.data(), s.size()), ssize_t(s.size())); }
    // Everything the terminal showed so far.
    std::string Shown()
    {
        std::string sShown;
        ::fcntl(m_iMaster, F_SETFL, O_NONBLOCK);
        char aBuffer[256];
        for (ssize_t n; (n = ::read(m_iMaster, aBuffer, sizeof aBuffer)) > 0;)
            sShown.append(aBuffer, size_t(n));
        return sShown;
    }
    bool Echoes() const
    {
        termios mode{};
        return ::tcgetattr(m_iSlave, &mode) == 0 && (mode.c_lflag & ECHO);
    }

private:
    int m_iMaster = -1;
    int m_iSlave = -1;
    std::string m_sSlave;
};

TEST_F(KovctlPassword, AskedAtATerminalWithoutEcho)
{
    CPseudoTerminal terminal;
    ASSERT_TRUE(terminal.Valid());
    ASSERT_TRUE(terminal.Echoes());
    auto fnRunAtTerminal = [&](const std::string& sTyped) {
        // The last run's prompt must not be taken for this one's: typed before this run turns
        // echo off, the line would be flushed away and the run would wait for ever.
        std::ofstream(File("err"), std::ios::trunc).flush();
        int iExit = -1;
        std::thread run([&] {
            const std::string sCommand = "'" KOVCTL_PATH "' --device-root '" + m_sRoot + "' read <'" +
                                         terminal.Slave() + "' >'" + File("out") + "' 2>'" + File("err") +
                                         "'";
            const int iStatus = std::system(sCommand.c_str());
            iExit = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
        });
        // Typed once the prompt is there: before it, the terminal would still echo.
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Err().find("Configuration password: ") == std::string::npos &&
               std::chrono::steady_clock::now() < tEnd)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        terminal.Type(sTyped);
        run.join();
        m_pSim->WaitSessionsEnded();
        return iExit;
    };

    ASSERT_EQ(fnRunAtTerminal("s3cret\n"), 0) << Err();
    EXPECT_EQ(Err(), "Connected to device\nConfiguration password: \nParameters loaded\n");
    EXPECT_NE(Out().find("<kov:CaptureDeviceConfig"), std::string::npos);
    EXPECT_EQ(terminal.Shown().find("s3cret"), std::string::npos);
    EXPECT_TRUE(terminal.Echoes()); // left as it was found

    // End of input instead of a password: nothing is sent, and the operator is told how.
    EXPECT_EQ(fnRunAtTerminal("\x04"), 1);
    EXPECT_NE(Err().find("asks for its configuration password"), std::string::npos) << Err();
    EXPECT_EQ(CountLog("wrong password"), 0);
    EXPECT_TRUE(terminal.Echoes());
}

} // namespace
} // namespace kov::test
