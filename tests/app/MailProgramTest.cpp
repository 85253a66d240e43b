// Finding the mail program: the chosen mail client first (its name and command each looked up
// in the user's hive, then the machine's), then the mailto command; arguments kept.
#include <gtest/gtest.h>

#include "app/MailProgram.h"
#include "platform/PlatformTestSupport.h"
#include "platform/Registry.h"

namespace {

using platform::RootKey;
using platform::TRegistry;

// Registered commands taken apart as Windows does: program path, then its arguments.
TEST(MailProgramText, RegisteredCommandKeepsItsArgumentsAndQuotesTheProgram) {
    const auto exists = [](const std::string& path) {
        return path == "C:\\Program Files\\Mail\\mail.exe" || path == "C:\\Mail Tools\\mailer.exe";
    };
    struct Case {
        const char* command;
        const char* line;
    } cases[] = {
        {"rundll32.exe url.dll,MailToProtocolHandler %1", "\"rundll32.exe\" url.dll,MailToProtocolHandler mailto:"},
        {"C:\\tools.exe.d\\mailer.exe", "\"C:\\tools.exe.d\\mailer.exe\""},
        {"\"C:\\Program Files\\Mail\\mail.exe\" /mailurl:%1", "\"C:\\Program Files\\Mail\\mail.exe\" /mailurl:mailto:"},
        {"C:\\Program Files\\Mail\\mail.exe -compose \"%1\"", "\"C:\\Program Files\\Mail\\mail.exe\" -compose \"mailto:\""},
        {"C:\\Mail Tools\\mailer -m %L", "\"C:\\Mail Tools\\mailer\" -m mailto:"},
        {"C:\\Missing Dir\\mail.exe /x", "\"C:\\Missing Dir\\mail.exe\" /x"},
        {"mail -compose", "\"mail\" -compose"},
        {"\"C:\\unterminated", "\"C:\\unterminated\""},
        {"   ", ""},
        {"\"\" %1", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RegisteredCommandLine(c.command, "mailto:", exists), c.line) << c.command;
}

// Natively the registry is a folder of the test; under Windows the keys are real and are
// removed again.
class MailProgramRegistry : public platformtest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        platform::SetRegistryFolderForTests(Path("registry"));
        TRegistry m(RootKey::LocalMachine);
        FHadMailto = m.OpenKeyReadOnly("\\Software\\Classes\\mailto\\shell\\open\\command") && m.ValueExists("");
        if (FHadMailto) FMailto = m.ReadString("");
        Clean();
    }
    void TearDown() override {
        Clean();
        if (FHadMailto) SetMailto(FMailto);
        platform::SetRegistryFolderForTests("");
        TempDirTest::TearDown();
    }
    static void Clean() {
        for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
            TRegistry reg(root);
            reg.DeleteKey("\\Software\\Clients\\Mail\\SkimbarTestMail");
            reg.DeleteKey("\\Software\\Clients\\Mail\\SkimbarOtherMail");
            if (reg.OpenKey("\\Software\\Clients\\Mail", false)) {
                std::string client = reg.ReadString("");
                if (client == "SkimbarTestMail" || client == "SkimbarOtherMail") reg.DeleteValue("");
            }
        }
        TRegistry m(RootKey::LocalMachine);
        if (m.OpenKey("\\Software\\Classes\\mailto\\shell\\open\\command", false) &&
            m.ReadString("").find("SkimbarTest") != std::string::npos)
            m.DeleteValue("");
    }
    bool FHadMailto = false;
    std::string FMailto;
    static void SetClient(RootKey root, const std::string& client, const std::string& command) {
        TRegistry reg(root);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Clients\\Mail", true));
        reg.WriteString("", client);
        TRegistry cmd(root);
        ASSERT_TRUE(cmd.OpenKey("\\Software\\Clients\\Mail\\" + client + "\\shell\\open\\command", true));
        cmd.WriteString("", command);
    }
    static void SetMailto(const std::string& command) {
        TRegistry reg(RootKey::LocalMachine);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Classes\\mailto\\shell\\open\\command", true));
        reg.WriteString("", command);
    }
};

TEST_F(MailProgramRegistry, DefaultClientComesFirstAndUserBeforeMachine) {
    SetMailto("\"C:\\SkimbarTest\\mailto.exe\" /mailurl:%1");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\mailto.exe\" /mailurl:mailto:");
    SetClient(RootKey::LocalMachine, "SkimbarOtherMail", "C:\\SkimbarTest\\machine.exe -mail");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\machine.exe\" -mail");
    SetClient(RootKey::CurrentUser, "SkimbarTestMail", "\"C:\\SkimbarTest\\Program Files\\user.exe\" -open");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\Program Files\\user.exe\" -open");
}

// The usual layout: the user names a client that is registered for the whole machine.
TEST_F(MailProgramRegistry, UsersChoiceIsFoundInTheMachinesHive) {
    SetClient(RootKey::LocalMachine, "SkimbarOtherMail", "C:\\SkimbarTest\\machine.exe");
    TRegistry chosen(RootKey::LocalMachine);
    ASSERT_TRUE(chosen.OpenKey("\\Software\\Clients\\Mail\\SkimbarTestMail\\shell\\open\\command", true));
    chosen.WriteString("", "C:\\SkimbarTest\\chosen.exe /mail");
    TRegistry user(RootKey::CurrentUser);
    ASSERT_TRUE(user.OpenKey("\\Software\\Clients\\Mail", true));
    user.WriteString("", "SkimbarTestMail");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\chosen.exe\" /mail");
}

TEST_F(MailProgramRegistry, EnvironmentReferencesAreExpanded) {
    platformtest::SetEnv("SKIMBAR_TEST_MAILDIR", "D:\\SkimbarTest Mail");
    SetClient(RootKey::CurrentUser, "SkimbarTestMail", "%SKIMBAR_TEST_MAILDIR%\\m.exe");
    EXPECT_EQ(MailProgramCommand(), "\"D:\\SkimbarTest Mail\\m.exe\"");
    platformtest::UnsetEnv("SKIMBAR_TEST_MAILDIR");
}

TEST_F(MailProgramRegistry, ClientWithoutCommandFallsBackToMailto) {
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Clients\\Mail", true));
    reg.WriteString("", "SkimbarTestMail");  // no shell\open\command below it
    SetMailto("\"C:\\SkimbarTest\\mailto.exe\" /mailurl:%1");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\mailto.exe\" /mailurl:mailto:");
}

// An overlong client command is not used; the mailto command stands in, as for a client
// without one.
TEST_F(MailProgramRegistry, TooLongCommandIsNotUsed) {
    SetClient(RootKey::CurrentUser, "SkimbarTestMail", "C:\\SkimbarTest\\" + std::string(1100, 'x') + ".exe");
    SetMailto("\"C:\\SkimbarTest\\mailto.exe\" /mailurl:%1");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\mailto.exe\" /mailurl:mailto:");
}

}  // namespace
