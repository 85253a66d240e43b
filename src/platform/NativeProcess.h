#pragma once
// What each operating system supplies; the test overrides on top live in the shared files.
#include <string>
#include <vector>

namespace platform::native {
std::string ExePath();                      // the running executable, empty when unknown
std::vector<std::string> Arguments();       // program and arguments of this process
}  // namespace platform::native
