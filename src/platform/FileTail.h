#pragma once
// What the exception log needs of its file beyond whole-file reads and writes: its last
// lines without reading the rest, and a rename that never replaces another file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {
// The bytes of the last maxLines lines of a file (a line ends at CR LF, LF or CR; a break at
// the very end closes the last line and is kept), read from the end, so that a long file
// costs no more than its tail. nullopt when it cannot be read.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t maxLines);
// Renames a file, never over an existing one; false when it cannot.
bool RenameFileNoReplace(const std::string& from, const std::string& to);

// Shared by both platforms: where the last maxLines lines of a file of size bytes start,
// reading through read(offset, count, buffer), which fills the buffer completely or fails.
std::optional<std::uint64_t> TailStart(std::uint64_t size, std::size_t maxLines,
                                       const std::function<bool(std::uint64_t, std::size_t, char*)>& read);
}  // namespace platform
