#pragma once
// How the poll reads the account fields of the setup dialog.
#include <string>

// The POP3 port when the server text names none.
inline constexpr int DefaultPop3Port = 110;

// Server text "host", "host:port", "[v6address]" or "[v6address]:port" (an address with
// several colons and no brackets is a host without a port). False when a port is given but is
// not a number from 1 to 65535, or a bracket is not closed; host then holds the whole text.
bool SplitServerText(const std::string& text, std::string& host, int& port);
