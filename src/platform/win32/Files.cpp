#include "platform/Files.h"
#include "platform/FileTail.h"

#include <algorithm>
#include <atomic>

#include "platform/win32/Wide.h"

// Ours, not the macro of windows.h; the Win32 calls are named with "::".
#undef DeleteFile

namespace platform {

using win32::Narrow;
using win32::Widen;

namespace {

constexpr int kReplaceAttempts = 300;
constexpr DWORD kReplaceRetryMs = 10;

class THandle {
public:
    explicit THandle(HANDLE h) : FHandle(h) {}
    ~THandle() { Close(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }
    bool Close() {
        if (!Valid()) return true;
        const bool ok = CloseHandle(FHandle) != 0;
        FHandle = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE FHandle;
};

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

}  // namespace

bool FileExists(const std::string& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) { return CreateDirectoryW(Widen(path).c_str(), nullptr) != 0; }

bool DeleteFile(const std::string& path) { return ::DeleteFileW(Widen(path).c_str()) != 0; }

std::optional<std::string> ReadFileBytes(const std::string& path) {
    THandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    std::string out;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 && size.QuadPart < 0x7fffffff)
        out.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        out.append(buffer, got);
    }
    return out;
}

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t maxLines) {
    THandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return std::nullopt;
    auto read = [&](std::uint64_t offset, std::size_t count, char* out) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) return false;
        while (count > 0) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 20));
            if (!ReadFile(file.Get(), out, want, &got, nullptr) || got == 0) return false;
            out += got;
            count -= got;
        }
        return true;
    };
    const std::uint64_t end = static_cast<std::uint64_t>(size.QuadPart);
    const std::optional<std::uint64_t> start = TailStart(end, maxLines, read);
    if (!start) return std::nullopt;
    std::string out(static_cast<std::size_t>(end - *start), '\0');
    if (!out.empty() && !read(*start, out.size(), out.data())) return std::nullopt;
    return out;
}

bool RenameFileNoReplace(const std::string& from, const std::string& to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), 0) != 0;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    if (path.empty()) return false;
    const std::wstring target = Widen(path);
    const DWORD old = GetFileAttributesW(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;

    // The temporary file is hidden and its name starts with ".", so a crash that leaves it
    // behind does not add an entry to a folder listing that skips hidden files (the
    // language files), also where the hidden mark is not kept (Wine marks dot-names).
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = folder + L"." + name + L".~" + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(counter++);
        created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    {
        THandle file(created);
        if (!file.Valid()) return false;
        bool ok = true;
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            ok = WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
            done += written;
        }
        ok = ok && FlushFileBuffers(file.Get());
        ok = file.Close() && ok;
        if (!ok) {
            ::DeleteFileW(temp.c_str());
            return false;
        }
    }
    // A reader that holds the file for a moment (ours share deletion, others may not) makes
    // the replacement fail briefly: retry for a bounded time.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) break;
        const DWORD err = GetLastError();
        if (attempt >= kReplaceAttempts || (err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION)) {
            ::DeleteFileW(temp.c_str());
            return false;
        }
        Sleep(kReplaceRetryMs);
    }
    // The file takes the attributes of the one it replaced (hidden and system marks kept),
    // not the temporary file's.
    SetFileAttributesW(target.c_str(), old != INVALID_FILE_ATTRIBUTES ? old : FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

std::vector<DirEntry> ListDirectory(const std::string& pattern) {
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Widen(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        DirEntry e;
        e.Name = Narrow(data.cFileName, wcslen(data.cFileName));
        e.Directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.Hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        e.System = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        entries.push_back(std::move(e));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

bool SetFileAttributesForTests(const std::string& path, bool hidden, bool system) {
    const std::wstring w = Widen(path);
    DWORD a = GetFileAttributesW(w.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    a &= ~(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NORMAL);
    if (hidden) a |= FILE_ATTRIBUTE_HIDDEN;
    if (system) a |= FILE_ATTRIBUTE_SYSTEM;
    if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(w.c_str(), a) != 0;
}

}  // namespace platform
