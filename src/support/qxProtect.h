#pragma once
// Settings values kept secret for the current user: stored as "dpapi:" + Base64 of the
// system's per-user protected data. A stored value without that prefix is plain text
// written by an older version; it is read as it is and written protected at the next save.
#include <string>

#include "core/Exception.h"

SKIMBAR_EXCEPTION(EProtectedValueError, Exception);

inline constexpr const char* ProtectedValuePrefix = "dpapi:";

bool IsProtectedValue(const std::string& stored);
// The stored form of a text; raises EOSError when the system refuses.
std::string ProtectValue(const std::string& plain);
// The text of a stored value: protected ones are decrypted, plain ones returned unchanged.
// False when a protected value cannot be read back (another user, another machine, damage).
bool UnprotectValue(const std::string& stored, std::string& plain);

std::string Base64Encode(const std::string& bytes);
// False on characters outside the alphabet or a wrong length.
bool Base64Decode(const std::string& text, std::string& bytes);
