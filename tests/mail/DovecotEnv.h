#pragma once
// What the tests against the private Dovecot read: its account from the environment, and its
// files on the Unix side.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace dovecotenv {

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A path of the Unix side as this program opens it (under Wine, through drive Z:).
inline std::filesystem::path NativePath(const std::string& p) {
#ifdef _WIN32
    if (!p.empty() && p[0] == '/') {
        std::string w = "Z:" + p;
        std::replace(w.begin(), w.end(), '/', '\\');
        return std::filesystem::path(w);
    }
#endif
    return std::filesystem::path(p);
}

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace dovecotenv
