#pragma once
#include <string>
#include <vector>

// windows.h maps ExpandEnvironmentStrings onto its W form: see DeleteFile in Files.h.
#ifdef ExpandEnvironmentStrings
#undef ExpandEnvironmentStrings
#endif

namespace platform {
// Starts a command line (program and arguments in one string) as WinExec does; the result is
// 32 or more on success, an error code below 32 otherwise (2: file not found, 3: path not
// found, 5: access denied, 11: not a program). A program path with blanks may stand unquoted:
// "C:\Program Files\x.exe /y" tries "C:\Program" first, then "C:\Program Files\x.exe", as
// Windows does. It does not wait for the program. POSIX: the show command is ignored, a
// program name without a folder is searched on PATH, and the result on success is 33.
unsigned WinExec(const std::string& commandLine, int showCommand);
// %NAME% references replaced by the environment's values; unknown ones and a lone "%" are
// kept as they stand. Names compare without regard to case, as on Windows.
std::string ExpandEnvironmentStrings(const std::string& text);
inline std::string ExpandEnvironmentStringsW(const std::string& text) { return ExpandEnvironmentStrings(text); }
// The process's command-line arguments after the program name.
int ParamCount();
std::string ParamStr(int index);  // 0: the program (the executable's path); "" out of range
// Tests: the command line to answer from (parsed as SplitCommandLine does); "" restores the
// real one.
void SetCommandLineForTests(const std::string& programAndArgs);
// Splits a command line by the rules of the Windows runtime: the program name ends at the
// closing quote or the first blank; arguments are separated by blanks, quotes group, ""
// inside quotes is a quote, backslashes are literal unless they precede a quote (2n
// backslashes + quote: n backslashes, quote toggles; 2n+1: n backslashes and a quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// Only the arguments part of those rules (no program name first).
std::vector<std::string> SplitArguments(const std::string& arguments);
}  // namespace platform
