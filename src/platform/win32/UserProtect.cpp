#include "platform/UserProtect.h"

#include <windows.h>
#include <wincrypt.h>

#include "core/Exception.h"

namespace platform {

namespace {

// Ties the data to this program, so another program's protected data is not taken for ours.
constexpr char kEntropy[] = "Skimbar password";

DATA_BLOB Blob(const std::string& bytes) {
    DATA_BLOB b;
    b.cbData = static_cast<DWORD>(bytes.size());
    b.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    return b;
}

// The entropy blob points into the constant itself, which lives as long as the program.
DATA_BLOB Entropy() {
    DATA_BLOB b;
    b.cbData = static_cast<DWORD>(sizeof kEntropy - 1);
    b.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy));
    return b;
}

std::string TakeBlob(DATA_BLOB& b) {
    std::string out(reinterpret_cast<const char*>(b.pbData), b.cbData);
    SecureZeroMemory(b.pbData, b.cbData);
    LocalFree(b.pbData);
    b.pbData = nullptr;
    return out;
}

}  // namespace

std::string ProtectForUser(const std::string& plain) {
    DATA_BLOB in = Blob(plain);
    DATA_BLOB entropy = Entropy();
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"Skimbar", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        throw EOSError("Systemfehler. Code: " + std::to_string(GetLastError()) +
                       ". Data protection for the current user failed");
    return TakeBlob(out);
}

bool UnprotectForUser(const std::string& data, std::string& plain) {
    DATA_BLOB in = Blob(data);
    DATA_BLOB entropy = Entropy();
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return false;
    plain = TakeBlob(out);
    return true;
}

}  // namespace platform
