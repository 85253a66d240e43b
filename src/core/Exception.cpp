#include "core/Exception.h"

// __builtin_return_address(0) needs no frame pointers (unlike walking the stack with
// CaptureStackBackTrace on i686), and the constructor is never inlined, so it names the
// instruction after the call in the code that built the exception.
Exception::Exception(std::string message)
    : FMessage(std::move(message)),
      FAddress(reinterpret_cast<std::uintptr_t>(__builtin_extract_return_addr(__builtin_return_address(0)))) {}

void Exception::SetMessage(std::string message) { FMessage = std::move(message); }

namespace rtl {

std::string Format(const char* pattern, std::initializer_list<std::string> args) {
    std::string out;
    if (!pattern) return out;
    auto next = args.begin();
    for (const char* p = pattern; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        char c = p[1];
        if (c == '%') {
            out += '%';
            ++p;
        } else if (c == 's' || c == 'd' || c == 'p' || c == 'x' || c == 'u') {
            if (next != args.end()) out += *next++;
            ++p;
        } else {
            out += '%';
        }
    }
    return out;
}

}  // namespace rtl
