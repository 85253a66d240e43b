#include "support/qxProtect.h"

#include "platform/UserProtect.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

bool Base64Decode(const std::string& text, std::string& bytes) {
    if (text.size() % 4 != 0) return false;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        unsigned v = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            if (c == '=' && last && j >= 2 && (j == 3 || text[i + 3] == '=')) {
                ++pad;
                v <<= 6;
                continue;
            }
            const int s = Sextet(c);
            if (s < 0 || pad > 0) return false;
            v = v << 6 | static_cast<unsigned>(s);
        }
        out += static_cast<char>(v >> 16 & 255);
        if (pad < 2) out += static_cast<char>(v >> 8 & 255);
        if (pad < 1) out += static_cast<char>(v & 255);
    }
    bytes = std::move(out);
    return true;
}

bool IsProtectedValue(const std::string& stored) {
    return stored.compare(0, std::string(ProtectedValuePrefix).size(), ProtectedValuePrefix) == 0;
}

std::string ProtectValue(const std::string& plain) {
    return ProtectedValuePrefix + Base64Encode(platform::ProtectForUser(plain));
}

bool UnprotectValue(const std::string& stored, std::string& plain) {
    if (!IsProtectedValue(stored)) {
        plain = stored;
        return true;
    }
    std::string data;
    if (!Base64Decode(stored.substr(std::string(ProtectedValuePrefix).size()), data)) return false;
    return platform::UnprotectForUser(data, plain);
}
