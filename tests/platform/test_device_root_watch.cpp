#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "common/TestDir.h"
#include "platform/DeviceRootWatch.h"

namespace kov::test {
namespace {

namespace fs = std::filesystem;

class CChangeCounter {
public:
    void Changed()
    {
        std::lock_guard lock(m_mutex);
        ++m_nChanges;
        m_cv.notify_all();
    }
    // Waits (bounded, as a hang detector) for a change after the ones seen so far.
    bool WaitNext()
    {
        std::unique_lock lock(m_mutex);
        const int nSeen = m_nSeen;
        const bool bCame = m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_nChanges > nSeen; });
        m_nSeen = m_nChanges;
        return bCame;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_nChanges = 0;
    int m_nSeen = 0;
};

TEST(DeviceRootWatch, ReportsTheRootAppearingAndDevicesComingAndGoing)
{
    CTestDir dir;
    const fs::path root = dir / "run" / "kov" / "devices";
    CChangeCounter changes;
    CDeviceRootWatch watch;
    ASSERT_TRUE(watch.Start(root.string(), [&] { changes.Changed(); }));

    // The root is made a level at a time, as mkdir -p does.
    fs::create_directories(root);
    EXPECT_TRUE(changes.WaitNext()) << "root appeared";

    // A device is prepared under a hidden name and renamed into place.
    fs::create_directories(root / ".dev-1.tmp");
    fs::rename(root / ".dev-1.tmp", root / "dev-1");
    EXPECT_TRUE(changes.WaitNext()) << "device plugged";
    fs::remove_all(root / "dev-1");
    EXPECT_TRUE(changes.WaitNext()) << "device unplugged";

    // The root goes with its devices and comes back: the watch follows it.
    fs::remove_all(dir / "run");
    EXPECT_TRUE(changes.WaitNext()) << "root removed";
    fs::create_directories(root);
    EXPECT_TRUE(changes.WaitNext()) << "root made again";
    fs::create_directories(root / "dev-2");
    EXPECT_TRUE(changes.WaitNext()) << "device in the new root";

    watch.Stop();
    EXPECT_FALSE(watch.IsRunning());
}

} // namespace
} // namespace kov::test
