#include "app/MailProgram.h"

#include "core/Exception.h"
#include "core/Text.h"
#include "platform/Process.h"
#include "platform/Registry.h"

using namespace text;

namespace {
constexpr std::size_t kExpandBuffer = 1024;

// The default value of a key, expanded; "" when the key or value is missing or too long.
std::string ReadCommand(platform::RootKey root, const std::string& path) {
    platform::TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(path)) return std::string();
    std::string value;
    try {
        value = reg.ReadString("");
    } catch (const Exception&) {
        return std::string();
    }
    std::string expanded = platform::ExpandEnvironmentStrings(value);
    if (expanded.size() >= kExpandBuffer) return std::string();
    return expanded;
}

std::string DefaultClientCommand() {
    for (platform::RootKey root : {platform::RootKey::CurrentUser, platform::RootKey::LocalMachine}) {
        platform::TRegistry reg(root);
        if (!reg.OpenKeyReadOnly("Software\\Clients\\Mail")) continue;
        std::string client;
        try {
            client = Trim(reg.ReadString(""));
        } catch (const Exception&) {
            continue;
        }
        if (client.empty() || client.find('\\') != std::string::npos) continue;
        std::string command = ReadCommand(root, "Software\\Clients\\Mail\\" + client + "\\shell\\open\\command");
        if (!Trim(command).empty()) return QuoteProgramPath(command);
    }
    return std::string();
}
}  // namespace

std::string CommandBeforeArguments(const std::string& expanded) {
    std::string out;
    for (char c : expanded) {
        if (c == '/' || c == '%') break;
        if (c != '"') out += c;
    }
    return out;
}

std::string QuoteProgramPath(const std::string& command) {
    std::string text = Trim(command);
    if (text.empty()) return text;
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string::npos) return text + "\"";
        return text.substr(0, close + 1);
    }
    std::size_t end = AsciiLower(text).find(".exe");
    if (end != std::string::npos)
        end += 4;
    else
        end = text.find(' ');
    if (end == std::string::npos) end = text.size();
    return "\"" + text.substr(0, end) + "\"";
}

std::string MailProgramCommand() {
    std::string command = DefaultClientCommand();
    if (!command.empty()) return command;
    std::string expanded = ReadCommand(platform::RootKey::LocalMachine, "Software\\Classes\\mailto\\shell\\open\\command");
    return QuoteProgramPath(CommandBeforeArguments(expanded));
}
