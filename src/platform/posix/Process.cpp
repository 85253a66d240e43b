#include "platform/Process.h"
#include "platform/NativeProcess.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "core/Text.h"
#include "platform/Paths.h"
#include "platform/posix/NativePath.h"

extern char** environ;

namespace platform {

namespace {

std::optional<std::string> LookupVariable(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (const char* v = std::getenv(name.c_str())) return std::string(v);
    // Windows compares variable names without regard to case.
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::size_t eq = entry.find('=');
        if (eq != std::string::npos && text::SameText(entry.substr(0, eq), name)) return entry.substr(eq + 1);
    }
    return std::nullopt;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(posix::NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

unsigned WinExecError(int err) {
    switch (err) {
        case ENOENT: return 2;   // ERROR_FILE_NOT_FOUND
        case ENOTDIR: return 3;  // ERROR_PATH_NOT_FOUND
        case EACCES:
        case EPERM: return 5;     // ERROR_ACCESS_DENIED
        case ENOEXEC: return 11;  // ERROR_BAD_FORMAT
        case ENOMEM: return 0;
        default: return 31;  // ERROR_GEN_FAILURE
    }
}


}  // namespace

std::string ExpandEnvironmentStrings(const std::string& s) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t open = s.find('%', i);
        if (open == std::string::npos) break;
        const std::size_t close = s.find('%', open + 1);
        if (close == std::string::npos) break;
        out.append(s, i, open - i);
        if (auto value = LookupVariable(s.substr(open + 1, close - open - 1))) {
            out += *value;
            i = close + 1;
        } else {
            // Unknown: the reference stays as it stands, closing "%" included.
            out.append(s, open, close - open + 1);
            i = close + 1;
        }
    }
    out.append(s, i, std::string::npos);
    return out;
}

unsigned WinExec(const std::string& commandLine, int) {
    std::size_t i = 0;
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i >= commandLine.size()) return 2;

    std::string program;
    std::size_t argsAt = commandLine.size();
    if (commandLine[i] == '"') {
        const std::size_t close = commandLine.find('"', i + 1);
        program = commandLine.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        argsAt = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        // An unquoted path with blanks: the first prefix ending at a blank that names a file.
        std::size_t firstBlank = std::string::npos;
        for (std::size_t j = i; j <= commandLine.size(); ++j) {
            if (j < commandLine.size() && !IsBlank(commandLine[j])) continue;
            if (firstBlank == std::string::npos) firstBlank = j;
            if (IsRegularFile(commandLine.substr(i, j - i))) {
                program = commandLine.substr(i, j - i);
                argsAt = j;
                break;
            }
        }
        if (program.empty()) {
            program = commandLine.substr(i, firstBlank - i);
            argsAt = firstBlank;
        }
    }
    if (program.empty()) return 2;

    std::vector<std::string> args = SplitArguments(argsAt < commandLine.size() ? commandLine.substr(argsAt) : "");
    const bool searchPath = program.find('/') == std::string::npos && program.find('\\') == std::string::npos;
    const std::string path = posix::NativePath(program);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc = searchPath ? ::posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ)
                              : ::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return WinExecError(rc);
    // Nobody waits for the program; a waiter thread keeps it from lingering as a zombie.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 33;
}

std::vector<std::string> native::Arguments() {
    std::vector<std::string> args;
    FILE* f = std::fopen("/proc/self/cmdline", "rb");
    if (!f) return args;
    std::string all;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) all.append(buffer, n);
    std::fclose(f);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

}  // namespace platform
