#include "app/MailProgram.h"

#include <vector>

#include "core/Exception.h"
#include "core/Text.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"

using namespace text;

namespace {
constexpr std::size_t kExpandBuffer = 1024;
constexpr const char* MailClientsKey = "Software\\Clients\\Mail";
constexpr const char* MailtoCommandKey = "Software\\Classes\\mailto\\shell\\open\\command";

// The default value of a key, or "" when the key or value is missing or not text.
std::string ReadDefault(platform::RootKey root, const std::string& path) {
    platform::TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(path)) return std::string();
    try {
        return reg.ReadString("");
    } catch (const Exception&) {
        return std::string();
    }
}

// A registered command, expanded; "" when missing or too long.
std::string ReadCommand(platform::RootKey root, const std::string& path) {
    std::string expanded = platform::ExpandEnvironmentStrings(ReadDefault(root, path));
    if (expanded.size() >= kExpandBuffer || Trim(expanded).empty()) return std::string();
    return expanded;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EndsWithExe(const std::string& path) { return path.size() >= 4 && SameText(path.substr(path.size() - 4), ".exe"); }

std::string ClientCommand() {
    using platform::RootKey;
    std::vector<std::string> names;
    for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
        const std::string name = Trim(ReadDefault(root, MailClientsKey));
        if (name.empty() || name.find('\\') != std::string::npos) continue;
        if (names.empty() || !SameText(names.front(), name)) names.push_back(name);
    }
    // A client the user chose is usually registered for the whole machine.
    for (const std::string& name : names)
        for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
            std::string command =
                ReadCommand(root, std::string(MailClientsKey) + "\\" + name + "\\shell\\open\\command");
            if (!command.empty()) return command;
        }
    return std::string();
}
}  // namespace

std::string RegisteredCommandLine(const std::string& command, const std::string& argument,
                                  const std::function<bool(const std::string&)>& fileExists) {
    std::size_t i = 0;
    while (i < command.size() && IsBlank(command[i])) ++i;
    std::string program;
    std::size_t rest = command.size();
    if (i < command.size() && command[i] == '"') {
        const std::size_t close = command.find('"', i + 1);
        program = command.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        rest = close == std::string::npos ? command.size() : close + 1;
    } else {
        // Unquoted, the path may hold blanks: as Windows does, the first prefix ending at a
        // blank that names a program wins.
        std::vector<std::size_t> ends;
        for (std::size_t j = i; j <= command.size(); ++j)
            if (j == command.size() || IsBlank(command[j])) ends.push_back(j);
        auto pick = [&](auto&& fits) {
            for (std::size_t end : ends)
                if (end > i && fits(command.substr(i, end - i))) {
                    program = command.substr(i, end - i);
                    rest = end;
                    return true;
                }
            return false;
        };
        if (!pick([&](const std::string& p) { return fileExists(p) || (!EndsWithExe(p) && fileExists(p + ".exe")); }) &&
            !pick([](const std::string& p) { return EndsWithExe(p); }))
            pick([](const std::string&) { return true; });
    }
    program = Trim(program);
    if (program.empty()) return std::string();
    std::string arguments = command.substr(rest);
    arguments = StringReplaceAll(arguments, "%1", argument);
    arguments = StringReplaceAll(arguments, "%L", argument);
    arguments = StringReplaceAll(arguments, "%l", argument);
    arguments = TrimRight(arguments);
    return "\"" + program + "\"" + arguments;
}

std::string MailProgramCommand() {
    const auto exists = [](const std::string& path) { return platform::FileExists(path); };
    std::string command = ClientCommand();
    if (!command.empty()) return RegisteredCommandLine(command, "", exists);
    command = ReadCommand(platform::RootKey::LocalMachine, MailtoCommandKey);
    return command.empty() ? std::string() : RegisteredCommandLine(command, "mailto:", exists);
}
