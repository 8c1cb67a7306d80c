#pragma once
// A private folder for one test, removed with its contents when the test ends. CTest runs
// tests in parallel processes, so every test gets a folder no other test can share.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kov::test {

class CTestDir {
public:
    CTestDir()
    {
        static std::atomic<int> s_iNext{0};
        std::string sName = "kov-test";
        if (const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info())
            sName += std::string("-") + pInfo->test_suite_name() + "." + pInfo->name();
        for (char& ch : sName)
            if (ch == '/')
                ch = '_';
        sName += "-" + std::to_string(::getpid()) + "-" + std::to_string(s_iNext++);
        m_path = std::filesystem::temp_directory_path() / sName;
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
        std::filesystem::create_directories(m_path);
    }
    ~CTestDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CTestDir(const CTestDir&) = delete;
    CTestDir& operator=(const CTestDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string String() const { return m_path.string(); }
    std::filesystem::path operator/(std::string_view szName) const { return m_path / szName; }

private:
    std::filesystem::path m_path;
};

// The permission bits of what is at path (of a symbolic link itself); 0 when nothing is there.
inline unsigned FileMode(const std::filesystem::path& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0u;
}

} // namespace kov::test
