// Stand-in mail program for the end-to-end run: it is registered as the default mail client
// in the test's Wine prefix, and all it does is leave a trace that it was started. It appends
// its command line to the file named like the executable with the extension ".started", so
// the run sees from outside that a click on the bar opened the mail program, and how often.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 2;
    std::wstring marker(path, n);
    const size_t dot = marker.find_last_of(L'.');
    if (dot != std::wstring::npos && marker.find_first_of(L"\\/", dot) == std::wstring::npos)
        marker.resize(dot);
    marker += L".started";

    // One line per start, UTF-8, so the run can count the starts and read the arguments.
    const wchar_t* cmd = GetCommandLineW();
    const int len = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, nullptr, 0, nullptr, nullptr);
    std::string line(len > 0 ? static_cast<size_t>(len - 1) : 0, '\0');
    if (len > 1) WideCharToMultiByte(CP_UTF8, 0, cmd, -1, line.data(), len, nullptr, nullptr);
    line += "\r\n";

    HANDLE f = CreateFileW(marker.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    const BOOL ok = WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == line.size() ? 0 : 4;
}
