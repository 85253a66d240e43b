#pragma once
// Finding the user's standard mail program for a click on the bar.
#include <string>

// The command that starts the mail program, or "" when none is registered. First the
// registered default mail client (Software\Clients\Mail, default value = client name, then
// that client's shell\open\command; the user's hive before the machine's), started without
// its arguments, which would open a compose window. Otherwise the machine's mailto command,
// taken up to the first "/" or "%" with its quotes removed. The program path is always passed
// quoted, so that a path with blanks cannot start another program ("C:\Program.exe").
// Expanded commands longer than 1023 characters count as not registered.
std::string MailProgramCommand();

// The mailto rule on its own: stop before the first "/" or "%", drop every double quote.
std::string CommandBeforeArguments(const std::string& expanded);
// The program path of a command line quoted: a leading quoted path is kept as it is, an
// unquoted one runs up to ".exe" when that occurs (else to the first blank).
std::string QuoteProgramPath(const std::string& command);
