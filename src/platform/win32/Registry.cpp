#include "platform/Registry.h"

#include <vector>

#include "core/Exception.h"
#include "platform/win32/Wide.h"

namespace platform {

using win32::Narrow;
using win32::Widen;

struct TRegistry::Impl {
    RootKey Root = RootKey::CurrentUser;
    HKEY Key = nullptr;

    HKEY RootHandle() const {
        switch (Root) {
            case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
            case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
            case RootKey::CurrentUser: break;
        }
        return HKEY_CURRENT_USER;
    }
    // The key a path is taken below, and the path as the API wants it.
    HKEY Base(std::string& path) const {
        const bool relative = path.empty() || path[0] != '\\';
        if (!relative) path.erase(0, 1);
        while (!path.empty() && path.back() == '\\') path.pop_back();
        return relative && Key ? Key : RootHandle();
    }
    void Close() {
        if (Key) RegCloseKey(Key);
        Key = nullptr;
    }
};

TRegistry::TRegistry(RootKey root) : FImpl(new Impl) { FImpl->Root = root; }

TRegistry::~TRegistry() {
    FImpl->Close();
    delete FImpl;
}

void TRegistry::SetRootKey(RootKey root) {
    FImpl->Close();
    FImpl->Root = root;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    std::string p = path;
    HKEY base = FImpl->Base(p);
    HKEY key = nullptr;
    LONG rc;
    if (canCreate)
        rc = RegCreateKeyExW(base, Widen(p).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr);
    else
        rc = RegOpenKeyExW(base, Widen(p).c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return false;
    FImpl->Close();
    FImpl->Key = key;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
    std::string p = path;
    HKEY base = FImpl->Base(p);
    HKEY key = nullptr;
    if (RegOpenKeyExW(base, Widen(p).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    FImpl->Close();
    FImpl->Key = key;
    return true;
}

void TRegistry::CloseKey() { FImpl->Close(); }

bool TRegistry::ValueExists(const std::string& name) const {
    if (!FImpl->Key) return false;
    return RegQueryValueExW(FImpl->Key, Widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!FImpl->Key) return {};
    const std::wstring w = Widen(name);
    // The value may grow between the size query and the read: retry with the new size.
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0, size = 0;
        LONG rc = RegQueryValueExW(FImpl->Key, w.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw ERegistryException(rtl::Format(rtl::SInvalidRegType, {name}));
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        rc = RegQueryValueExW(FImpl->Key, w.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return {};
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw ERegistryException(rtl::Format(rtl::SInvalidRegType, {name}));
        // Stored data need not end with a NUL, or may hold several.
        std::size_t length = got / sizeof(wchar_t);
        for (std::size_t i = 0; i < length; ++i)
            if (buffer[i] == L'\0') {
                length = i;
                break;
            }
        return Narrow(buffer.data(), length);
    }
    return {};
}

namespace {
void SetValue(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    if (!key || RegSetValueExW(key, Widen(name).c_str(), 0, type, data, size) != ERROR_SUCCESS)
        throw ERegistryException(rtl::Format(rtl::SRegSetDataFailed, {name}));
}
void SetText(HKEY key, const std::string& name, DWORD type, const std::string& value) {
    const std::wstring w = Widen(value);
    SetValue(key, name, type, reinterpret_cast<const BYTE*>(w.c_str()),
             static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)));
}
}  // namespace

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    SetText(FImpl->Key, name, REG_SZ, value);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    SetText(FImpl->Key, name, REG_EXPAND_SZ, value);
}

void TRegistry::WriteInteger(const std::string& name, std::uint32_t value) {
    const DWORD v = value;
    SetValue(FImpl->Key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

bool TRegistry::DeleteValue(const std::string& name) {
    return FImpl->Key && RegDeleteValueW(FImpl->Key, Widen(name).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::string& path) {
    std::string p = path;
    HKEY base = FImpl->Base(p);
    if (p.empty()) return false;  // never the open key or the root itself
    return RegDeleteTreeW(base, Widen(p).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& path) const {
    std::string p = path;
    HKEY base = FImpl->Base(p);
    HKEY key = nullptr;
    if (RegOpenKeyExW(base, Widen(p).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string TRegistry::SubKeyNames() const {
    std::string out;
    if (!FImpl->Key) return out;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(FImpl->Key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return out;
    std::vector<wchar_t> name(longest + 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(FImpl->Key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        if (!out.empty()) out += "\r\n";
        out += Narrow(name.data(), length);
    }
    return out;
}

void SetRegistryFolderForTests(const std::string&) {}  // the real registry needs no folder

}  // namespace platform
