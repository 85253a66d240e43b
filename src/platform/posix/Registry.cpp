// Registry stand-in: one text file per root key in the registry folder, read on every call
// and replaced atomically on every change (flock-guarded, so processes can share it).
// A file holds lines
//   key "Software\\Classes\\mailto"
//   value "" sz "the default value"
//   value "Count" dword 12
// with C-style escapes in the quoted texts; key and value names compare without regard to
// case, as the registry does.
#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "core/Exception.h"
#include "core/Text.h"
#include "platform/Files.h"
#include "platform/posix/NativePath.h"

namespace platform {

namespace {

std::mutex gFolderMutex;
std::string gFolderOverride;

std::string RegistryFolder() {
    {
        std::lock_guard<std::mutex> lock(gFolderMutex);
        if (!gFolderOverride.empty()) return posix::NativePath(gFolderOverride);
    }
    if (const char* dir = std::getenv("SKIMBAR_REGISTRY_DIR"); dir && *dir) return posix::NativePath(dir);
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.skimbar-registry";
}

const char* RootName(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RootKey::CurrentUser: break;
    }
    return "HKEY_CURRENT_USER";
}

enum class ValueType { Sz, ExpandSz, Dword };

struct Value {
    std::string Name;
    ValueType Type = ValueType::Sz;
    std::string Data;  // text, or the decimal number of a DWORD
};

struct Key {
    std::vector<std::string> Path;  // components below the root
    std::vector<Value> Values;
};

using Hive = std::vector<Key>;

// Splits "A\B\C" into its names; a leading or trailing "\" is dropped, an empty name inside
// ("A\\B") makes the path invalid, as the registry refuses it.
bool SplitPath(const std::string& path, std::vector<std::string>& out) {
    std::size_t begin = 0, end = path.size();
    if (begin < end && path[begin] == '\\') ++begin;
    while (end > begin && path[end - 1] == '\\') --end;
    out.clear();
    if (begin == end) return true;
    std::size_t start = begin;
    for (std::size_t i = begin; i <= end; ++i) {
        if (i == end || path[i] == '\\') {
            if (i == start) return false;
            out.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return true;
}

bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b, std::size_t n) {
    if (a.size() < n || b.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!text::SameText(a[i], b[i])) return false;
    return true;
}

bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return a.size() == b.size() && SamePath(a, b, a.size());
}

std::string Quote(const std::string& s) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// Reads a quoted text at pos; false when the line is malformed.
bool Unquote(const std::string& line, std::size_t& pos, std::string& out) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || line[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        char c = line[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size()) return false;
        c = line[pos++];
        switch (c) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (pos + 2 > line.size() || !std::isxdigit(static_cast<unsigned char>(line[pos])) ||
                    !std::isxdigit(static_cast<unsigned char>(line[pos + 1])))
                    return false;
                out += static_cast<char>(std::stoi(line.substr(pos, 2), nullptr, 16));
                pos += 2;
                break;
            }
            default: out += c;
        }
    }
    return false;
}

std::string Word(const std::string& line, std::size_t& pos) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
    return line.substr(start, pos - start);
}

std::string JoinPath(const std::vector<std::string>& path) {
    std::string out;
    for (const auto& name : path) out += (out.empty() ? "" : "\\") + name;
    return out;
}

Hive Parse(const std::string& bytes) {
    Hive hive;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        std::size_t pos = 0;
        const std::string kind = Word(line, pos);
        std::string a;
        if (kind == "key" && Unquote(line, pos, a)) {
            Key key;
            if (SplitPath(a, key.Path)) hive.push_back(std::move(key));
        } else if (kind == "value" && !hive.empty() && Unquote(line, pos, a)) {
            Value v;
            v.Name = a;
            const std::string type = Word(line, pos);
            if (type == "sz" || type == "expand") {
                v.Type = type == "sz" ? ValueType::Sz : ValueType::ExpandSz;
                if (!Unquote(line, pos, v.Data)) continue;
            } else if (type == "dword") {
                v.Type = ValueType::Dword;
                v.Data = Word(line, pos);
            } else {
                continue;
            }
            hive.back().Values.push_back(std::move(v));
        }
    }
    return hive;
}

std::string Serialise(const Hive& hive) {
    std::string out;
    for (const Key& key : hive) {
        out += "key " + Quote(JoinPath(key.Path)) + "\n";
        for (const Value& v : key.Values) {
            out += "value " + Quote(v.Name) + " ";
            switch (v.Type) {
                case ValueType::Sz: out += "sz " + Quote(v.Data); break;
                case ValueType::ExpandSz: out += "expand " + Quote(v.Data); break;
                case ValueType::Dword: out += "dword " + v.Data; break;
            }
            out += "\n";
        }
    }
    return out;
}

// Holds the root's lock file for one read-modify-write.
class THiveLock {
public:
    explicit THiveLock(RootKey root) {
        const std::string folder = RegistryFolder();
        ::mkdir(folder.c_str(), 0700);  // one level, as a first use needs
        FFile = folder + "/" + RootName(root) + ".reg";
        FFd = ::open((FFile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FFd >= 0) ::flock(FFd, LOCK_EX);
    }
    ~THiveLock() {
        if (FFd >= 0) ::close(FFd);  // releases the flock
    }
    THiveLock(const THiveLock&) = delete;
    THiveLock& operator=(const THiveLock&) = delete;

    Hive Load() const {
        const auto bytes = ReadFileBytes(FFile);
        return bytes ? Parse(*bytes) : Hive{};
    }
    bool Save(const Hive& hive) const { return FFd >= 0 && WriteFileBytes(FFile, Serialise(hive)); }

private:
    std::string FFile;
    int FFd = -1;
};

Key* FindKey(Hive& hive, const std::vector<std::string>& path) {
    for (Key& key : hive)
        if (SamePath(key.Path, path)) return &key;
    return nullptr;
}

Value* FindValue(Key& key, const std::string& name) {
    for (Value& v : key.Values)
        if (text::SameText(v.Name, name)) return &v;
    return nullptr;
}

}  // namespace

struct TRegistry::Impl {
    RootKey Root = RootKey::CurrentUser;
    bool Open = false;
    bool ReadOnly = false;
    std::vector<std::string> Current;

    // Full path of a path given to OpenKey and the like; false when it is not valid.
    bool Resolve(const std::string& path, std::vector<std::string>& out) const {
        std::vector<std::string> names;
        if (!SplitPath(path, names)) return false;
        const bool relative = path.empty() || path[0] != '\\';
        out = relative && Open ? Current : std::vector<std::string>{};
        out.insert(out.end(), names.begin(), names.end());
        return true;
    }

    static bool Exists(Hive& hive, const std::vector<std::string>& path) {
        return path.empty() || FindKey(hive, path) != nullptr;
    }

    void Set(const std::string& name, ValueType type, const std::string& data) {
        if (Open && !ReadOnly) {
            THiveLock lock(Root);
            Hive hive = lock.Load();
            if (Current.empty() && !FindKey(hive, Current)) hive.insert(hive.begin(), Key{});
            if (Key* key = FindKey(hive, Current)) {
                if (Value* v = FindValue(*key, name)) {
                    v->Type = type;
                    v->Data = data;
                } else {
                    key->Values.push_back(Value{name, type, data});
                }
                if (lock.Save(hive)) return;
            }
        }
        throw ERegistryException(rtl::Format(rtl::SRegSetDataFailed, {name}));
    }
};

TRegistry::TRegistry(RootKey root) : FImpl(new Impl) { FImpl->Root = root; }

TRegistry::~TRegistry() { delete FImpl; }

void TRegistry::SetRootKey(RootKey root) {
    CloseKey();
    FImpl->Root = root;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    std::vector<std::string> full;
    if (!FImpl->Resolve(path, full)) return false;
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    if (!Impl::Exists(hive, full)) {
        if (!canCreate) return false;
        // Creating a key creates the keys above it, as the registry does.
        for (std::size_t n = 1; n <= full.size(); ++n) {
            std::vector<std::string> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            if (!FindKey(hive, part)) hive.push_back(Key{part, {}});
        }
        if (!lock.Save(hive)) return false;
    }
    FImpl->Open = true;
    FImpl->ReadOnly = false;
    FImpl->Current = full;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
    std::vector<std::string> full;
    if (!FImpl->Resolve(path, full)) return false;
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    if (!Impl::Exists(hive, full)) return false;
    FImpl->Open = true;
    FImpl->ReadOnly = true;
    FImpl->Current = full;
    return true;
}

void TRegistry::CloseKey() {
    FImpl->Open = false;
    FImpl->ReadOnly = false;
    FImpl->Current.clear();
}

bool TRegistry::ValueExists(const std::string& name) const {
    if (!FImpl->Open) return false;
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    Key* key = FindKey(hive, FImpl->Current);
    return key && FindValue(*key, name);
}

std::string TRegistry::ReadString(const std::string& name) const {
    if (!FImpl->Open) return {};
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    Key* key = FindKey(hive, FImpl->Current);
    const Value* v = key ? FindValue(*key, name) : nullptr;
    if (!v) return {};
    if (v->Type != ValueType::Sz && v->Type != ValueType::ExpandSz)
        throw ERegistryException(rtl::Format(rtl::SInvalidRegType, {name}));
    return v->Data;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    FImpl->Set(name, ValueType::Sz, value);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    FImpl->Set(name, ValueType::ExpandSz, value);
}

void TRegistry::WriteInteger(const std::string& name, std::uint32_t value) {
    FImpl->Set(name, ValueType::Dword, std::to_string(value));
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!FImpl->Open || FImpl->ReadOnly) return false;
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    Key* key = FindKey(hive, FImpl->Current);
    if (!key) return false;
    for (auto it = key->Values.begin(); it != key->Values.end(); ++it)
        if (text::SameText(it->Name, name)) {
            key->Values.erase(it);
            return lock.Save(hive);
        }
    return false;
}

bool TRegistry::DeleteKey(const std::string& path) {
    std::vector<std::string> full;
    if (!FImpl->Resolve(path, full)) return false;
    std::vector<std::string> names;
    SplitPath(path, names);
    if (names.empty()) return false;  // never the open key or the root itself
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    const std::size_t before = hive.size();
    std::erase_if(hive, [&](const Key& key) { return SamePath(key.Path, full, full.size()); });
    return hive.size() != before && lock.Save(hive);
}

bool TRegistry::KeyExists(const std::string& path) const {
    std::vector<std::string> full;
    if (!FImpl->Resolve(path, full)) return false;
    THiveLock lock(FImpl->Root);
    Hive hive = lock.Load();
    return Impl::Exists(hive, full);
}

std::string TRegistry::SubKeyNames() const {
    std::string out;
    if (!FImpl->Open) return out;
    THiveLock lock(FImpl->Root);
    const Hive hive = lock.Load();
    const auto& cur = FImpl->Current;
    for (const Key& key : hive)
        if (key.Path.size() == cur.size() + 1 && SamePath(key.Path, cur, cur.size()))
            out += (out.empty() ? "" : "\r\n") + key.Path.back();
    return out;
}

void SetRegistryFolderForTests(const std::string& folder) {
    std::lock_guard<std::mutex> lock(gFolderMutex);
    gFolderOverride = folder;
}

}  // namespace platform
