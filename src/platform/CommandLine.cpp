#include "platform/Process.h"

#include <mutex>
#include <optional>

#include "platform/NativeProcess.h"
#include "platform/Paths.h"

namespace platform {

namespace {
std::mutex gArgsMutex;
std::optional<std::vector<std::string>> gArgsOverride;

std::vector<std::string> Arguments() {
    {
        std::lock_guard<std::mutex> lock(gArgsMutex);
        if (gArgsOverride) return *gArgsOverride;
    }
    return native::Arguments();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> SplitFrom(const std::string& s, std::size_t i, std::vector<std::string> out) {
    for (;;) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        if (i >= s.size()) return out;
        std::string arg;
        bool quoted = false;
        while (i < s.size() && (quoted || !IsBlank(s[i]))) {
            if (s[i] == '\\') {
                std::size_t n = 0;
                while (i < s.size() && s[i] == '\\') {
                    ++n;
                    ++i;
                }
                if (i < s.size() && s[i] == '"') {
                    arg.append(n / 2, '\\');
                    if (n % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(n, '\\');
                }
            } else if (s[i] == '"') {
                if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += s[i++];
            }
        }
        out.push_back(std::move(arg));
    }
}
}  // namespace

std::vector<std::string> SplitArguments(const std::string& arguments) { return SplitFrom(arguments, 0, {}); }

std::vector<std::string> SplitCommandLine(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) return {};
    std::string program;
    if (s[i] == '"') {
        const std::size_t close = s.find('"', i + 1);
        program = s.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        i = close == std::string::npos ? s.size() : close + 1;
    } else {
        while (i < s.size() && !IsBlank(s[i])) program += s[i++];
    }
    return SplitFrom(s, i, {std::move(program)});
}

int ParamCount() {
    const auto args = Arguments();
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

std::string ParamStr(int index) {
    if (index == 0) {
        std::lock_guard<std::mutex> lock(gArgsMutex);
        if (!gArgsOverride) return ExePath();
    }
    const auto args = Arguments();
    if (index < 0 || static_cast<std::size_t>(index) >= args.size()) return {};
    return args[static_cast<std::size_t>(index)];
}

void SetCommandLineForTests(const std::string& programAndArgs) {
    std::lock_guard<std::mutex> lock(gArgsMutex);
    if (programAndArgs.empty())
        gArgsOverride.reset();
    else
        gArgsOverride = SplitCommandLine(programAndArgs);
}

}  // namespace platform
