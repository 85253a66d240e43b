#include "ui/UiTestDriver.h"

#if defined(_WIN32) && __has_include("ui/win32/Win32Backend.h")
#define SKIMBAR_WIN32_UI 1
#include "ui/UiWin32Driver.h"
#include "ui/win32/Win32Backend.h"
#endif

namespace uitest {

std::vector<std::string> Backends() {
#ifdef SKIMBAR_WIN32_UI
    return {"headless", "win32"};
#else
    return {"headless"};
#endif
}

std::unique_ptr<ui::TBackend> MakeBackend(const std::string& name) {
#ifdef SKIMBAR_WIN32_UI
    if (name == "win32") return ui::win32::CreateBackend();
#endif
    return std::make_unique<ui::headless::THeadless>();
}

std::unique_ptr<TDriver> MakeDriver(const std::string& name) {
#ifdef SKIMBAR_WIN32_UI
    if (name == "win32") return std::make_unique<TWin32Driver>();
#endif
    return std::make_unique<THeadlessDriver>();
}

}  // namespace uitest
