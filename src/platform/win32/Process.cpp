#include "platform/Process.h"

#include <mutex>
#include <optional>

#include "platform/Paths.h"
#include "platform/win32/Wide.h"

#include <shellapi.h>

// Ours, not the macro of windows.h; the Win32 call is named with "::".
#undef ExpandEnvironmentStrings

namespace platform {

using win32::Narrow;
using win32::Widen;

namespace {

std::mutex gMutex;
std::optional<std::vector<std::string>> gArgsOverride;

std::vector<std::string> RealArguments() {
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!argv) return args;
    for (int i = 0; i < n; ++i) args.push_back(Narrow(argv[i], wcslen(argv[i])));
    LocalFree(argv);
    return args;
}

std::vector<std::string> Arguments() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gArgsOverride) return *gArgsOverride;
    }
    return RealArguments();
}

}  // namespace

std::string ExpandEnvironmentStrings(const std::string& text) {
    const std::wstring source = Widen(text);
    DWORD size = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        std::wstring buffer(size, L'\0');
        const DWORD got = ::ExpandEnvironmentStringsW(source.c_str(), buffer.data(), size);
        if (got == 0) break;
        if (got <= size) return Narrow(buffer.c_str(), wcslen(buffer.c_str()));
        size = got;  // the environment changed in between
    }
    return text;
}

unsigned WinExec(const std::string& commandLine, int showCommand) {
    // CreateProcessW parses the line as WinExec does (unquoted paths with blanks included)
    // and keeps Unicode paths intact.
    std::wstring line = Widen(commandLine);
    if (line.find_first_not_of(L" \t") == std::wstring::npos) return ERROR_FILE_NOT_FOUND;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        const DWORD err = GetLastError();
        if (err == ERROR_BAD_EXE_FORMAT) return ERROR_BAD_FORMAT;
        if (err == ERROR_NOT_ENOUGH_MEMORY || err == ERROR_OUTOFMEMORY) return 0;
        return err < 32 ? err : ERROR_GEN_FAILURE;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 33;
}

int ParamCount() {
    const auto args = Arguments();
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

std::string ParamStr(int index) {
    if (index == 0) {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!gArgsOverride) return ExePath();
    }
    const auto args = Arguments();
    if (index < 0 || static_cast<std::size_t>(index) >= args.size()) return {};
    return args[static_cast<std::size_t>(index)];
}

void SetCommandLineForTests(const std::string& programAndArgs) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (programAndArgs.empty())
        gArgsOverride.reset();
    else
        gArgsOverride = SplitCommandLine(programAndArgs);
}

}  // namespace platform
