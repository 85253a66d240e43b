#pragma once
// Shared by the platform tests: a temporary folder per test, environment changes, and
// child processes of the test binary itself for the cross-process cases.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <unistd.h>
#endif

namespace platformtest {

inline std::string Utf8(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// A program path ("\" joins) as the standard library takes it.
inline std::filesystem::path FsPath(std::string utf8) {
#ifndef _WIN32
    for (char& c : utf8)
        if (c == '\\') c = '/';
#endif
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Joins with "\" as program code does; the POSIX implementation must accept it.
inline std::string Join(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), nullptr);
#else
    ::unsetenv(name.c_str());
#endif
}

inline std::string GetEnv(const std::string& name) {
#ifdef _WIN32
    char buffer[4096];
    const DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
#else
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
#endif
}

inline int ProcessId() {
#ifdef _WIN32
    return static_cast<int>(GetCurrentProcessId());
#else
    return static_cast<int>(::getpid());
#endif
}

// A fresh folder below the system's temporary folder, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A folder of an earlier run can outlive it: Windows keeps a link to a running program
        // from being deleted, and process ids repeat. Such a folder is passed over.
        const auto base = std::filesystem::temp_directory_path() /
                          ("skimbar-" + std::string(info->name()) + "-" + std::to_string(ProcessId()) + "-");
        std::error_code ec;
        do {
            FDir = base;
            FDir += std::to_string(++counter);
            std::filesystem::remove_all(FDir, ec);
        } while (std::filesystem::exists(FDir) && counter < 10000);
        std::filesystem::create_directories(FDir);
        Dir = Utf8(FDir);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }
    std::string Path(const std::string& name) const { return Join(Dir, name); }

    std::string Dir;

private:
    std::filesystem::path FDir;
};

// Waits, bounded, until a file holds text; nullopt after the time-out.
inline std::optional<std::string> WaitForFile(const std::string& path, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (auto bytes = platform::ReadFileBytes(path); bytes && !bytes->empty()) return bytes;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

inline std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// Command line that runs one disabled child test of this binary.
inline std::string ChildCommand(const std::string& test, const std::string& exe = platform::ExePath()) {
    return Quote(exe) + " --gtest_filter=" + test + " --gtest_also_run_disabled_tests --gtest_brief=1";
}

// Environment a child test reads its task from.
inline constexpr const char* kChildMarker = "SKIMBAR_TEST_CHILD_MARKER";
inline constexpr const char* kChildName = "SKIMBAR_TEST_CHILD_NAME";

inline constexpr std::chrono::milliseconds kChildTimeout{30000};

}  // namespace platformtest
