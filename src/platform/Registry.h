#pragma once
// The registry. On POSIX the stand-in keeps keys in a file in a folder that tests choose.
#include <cstdint>
#include <string>

namespace platform {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine };

class TRegistry {
public:
    explicit TRegistry(RootKey root = RootKey::CurrentUser);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(RootKey root);
    // Opens a key below the root ("Software\Microsoft\Windows\CurrentVersion\Run"),
    // creating it when asked; false when it cannot be opened.
    bool OpenKey(const std::string& path, bool canCreate);
    bool OpenKeyReadOnly(const std::string& path);
    void CloseKey();
    bool ValueExists(const std::string& name) const;
    // Empty name: the key's default value. Missing value: empty text. A value of another
    // type raises ERegistryException "Ungültiger Datentyp für '%s'".
    std::string ReadString(const std::string& name) const;
    // Raises ERegistryException "Konnte Daten für '%s' nicht setzen" when it cannot.
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, std::uint32_t value);  // REG_DWORD
    bool DeleteValue(const std::string& name);
    bool DeleteKey(const std::string& path);
    // Names of the subkeys of the open key.
    std::string SubKeyNames() const;  // CR LF separated

private:
    struct Impl;
    Impl* FImpl;
};

// POSIX stand-in: the folder that holds the registry file (tests use a temporary one).
void SetRegistryFolderForTests(const std::string& folder);

}  // namespace platform
