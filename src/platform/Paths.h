#pragma once
// Where the running executable lives. Paths inside the program use "\" as separator, as on
// Windows; the POSIX implementations accept "\" and "/" alike.
#include <string>

namespace platform {
// Full path of the running executable (GetModuleFileName).
std::string ExePath();
// Tests point the program at a temporary folder: the given path stands in for the
// executable's from then on (empty restores the real one).
void SetExePathForTests(const std::string& path);
// Folder part of a path with its trailing separator, file name part, extension change.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
// A dot before the file name (a folder "a.b\x") is no extension; a name without a dot gets
// the extension appended.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// Extension with its dot ("" when the name has none).
std::string ExtractFileExt(const std::string& path);
// ExtractFilePath(ExePath()): the executable's folder with its trailing separator.
std::string ExeDir();
}  // namespace platform
