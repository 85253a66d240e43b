#include "platform/CodeLocation.h"

#include <dlfcn.h>

#include "platform/Paths.h"

namespace platform {

std::optional<TCodeLocation> LocateCode(std::uintptr_t address) {
    if (address == 0) return std::nullopt;
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<const void*>(address), &info) || !info.dli_fname || !info.dli_fbase)
        return std::nullopt;
    TCodeLocation where;
    where.ModuleFileName = ExtractFileName(info.dli_fname);
    where.Offset = address - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    return where;
}

}  // namespace platform
