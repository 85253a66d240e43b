#pragma once
#include <string>

namespace platform {
// Starts a command line (program and arguments in one string) as WinExec does; the result is
// 32 or more on success, an error code below 32 otherwise.
unsigned WinExec(const std::string& commandLine, int showCommand);
// %NAME% references replaced by the environment's values (unknown ones kept).
std::string ExpandEnvironmentStrings(const std::string& text);
// The process's command-line arguments after the program name.
int ParamCount();
std::string ParamStr(int index);  // 0: the program
void SetCommandLineForTests(const std::string& programAndArgs);
}  // namespace platform
