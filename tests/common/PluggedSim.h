#pragma once
// A simulated device plugged into a device root and served on its own thread until it is
// unplugged or destroyed; it keeps the device's log lines for tests to count.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/SampleDocument.h"
#include "sim/SimPipeRunner.h"

namespace kov::test {

class CPluggedSim {
public:
    CPluggedSim(const std::string& sRoot, const std::string& sName, SSimDeviceOptions options = {},
                int iReplugMs = 50)
        : m_device(WithLog(std::move(options))), m_runner(m_device, sRoot, sName, iReplugMs)
    {
        EXPECT_TRUE(m_device.LoadDocumentText(SampleDocumentText()));
        m_thread = std::thread([this] { m_runner.Run(); });
    }
    ~CPluggedSim() { Unplug(); }
    CPluggedSim(const CPluggedSim&) = delete;
    CPluggedSim& operator=(const CPluggedSim&) = delete;

    void Unplug()
    {
        m_runner.Stop();
        if (m_thread.joinable())
            m_thread.join();
    }
    int CountLog(std::string_view szPart) const
    {
        std::lock_guard lock(m_pLog->mutex);
        return int(std::count_if(m_pLog->vLines.begin(), m_pLog->vLines.end(),
                                 [&](const std::string& s) { return s.find(szPart) != std::string::npos; }));
    }
    // Waits (boundedly) until every host session the device saw has ended, so that the next
    // host never meets the end of the previous one.
    void WaitSessionsEnded() const
    {
        for (int i = 0; i < 500 && CountLog("session ended") < CountLog("host connected"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    CSimDevice& Device() { return m_device; }

private:
    struct SLog {
        mutable std::mutex mutex;
        std::vector<std::string> vLines;
    };
    // Tests do not wait on a real device's pace: progress and log lines come every 5 ms.
    SSimDeviceOptions WithLog(SSimDeviceOptions options)
    {
        if (options.iTickMs > 5)
            options.iTickMs = 5;
        options.fnLog = [pLog = m_pLog](const std::string& sLine) {
            std::lock_guard lock(pLog->mutex);
            pLog->vLines.push_back(sLine);
        };
        return options;
    }

    std::shared_ptr<SLog> m_pLog = std::make_shared<SLog>();
    CSimDevice m_device;
    CSimPipeRunner m_runner;
    std::thread m_thread;
};

// Repeatable pseudo-random bytes, for firmware images.
inline std::string RandomBytes(size_t n, unsigned uSeed = 7)
{
    std::mt19937 random(uSeed);
    std::string s(n, '\0');
    for (char& ch : s)
        ch = char(random());
    return s;
}

inline std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace kov::test
