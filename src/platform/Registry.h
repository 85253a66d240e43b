#pragma once
// The registry (the W forms of the API, so names and values are Unicode; text is UTF-8 here).
// On POSIX the stand-in keeps each root's keys in a text file in a folder: the one given to
// SetRegistryFolderForTests, else $SKIMBAR_REGISTRY_DIR, else $HOME/.skimbar-registry.
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
    // Opens a key ("Software\Microsoft\Windows\CurrentVersion\Run"), creating it when asked;
    // false when it cannot be opened, and the open key stays as it was. A path starting with
    // "\" is below the root; another is below the open key, or the root when none is open.
    // OpenKey asks for full access, OpenKeyReadOnly for reading only.
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
    // Deletes a key with everything below it (path taken as in OpenKey).
    bool DeleteKey(const std::string& path);
    bool KeyExists(const std::string& path) const;
    // Names of the subkeys of the open key.
    std::string SubKeyNames() const;  // CR LF separated

private:
    struct Impl;
    Impl* FImpl;
};

// POSIX stand-in: the folder that holds the registry file (tests use a temporary one).
void SetRegistryFolderForTests(const std::string& folder);

}  // namespace platform
