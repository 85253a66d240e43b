#pragma once
// A program started by a test, with its process id, a bounded wait for its end and its exit
// code. Its output goes to a file of the test's choice. Still running at destruction, it is
// killed.
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "core/Text.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace supporttest {

class TChildProcess {
public:
    TChildProcess() = default;
    ~TChildProcess() { Kill(); }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Start(const std::string& exe, const std::vector<std::string>& args, const std::string& outputFile) {
#ifdef _WIN32
        std::string command = "\"" + exe + "\"";
        for (const std::string& a : args) command += " \"" + a + "\"";
        std::u16string c16 = text::Utf8ToUtf16(command);
        std::wstring cmd(c16.begin(), c16.end());
        std::u16string o16 = text::Utf8ToUtf16(outputFile);
        std::wstring out(o16.begin(), o16.end());
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE log = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (log != INVALID_HANDLE_VALUE) {
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = log;
            si.hStdError = log;
            si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        }
        PROCESS_INFORMATION pi{};
        const BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
        if (!ok) return false;
        CloseHandle(pi.hThread);
        FProcess = pi.hProcess;
        FPid = static_cast<int>(pi.dwProcessId);
        return true;
#else
        std::vector<std::string> all{exe};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = 0;
        const int rc = ::posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return false;
        FPid = pid;
        return true;
#endif
    }

    int Pid() const { return FPid; }

    // The exit code once the process has ended, waiting at most limit; nullopt while it runs.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        if (FExit) return FExit;
#ifdef _WIN32
        if (!FProcess) return std::nullopt;
        if (WaitForSingleObject(FProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(FProcess, &code);
        CloseHandle(FProcess);
        FProcess = nullptr;
        FExit = static_cast<int>(code);
#else
        if (FPid <= 0) return std::nullopt;
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            int status = 0;
            const pid_t r = ::waitpid(FPid, &status, WNOHANG);
            if (r == FPid) {
                FExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (r < 0 || std::chrono::steady_clock::now() >= end) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
#endif
        return FExit;
    }
    bool Running() { return !Wait(std::chrono::milliseconds(0)).has_value() && Started(); }
    bool Started() const {
#ifdef _WIN32
        return FProcess != nullptr || FExit.has_value();
#else
        return FPid > 0;
#endif
    }

    void Kill() {
        if (FExit || !Started()) return;
#ifdef _WIN32
        TerminateProcess(FProcess, 99);
#else
        ::kill(FPid, SIGKILL);
#endif
        Wait(std::chrono::milliseconds(10000));
    }

private:
    int FPid = 0;
    std::optional<int> FExit;
#ifdef _WIN32
    HANDLE FProcess = nullptr;
#endif
};

}  // namespace supporttest
