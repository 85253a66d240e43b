// Stand-in: the text is mixed with a key stream made from the user id and carries a check
// sum, so the same user reads it back, another user or damaged data is refused, and the
// stored form never shows the text. It is no protection against anyone who reads this file.
#include "platform/UserProtect.h"

#include <unistd.h>

#include <cstdint>

namespace platform {

namespace {

constexpr char kMagic[] = "SKP1";

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

std::string Stream(const std::string& bytes) {
    std::string out = bytes;
    std::uint64_t state = Mix(0x536b696d626172ULL ^ static_cast<std::uint64_t>(getuid()));
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i % 8 == 0) state = Mix(state + 0x9e3779b97f4a7c15ULL);
        out[i] = static_cast<char>(out[i] ^ static_cast<char>(state >> (8 * (i % 8))));
    }
    return out;
}

std::string Check(const std::string& plain) {
    std::uint64_t h = 0xcbf29ce484222325ULL ^ static_cast<std::uint64_t>(getuid());
    for (unsigned char c : plain) h = (h ^ c) * 0x100000001b3ULL;
    h = Mix(h);
    return std::string(reinterpret_cast<const char*>(&h), 4);
}

}  // namespace

std::string ProtectForUser(const std::string& plain) {
    return std::string(kMagic) + Stream(Check(plain) + plain);
}

bool UnprotectForUser(const std::string& data, std::string& plain) {
    const std::string magic(kMagic);
    if (data.size() < magic.size() + 4 || data.compare(0, magic.size(), magic) != 0) return false;
    const std::string inner = Stream(data.substr(magic.size()));
    std::string text = inner.substr(4);
    if (inner.compare(0, 4, Check(text)) != 0) return false;
    plain = std::move(text);
    return true;
}

}  // namespace platform
