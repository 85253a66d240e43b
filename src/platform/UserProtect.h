#pragma once
// Data kept secret for the account that runs the program: on Windows the system's per-user
// data protection (CryptProtectData), so only the same user on the same machine reads it back.
// The POSIX stand-in has the same interface for the tests; it only hides the text from a
// casual look and protects nothing.
#include <string>

namespace platform {

// Raises EOSError when the system refuses (the message never contains the data).
std::string ProtectForUser(const std::string& plain);
// False when the data cannot be read back: another user's, another machine's, or damaged.
bool UnprotectForUser(const std::string& data, std::string& plain);

}  // namespace platform
