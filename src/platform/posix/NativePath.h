#pragma once
// Program code joins paths with "\" as on Windows; POSIX calls need "/".
#include <string>

namespace platform::posix {

inline std::string NativePath(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

}  // namespace platform::posix
