#include <gtest/gtest.h>

#include <functional>

#include "core/Exception.h"
#include "platform/PlatformTestSupport.h"
#include "platform/Registry.h"

namespace {

using platform::RootKey;
using platform::TRegistry;

// Natively the registry lives in the test's folder; on Windows in a key of its own below
// HKEY_CURRENT_USER that the test removes again.
class RegistryTest : public platformtest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        platform::SetRegistryFolderForTests(Path("registry"));
        Base = "\\Software\\SkimbarTests\\" + std::to_string(platformtest::ProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        TRegistry reg(RootKey::CurrentUser);
        reg.DeleteKey(Base);
        platform::SetRegistryFolderForTests("");
        TempDirTest::TearDown();
    }
    std::string Base;
};

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.ClassName(), "ERegistryException");
        return e.Message();
    }
    return "(nothing raised)";
}

TEST_F(RegistryTest, StringsRoundTrip) {
    {
        TRegistry reg(RootKey::CurrentUser);
        ASSERT_TRUE(reg.OpenKey(Base + "\\Accounts\\00000001", true));
        reg.WriteString("POP3 Server", "pop.example.org");
        reg.WriteString("", "the default value");
        reg.WriteString("Odd", "quote \" backslash \\ line\r\nbreak\ttab");
        reg.WriteString("Unicode", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93");
        reg.WriteString("Empty", "");
        reg.CloseKey();
    }
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly(Base + "\\Accounts\\00000001"));
    EXPECT_EQ(reg.ReadString("POP3 Server"), "pop.example.org");
    EXPECT_EQ(reg.ReadString("pop3 server"), "pop.example.org");  // names ignore case
    EXPECT_EQ(reg.ReadString(""), "the default value");
    EXPECT_EQ(reg.ReadString("Odd"), "quote \" backslash \\ line\r\nbreak\ttab");
    EXPECT_EQ(reg.ReadString("Unicode"), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93");
    EXPECT_TRUE(reg.ValueExists("Empty"));
    EXPECT_EQ(reg.ReadString("Empty"), "");
    EXPECT_FALSE(reg.ValueExists("Missing"));
    EXPECT_EQ(reg.ReadString("Missing"), "");
}

TEST_F(RegistryTest, OverwritesAndDeletesValues) {
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey(Base + "\\Run", true));
    reg.WriteString("Skimbar", "C:\\old\\Skimbar.exe");
    reg.WriteString("SKIMBAR", "C:\\new\\Skimbar.exe");
    EXPECT_EQ(reg.ReadString("Skimbar"), "C:\\new\\Skimbar.exe");
    EXPECT_TRUE(reg.DeleteValue("Skimbar"));
    EXPECT_FALSE(reg.ValueExists("Skimbar"));
    EXPECT_FALSE(reg.DeleteValue("Skimbar"));  // already gone: reported, not raised
}

TEST_F(RegistryTest, ValueOfAnotherTypeIsAnError) {
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey(Base, true));
    reg.WriteInteger("SMTP Email Address", 42);
    reg.WriteInteger("", 7);
    EXPECT_TRUE(reg.ValueExists("SMTP Email Address"));
    EXPECT_EQ(MessageOf([&] { reg.ReadString("SMTP Email Address"); }),
              "Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'SMTP Email Address'");
    EXPECT_EQ(MessageOf([&] { reg.ReadString(""); }), "Ung\xC3\xBCltiger Datentyp f\xC3\xBCr ''");
    // An expandable string reads as text, unexpanded.
    reg.WriteExpandString("Command", "%SystemRoot%\\notepad.exe");
    EXPECT_EQ(reg.ReadString("Command"), "%SystemRoot%\\notepad.exe");
    // A string written over the number makes it readable again.
    reg.WriteString("SMTP Email Address", "me@example.org");
    EXPECT_EQ(reg.ReadString("SMTP Email Address"), "me@example.org");
}

TEST_F(RegistryTest, WritingWithoutAWritableKeyIsAnError) {
    const std::string failed = "Konnte Daten f\xC3\xBCr 'Skimbar' nicht setzen";
    TRegistry reg(RootKey::CurrentUser);
    EXPECT_EQ(MessageOf([&] { reg.WriteString("Skimbar", "x"); }), failed);
    EXPECT_EQ(reg.ReadString("Skimbar"), "");
    EXPECT_FALSE(reg.DeleteValue("Skimbar"));
    ASSERT_TRUE(reg.OpenKey(Base, true));
    ASSERT_TRUE(reg.OpenKeyReadOnly(Base));
    EXPECT_EQ(MessageOf([&] { reg.WriteString("Skimbar", "x"); }), failed);
    EXPECT_EQ(MessageOf([&] { reg.WriteInteger("Skimbar", 1); }), failed);
}

TEST_F(RegistryTest, OpeningFollowsTheKeyTree) {
    TRegistry reg(RootKey::CurrentUser);
    EXPECT_FALSE(reg.OpenKey(Base + "\\Missing", false));
    EXPECT_FALSE(reg.KeyExists(Base + "\\Missing"));
    ASSERT_TRUE(reg.OpenKey(Base + "\\A\\B\\C", true));
    EXPECT_TRUE(reg.KeyExists(Base + "\\A\\B"));  // the keys above were created too
    EXPECT_TRUE(reg.KeyExists(Base + "\\a\\b\\c"));
    reg.WriteString("where", "C");

    // A failed open keeps the key that was open.
    EXPECT_FALSE(reg.OpenKey(Base + "\\Nope", false));
    EXPECT_EQ(reg.ReadString("where"), "C");

    // A path without the leading "\" is below the open key.
    ASSERT_TRUE(reg.OpenKey("D", true));
    reg.WriteString("where", "D");
    ASSERT_TRUE(reg.OpenKey(Base + "\\A\\B\\C\\D\\", false));  // trailing "\" as the Run key is written
    EXPECT_EQ(reg.ReadString("where"), "D");

    ASSERT_TRUE(reg.OpenKey(Base + "\\A", false));
    reg.OpenKey("Second", true);
    ASSERT_TRUE(reg.OpenKey(Base + "\\A", false));
    EXPECT_EQ(reg.SubKeyNames(), "B\r\nSecond");

    EXPECT_TRUE(reg.DeleteKey(Base + "\\A\\B"));
    EXPECT_FALSE(reg.KeyExists(Base + "\\A\\B\\C\\D"));
    EXPECT_FALSE(reg.KeyExists(Base + "\\A\\B"));
    EXPECT_TRUE(reg.KeyExists(Base + "\\A\\Second"));
    EXPECT_FALSE(reg.DeleteKey(Base + "\\A\\B"));
}

TEST_F(RegistryTest, RootsAreApart) {
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey(Base, true));
    reg.WriteString("v", "user");
    reg.SetRootKey(RootKey::ClassesRoot);
    EXPECT_FALSE(reg.KeyExists(Base));
    EXPECT_EQ(reg.ReadString("v"), "");  // the root change closed the key
}

}  // namespace
