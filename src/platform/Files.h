#pragma once
// Folders and files. Every function takes UTF-8 paths.
#include <optional>
#include <string>
#include <vector>

// windows.h maps DeleteFile onto DeleteFileW. Included before this header, the mapping is
// dropped; included after it, calls land on the DeleteFileW forwarder below.
#ifdef DeleteFile
#undef DeleteFile
#endif

namespace platform {
bool FileExists(const std::string& path);       // a file, not a folder
bool DirectoryExists(const std::string& path);
// Creates one folder level (CreateDirectory without security attributes); false on failure.
bool CreateDir(const std::string& path);
bool DeleteFile(const std::string& path);
inline bool DeleteFileW(const std::string& path) { return DeleteFile(path); }
// Whole file as bytes; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Writes the whole file; false on failure. Atomic: a temporary file beside it replaces it, so
// a crash leaves the old file or the new one. A read-only file is not replaced (false).
bool WriteFileBytes(const std::string& path, const std::string& bytes);

struct DirEntry {
    std::string Name;
    bool Directory = false;
    bool Hidden = false;
    bool System = false;
};
// Entries of a folder matching a pattern with * and ? ("C:\x\Language\*.*"), as
// FindFirstFile / FindNextFile give them ("." and ".." included where the platform has them).
std::vector<DirEntry> ListDirectory(const std::string& pattern);
// Tests: mark a file hidden or system; false when the file is missing or the mark cannot be
// set. POSIX has no such attributes: a name starting with "." counts as hidden, and marks
// set here are kept in the side file ".skimbar-attributes" of the file's folder (never
// listed itself). A dot-file cannot be made visible.
bool SetFileAttributesForTests(const std::string& path, bool hidden, bool system);
// The * and ? matching of ListDirectory: without regard to case, and a trailing ".*" also
// matches a name without extension ("*.*" matches every name).
bool MatchesFileMask(const std::string& name, const std::string& mask);
}  // namespace platform
