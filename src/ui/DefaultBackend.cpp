#include "ui/Backend.h"
#include "ui/headless/Headless.h"
#ifdef _WIN32
#include "ui/win32/Win32Backend.h"
#endif

std::unique_ptr<ui::TBackend> ui::CreateDefaultBackend() {
#ifdef _WIN32
    return ui::win32::CreateBackend();
#else
    return std::make_unique<ui::headless::THeadless>();
#endif
}
