#include "platform/CodeLocation.h"

#include <windows.h>

#include "platform/Paths.h"
#include "platform/win32/Wide.h"

namespace platform {

std::optional<TCodeLocation> LocateCode(std::uintptr_t address) {
    if (address == 0) return std::nullopt;
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(address), &module) ||
        !module)
        return std::nullopt;
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(module, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    if (n == 0 || n >= sizeof path / sizeof path[0]) return std::nullopt;
    TCodeLocation where;
    where.ModuleFileName = ExtractFileName(win32::Narrow(std::wstring(path, n)));
    where.Offset = address - reinterpret_cast<std::uintptr_t>(module);
    return where;
}

}  // namespace platform
