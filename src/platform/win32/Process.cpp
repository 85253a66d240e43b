#include "platform/Process.h"
#include "platform/NativeProcess.h"

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

std::vector<std::string> native::Arguments() {
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!argv) return args;
    for (int i = 0; i < n; ++i) args.push_back(Narrow(argv[i], wcslen(argv[i])));
    LocalFree(argv);
    return args;
}

}  // namespace platform
