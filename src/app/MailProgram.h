#pragma once
// Finding the user's standard mail program for a click on the bar.
#include <functional>
#include <string>

// The command line that starts the mail program, or "" when none is registered. First the
// chosen mail client: its name is the default value of Software\Clients\Mail (the user's
// choice before the machine's), and its shell\open\command is looked up under that name in
// the user's hive, then the machine's. Otherwise the machine's mailto command, with "%1"
// standing for "mailto:". Either is taken apart as Windows does (RegisteredCommandLine).
// Expanded commands longer than 1023 characters count as not registered.
std::string MailProgramCommand();

// A registered command with its environment references expanded, made into a command line:
// the program path (quoted in the command, or unquoted: the first blank-ended prefix that
// names an existing file, "name" or "name.exe", else up to the first ".exe" followed by a
// blank or the end, else up to the first blank), quoted so that no other program can start
// in its place, then the arguments as registered with "%1" and "%L" replaced by argument.
// "" when there is no program path.
std::string RegisteredCommandLine(const std::string& command, const std::string& argument,
                                  const std::function<bool(const std::string&)>& fileExists);
