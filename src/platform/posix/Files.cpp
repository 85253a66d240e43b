#include "platform/Files.h"
#include "platform/FileTail.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

#include "core/Text.h"
#include "platform/posix/NativePath.h"

namespace platform {

using posix::NativePath;

namespace {

constexpr const char* kAttributeFile = ".skimbar-attributes";
constexpr char kHiddenFlag = 'H';
constexpr char kSystemFlag = 'S';

bool StatPath(const std::string& native, struct stat& st) { return ::stat(native.c_str(), &st) == 0; }

std::string FolderOf(const std::string& native) {
    const std::size_t slash = native.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return native.substr(0, slash);
}

std::string NameOf(const std::string& native) {
    const std::size_t slash = native.rfind('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteNative(std::string target, const std::string& bytes) {
    // Replace what a link points at, not the link.
    char resolved[PATH_MAX];
    struct stat lst;
    if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && ::realpath(target.c_str(), resolved))
        target = resolved;

    struct stat st;
    const bool exists = StatPath(target, st);
    if (exists && S_ISDIR(st.st_mode)) return false;
    // A read-only file stays as it is, as on Windows; rename would replace it regardless.
    // No write bit at all counts as read-only for root too, whom access() lets write.
    if (exists && ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) return false;

    // A dot-name: a temporary file left by a crash counts as hidden in listings.
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/." + NameOf(target) + ".~" + std::to_string(::getpid()) + "." + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (exists) (void)::fchmod(fd, mode);  // open() applied the umask
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::optional<std::string> ReadNative(const std::string& native) {
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

// The side file of a folder: one line per marked entry, flags, a tab, the name.
using AttributeMap = std::map<std::string, std::string>;

AttributeMap ReadAttributes(const std::string& folder) {
    AttributeMap map;
    const auto bytes = ReadNative(folder + "/" + kAttributeFile);
    if (!bytes) return map;
    std::size_t start = 0;
    while (start < bytes->size()) {
        std::size_t end = bytes->find('\n', start);
        if (end == std::string::npos) end = bytes->size();
        const std::string line = bytes->substr(start, end - start);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab + 1 < line.size()) map[line.substr(tab + 1)] = line.substr(0, tab);
        start = end + 1;
    }
    return map;
}

bool WriteAttributes(const std::string& folder, const AttributeMap& map) {
    const std::string path = folder + "/" + kAttributeFile;
    if (map.empty()) return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    std::string bytes;
    for (const auto& [name, flags] : map) bytes += flags + "\t" + name + "\n";
    return WriteNative(path, bytes);
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return StatPath(NativePath(path), st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return StatPath(NativePath(path), st) && S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& path) {
    const std::string native = NativePath(path);
    return !native.empty() && ::mkdir(native.c_str(), 0777) == 0;
}

bool DeleteFile(const std::string& path) {
    const std::string native = NativePath(path);
    if (DirectoryExists(native) || ::unlink(native.c_str()) != 0) return false;
    const std::string folder = FolderOf(native);
    if (FileExists(folder + "/" + kAttributeFile)) {
        AttributeMap map = ReadAttributes(folder);
        if (map.erase(NameOf(native)) > 0) (void)WriteAttributes(folder, map);
    }
    return true;
}

std::optional<std::string> ReadFileBytes(const std::string& path) { return ReadNative(NativePath(path)); }

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t maxLines) {
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    std::optional<std::string> result;
    auto read = [&](std::uint64_t offset, std::size_t count, char* out) {
        while (count > 0) {
            const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            out += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const std::uint64_t end = static_cast<std::uint64_t>(st.st_size);
        if (const std::optional<std::uint64_t> start = TailStart(end, maxLines, read)) {
            std::string out(static_cast<std::size_t>(end - *start), '\0');
            if (out.empty() || read(*start, out.size(), out.data())) result = std::move(out);
        }
    }
    ::close(fd);
    return result;
}

bool RenameFileNoReplace(const std::string& from, const std::string& to) {
    const std::string source = NativePath(from), target = NativePath(to);
    // A hard link fails when the target exists; the old name then goes.
    if (::link(source.c_str(), target.c_str()) == 0) return ::unlink(source.c_str()) == 0;
    if (errno == EEXIST) return false;
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 || errno != ENOENT) return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    const std::string native = NativePath(path);
    if (native.empty()) return false;
    return WriteNative(native, bytes);
}

std::vector<DirEntry> ListDirectory(const std::string& pattern) {
    const std::string native = NativePath(pattern);
    const std::size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
    const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);

    std::vector<DirEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    const AttributeMap marks = ReadAttributes(folder);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == kAttributeFile || !MatchesFileMask(name, mask)) continue;
        DirEntry entry;
        entry.Name = name;
        struct stat st;
        entry.Directory = StatPath(folder + "/" + name, st) && S_ISDIR(st.st_mode);
        entry.Hidden = name[0] == '.' && name != "." && name != "..";
        if (auto it = marks.find(name); it != marks.end()) {
            entry.Hidden = entry.Hidden || it->second.find(kHiddenFlag) != std::string::npos;
            entry.System = it->second.find(kSystemFlag) != std::string::npos;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    // readdir order is a hash order; the language menu reads better sorted, as NTFS lists.
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) {
                  const int c = text::CompareText(a.Name, b.Name);
                  return c != 0 ? c < 0 : a.Name < b.Name;
              });
    return entries;
}

bool SetFileAttributesForTests(const std::string& path, bool hidden, bool system) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    struct stat st;
    if (!StatPath(native, st)) return false;
    const std::string name = NameOf(native);
    if (!hidden && name[0] == '.') return false;
    const std::string folder = FolderOf(native);
    AttributeMap map = ReadAttributes(folder);
    std::string flags;
    if (hidden && name[0] != '.') flags += kHiddenFlag;
    if (system) flags += kSystemFlag;
    if (flags.empty())
        map.erase(name);
    else
        map[name] = flags;
    return WriteAttributes(folder, map);
}

}  // namespace platform
