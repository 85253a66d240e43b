// Finding the mail program: the default mail client first (user before machine), then the
// mailto command cut before its arguments; the program path always quoted.
#include <gtest/gtest.h>

#include "app/MailProgram.h"
#include "platform/PlatformTestSupport.h"
#include "platform/Registry.h"

namespace {

using platform::RootKey;
using platform::TRegistry;

TEST(MailProgramText, MailtoRuleStopsAtSlashOrPercentAndDropsQuotes) {
    EXPECT_EQ(CommandBeforeArguments("\"C:\\Program Files\\Mail\\mail.exe\" /mailurl:%1"),
              "C:\\Program Files\\Mail\\mail.exe ");
    EXPECT_EQ(CommandBeforeArguments("/mailurl:%1"), "");
    EXPECT_EQ(CommandBeforeArguments("mail.exe %1"), "mail.exe ");
    EXPECT_EQ(CommandBeforeArguments(""), "");
}

TEST(MailProgramText, ProgramPathIsQuoted) {
    struct Case {
        const char* command;
        const char* quoted;
    } cases[] = {
        {"C:\\Program Files\\Mail\\mail.exe ", "\"C:\\Program Files\\Mail\\mail.exe\""},
        {"\"C:\\Program Files\\Mail\\mail.exe\" -compose \"%1\"", "\"C:\\Program Files\\Mail\\mail.exe\""},
        {"C:\\Program Files\\Mail\\MAIL.EXE -compose", "\"C:\\Program Files\\Mail\\MAIL.EXE\""},
        {"mail -compose", "\"mail\""},
        {"   ", ""},
        {"\"C:\\unterminated", "\"C:\\unterminated\""},
    };
    for (const Case& c : cases) EXPECT_EQ(QuoteProgramPath(c.command), c.quoted) << c.command;
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
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\mailto.exe\"");
    SetClient(RootKey::LocalMachine, "SkimbarOtherMail", "C:\\SkimbarTest\\machine.exe -mail");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\machine.exe\"");
    SetClient(RootKey::CurrentUser, "SkimbarTestMail", "\"C:\\SkimbarTest\\Program Files\\user.exe\" -compose %1");
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\Program Files\\user.exe\"");
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
    EXPECT_EQ(MailProgramCommand(), "\"C:\\SkimbarTest\\mailto.exe\"");
}

TEST_F(MailProgramRegistry, CommandStartingWithSlashOrTooLongIsNone) {
    SetMailto("/SkimbarTest %1");
    EXPECT_EQ(MailProgramCommand(), "");
    SetClient(RootKey::CurrentUser, "SkimbarTestMail", "C:\\SkimbarTest\\" + std::string(1100, 'x') + ".exe");
    EXPECT_EQ(MailProgramCommand(), "");
}

}  // namespace
