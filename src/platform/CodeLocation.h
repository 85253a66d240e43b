#pragma once
// Which loaded module (the executable or a library) holds a code address, for the
// exception log's "in module X at offset" part.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct TCodeLocation {
    std::string ModuleFileName;  // file name without folder ("Skimbar.exe")
    std::uintptr_t Offset = 0;   // address minus the module's load address
};

// Windows: GetModuleHandleEx from the address and GetModuleFileName. POSIX: dladdr.
// nullopt for 0 and for an address no module holds.
std::optional<TCodeLocation> LocateCode(std::uintptr_t address);

}  // namespace platform
