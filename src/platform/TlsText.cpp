// The parts of TLS that are the same everywhere: the certificate fingerprint and PEM text.
#include <cstdint>

#include "platform/Tls.h"

namespace platform::tls {

namespace {

constexpr std::uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void Block(std::uint32_t h[8], const unsigned char* p) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t(p[4 * i]) << 24 | std::uint32_t(p[4 * i + 1]) << 16 | std::uint32_t(p[4 * i + 2]) << 8 |
               std::uint32_t(p[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = k + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + K[i] + w[i];
        const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += k;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Base64 of PEM text: letters, digits, "+" and "/"; -1 for line breaks and padding.
int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

}  // namespace

bool IsAddressLiteral(const std::string& name) {
    int dots = 0;
    for (char c : name) {
        if (c == '.') ++dots;
        else if (c < '0' || c > '9') return false;
    }
    return dots == 3;
}

std::string Sha256(std::string_view bytes) {
    std::uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                          0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) Block(h, data + i);
    unsigned char tail[128] = {};
    const std::size_t rest = n - i;
    for (std::size_t j = 0; j < rest; ++j) tail[j] = data[i + j];
    tail[rest] = 0x80;
    const std::size_t tailSize = rest < 56 ? 64 : 128;
    const std::uint64_t bits = static_cast<std::uint64_t>(n) * 8;
    for (int j = 0; j < 8; ++j) tail[tailSize - 1 - j] = static_cast<unsigned char>(bits >> (8 * j));
    Block(h, tail);
    if (tailSize == 128) Block(h, tail + 64);
    std::string out(32, '\0');
    for (int j = 0; j < 32; ++j) out[static_cast<std::size_t>(j)] = static_cast<char>(h[j / 4] >> (24 - 8 * (j % 4)));
    return out;
}

std::string FingerprintText(std::string_view digest) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        if (i > 0) out += ':';
        const auto b = static_cast<unsigned char>(digest[i]);
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string NormalizeFingerprint(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ':' || c == ' ' || c == '\t') continue;
        if (HexDigit(c) < 0) return std::string();
        out += static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c);
    }
    return out.size() == 64 ? out : std::string();
}

std::string PemToDer(const std::string& pem) {
    const std::string begin = "-----BEGIN CERTIFICATE-----";
    const std::size_t start = pem.find(begin);
    if (start == std::string::npos) return std::string();
    const std::size_t end = pem.find("-----END CERTIFICATE-----", start);
    if (end == std::string::npos) return std::string();
    std::string der;
    std::uint32_t acc = 0;
    int bits = 0;
    for (std::size_t i = start + begin.size(); i < end; ++i) {
        const int v = Base64Digit(pem[i]);
        if (v < 0) continue;  // line breaks and the "=" padding
        acc = (acc << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            der += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return der;
}

}  // namespace platform::tls
