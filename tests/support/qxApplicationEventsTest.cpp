// The exception log and the single-instance check inside one process: names, the row
// format with a fixed clock, trimming, reading back, files that cannot be read or written,
// and exceptions of every kind arriving from timers, clicks and window messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <variant>
#include <vector>

#include "core/ForeignException.h"
#include "core/Text.h"
#include "platform/CodeLocation.h"
#include "platform/PlatformTestSupport.h"
#include "support/SupportTestEnv.h"
#include "support/qxApplicationEvents.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Messages.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestDriver.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

const TDateTime kMorning = dt::EncodeDate(2026, 12, 7) + dt::EncodeTime(9, 15, 42, 0);

std::string RealExeName() {
    const std::string saved = platform::ExePath();
    platform::SetExePathForTests("");
    const std::string real = platform::ExtractFileName(platform::ExePath());
    platform::SetExePathForTests(saved);
    return real;
}

[[gnu::noinline]] void RaiseConvertError() { throw EConvertError("'x' ist kein gültiger Integerwert"); }

// Holds the formats, the clock and the halt of a test and puts them back afterwards.
class TAppEventsGuard {
public:
    TAppEventsGuard() {
        dt::SetShortDateFormat("d.m.yy");
        dt::SetShortTimeFormat("hh:nn");
        TqxApplicationEvents::SetNowForTests([this] { return Now; });
        TqxApplicationEvents::SetHaltForTests([this] { ++Halts; });
    }
    ~TAppEventsGuard() {
        TqxApplicationEvents::SetNowForTests({});
        TqxApplicationEvents::SetHaltForTests(
            [] { ADD_FAILURE() << "a second instance would have ended the test program here"; });
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        dt::SetShortTimeFormat("hh:nn");
    }
    TDateTime Now = kMorning;
    int Halts = 0;
};

// ---------------------------------------------------------------------------------------
// Names and texts: no backend needed.

TEST(AppEventsNames, FollowTheExecutableFileName) {
    struct Case {
        const char* exe;
        const char* message;
        const char* lock;
        const char* log;
    } cases[] = {
        {"C:\\Tools\\Skimbar.exe", "WM_USER_Skimbar", "skimbar.exe", "C:\\Tools\\Skimbar.ERR"},
        {"C:\\Tools\\SKIMBAR.EXE", "WM_USER_SKIMBAR", "skimbar.exe", "C:\\Tools\\SKIMBAR.ERR"},
        {"C:\\Tools\\Other.exe", "WM_USER_Other", "other.exe", "C:\\Tools\\Other.ERR"},
        {"C:\\Tools\\Skim.bar.exe", "WM_USER_Skim", "skim.bar.exe", "C:\\Tools\\Skim.bar.ERR"},
        {"C:\\a.b\\Skimbar", "WM_USER_Skimbar", "skimbar", "C:\\a.b\\Skimbar.ERR"},
        {"C:\\Tools\\ÜBER.exe", "WM_USER_ÜBER", "über.exe", "C:\\Tools\\ÜBER.ERR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe);
        EXPECT_EQ(TqxApplicationEvents::WakeUpMessageName(c.exe), c.message);
        EXPECT_EQ(TqxApplicationEvents::InstanceLockName(c.exe), c.lock);
        EXPECT_EQ(TqxApplicationEvents::ErrFileNameFor(c.exe), c.log);
    }
}

TEST(AppEventsNames, OverlongMessageNameIsCutToWhatTheSystemRegisters) {
    const std::string stem(300, 'a');
    const std::string a = TqxApplicationEvents::WakeUpMessageName("C:\\T\\" + stem + ".exe");
    const std::string b = TqxApplicationEvents::WakeUpMessageName("C:\\T\\" + stem + "b.exe");
    const std::string upper = TqxApplicationEvents::WakeUpMessageName("C:\\T\\" + text::AsciiUpper(stem) + ".exe");
    EXPECT_EQ(a.size(), 255u);
    EXPECT_EQ(a.substr(0, 8), "WM_USER_");
    EXPECT_NE(a, b);                                   // cut alike, told apart
    EXPECT_TRUE(text::SameText(a, upper)) << upper;   // as the system compares names
    std::string wide;
    for (int i = 0; i < 200; ++i) wide += "\xF0\x9F\x98\x80";  // two UTF-16 units each
    EXPECT_LE(text::Utf8ToUtf16(TqxApplicationEvents::WakeUpMessageName("C:\\T\\" + wide + ".exe")).size(), 255u);
}

TEST(AppEventsText, RowDateLeavesOutMidnight) {
    dt::SetShortDateFormat("d.m.yy");
    dt::SetShortTimeFormat("hh:nn");
    const TDateTime day = dt::EncodeDate(2026, 12, 7);
    EXPECT_EQ(TqxApplicationEvents::RowDateTime(kMorning), "7.12.26 09:15");
    EXPECT_EQ(TqxApplicationEvents::RowDateTime(day), "7.12.26");
    EXPECT_EQ(TqxApplicationEvents::RowDateTime(day + dt::EncodeTime(0, 0, 0, 500)), "7.12.26");
    EXPECT_EQ(TqxApplicationEvents::RowDateTime(day + dt::EncodeTime(0, 0, 1, 0)), "7.12.26 00:00");
    dt::SetShortTimeFormat("h:nn:ss AMPM");
    EXPECT_EQ(TqxApplicationEvents::RowDateTime(day + dt::EncodeTime(13, 5, 9, 0)), "7.12.26 1:05:09 PM");
    dt::SetShortTimeFormat("hh:nn");
}

TEST(AppEventsText, MessageGetsOneFinalDot) {
    platform::SetExePathForTests("C:\\Tools\\Skimbar.exe");
    struct Case {
        const char* message;
        const char* tail;
    } cases[] = {
        {"Connection Closed Gracefully.", "\nConnection Closed Gracefully."},
        {"Unknown Language: klingon", "\nUnknown Language: klingon."},
        {"", "\n"},
        {"Ende...", "\nEnde..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string text = TqxApplicationEvents::ErrorText(Exception(c.message), 0);
        EXPECT_EQ(text, std::string("Exception Exception in Modul Skimbar.exe bei 00000000.") + c.tail);
    }
    platform::SetExePathForTests("");
}

TEST(AppEventsText, MessageCannotForgeRows) {
    platform::SetExePathForTests("C:\\Tools\\Skimbar.exe");
    const std::string forged = "bad\r\n7.12.26 09:15 -> Anwendungsfehler : forged\nrow\x01\x7f\ttab\xc2\x85"
                               "nel\xe2\x80\xa8" "end\xff";
    const std::string text = TqxApplicationEvents::ErrorText(Exception(forged), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 || c == '\n') << int(c);
    EXPECT_TRUE(text::IsValidUtf8(text));
    EXPECT_NE(text.find("bad  7.12.26 09:15 -> Anwendungsfehler : forged row"), std::string::npos) << text;
    EXPECT_EQ(text.find("\xc2\x85"), std::string::npos);
    EXPECT_EQ(text.find("\xe2\x80\xa8"), std::string::npos);
    platform::SetExePathForTests("");
}

TEST(AppEventsText, MessageCannotReadBackwardsOrPassForARow) {
    platform::SetExePathForTests("C:\\Tools\\Skimbar.exe");
    struct Case {
        const char* message;
        const char* line;  // the row's second line
    } cases[] = {
        {"evil \xE2\x80\xAEtxt.exe", "evil  txt.exe."},                 // U+202E
        {"a\xE2\x80\x8B" "b\xEF\xBB\xBF" "c\xC2\xAD" "d\xE2\x81\xA6" "e", "a b c d e."},  // ZWSP, BOM, SHY, LRI
        {"7.12.26 09:15 -> Anwendungsfehler : forged", " 7.12.26 09:15 -> Anwendungsfehler : forged."},
        {"7.12.26 -> forged", " 7.12.26 -> forged."},
        {"12 -> 13", " 12 -> 13."},
        {"x 7.12.26 -> y", "x 7.12.26 -> y."},  // not at the start of the line
        {"7 dwarfs", "7 dwarfs."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string text = TqxApplicationEvents::ErrorText(Exception(c.message), 0);
        EXPECT_EQ(text.substr(text.find('\n') + 1), c.line);
    }
    platform::SetExePathForTests("");
}

TEST(AppEventsText, TextIsCutAt1023Characters) {
    platform::SetExePathForTests("C:\\Tools\\Skimbar.exe");
    for (const char* unit : {"x", "ü", "€"}) {
        std::string message;
        for (int i = 0; i < 1500; ++i) message += unit;
        const std::string text = TqxApplicationEvents::ErrorText(Exception(message), 0);
        EXPECT_EQ(text::CharCount(text), 1023u);
        EXPECT_TRUE(text::IsValidUtf8(text));
    }
    platform::SetExePathForTests("");
}

TEST(AppEventsText, RaiseAddressIsNamedByModuleAndOffset) {
    std::uintptr_t raised = 0;
    try {
        RaiseConvertError();
    } catch (const Exception& e) {
        raised = e.RaiseAddress();
    }
    ASSERT_NE(raised, 0u);
    const auto fn = platform::LocateCode(reinterpret_cast<std::uintptr_t>(&RaiseConvertError));
    ASSERT_TRUE(fn.has_value());
    const std::string text = TqxApplicationEvents::ErrorText(EConvertError("m"), raised);
    const std::string head = "Exception EConvertError in Modul " + RealExeName() + " bei ";
    ASSERT_EQ(text.substr(0, head.size()), head) << text;
    const std::string hex = text.substr(head.size(), 8);
    EXPECT_EQ(text.substr(head.size() + 8), ".\nm.");
    for (char c : hex) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(c)) << hex;
    // The address lies inside the function that raised, counted from the same module start.
    const std::uintptr_t offset = std::stoull(hex, nullptr, 16);
    EXPECT_GE(offset, fn->Offset);
    EXPECT_LT(offset, fn->Offset + 256);
}

// ---------------------------------------------------------------------------------------
// The log in a program folder of its own (headless backend).

class AppEventsLogTest : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        supporttest::AppFolderTest::SetUp();
        InitializeQxGeneral();
    }
    void TearDown() override {
        delete FForm;
        FForm = nullptr;
        supporttest::AppFolderTest::TearDown();
    }
    // A form holding the component, built the way its design is read.
    TqxApplicationEvents* Place(int maxRows = 1000, bool showBox = false, bool startOnce = false) {
        FForm = new TForm(nullptr);
        FForm->BeginReading();
        auto* events = new TqxApplicationEvents(FForm);
        events->SetName("qxApplicationEvents1");
        events->SetMaxErrRows(maxRows);
        events->SetShowExceptionBox(showBox);
        events->SetStartOnce(startOnce);
        FForm->EndDesign();
        return events;
    }
    // Raises through the application's exception handling, as a handler would.
    template <class E>
    void Raise(E e) {
        try {
            throw e;
        } catch (...) {
            Application->HandleException(nullptr);
        }
    }
    std::string Row(const std::string& message) {
        return TqxApplicationEvents::ErrorRow(Exception(message), 0, G.Now);
    }
    ui::headless::THeadless& H() { return FSession.Backend(); }

    ui::headless::TSession FSession;
    TAppEventsGuard G;
    TForm* FForm = nullptr;
};

TEST_F(AppEventsLogTest, RowFormatWithAFixedClock) {
    TqxApplicationEvents* events = Place();
    EXPECT_EQ(events->ErrFileName(), AtUtf8("Skimbar.ERR"));
    events->LogException(EConvertError("'x' ist kein gültiger Integerwert"), 0);
    const std::string row =
        "7.12.26 09:15 -> Anwendungsfehler : Exception EConvertError in Modul Skimbar.exe bei 00000000.\n"
        "'x' ist kein gültiger Integerwert.";
    ASSERT_EQ(events->ErrRows().Count(), 1);
    EXPECT_EQ(events->ErrRows()[0], row);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), row + "\r\n");  // UTF-8, the bare line feed kept
    G.Now = dt::EncodeDate(2026, 12, 8);
    events->LogException(Exception("Ende."), 0);
    EXPECT_EQ(events->ErrRows()[1],
              "8.12.26 -> Anwendungsfehler : Exception Exception in Modul Skimbar.exe bei 00000000.\nEnde.");
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));  // the log never writes the settings
}

TEST_F(AppEventsLogTest, OldRowsAreReadBackSplitAtEveryLineBreak) {
    // An old entry with its bare line feed counts as two rows; Windows-1252 becomes UTF-8.
    WriteFile("Skimbar.ERR", "1.1.26 -> Anwendungsfehler : Exception E in Modul M bei 0.\nGr\xF6\xDF" "e.\r\nlast\rcr\r\n");
    TqxApplicationEvents* events = Place();
    ASSERT_EQ(events->ErrRows().Count(), 4);
    EXPECT_EQ(events->ErrRows()[1], "Größe.");
    EXPECT_EQ(events->ErrRows()[3], "cr");
    events->LogException(Exception("neu"), 0);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), "1.1.26 -> Anwendungsfehler : Exception E in Modul M bei 0.\r\nGröße.\r\n"
                                       "last\r\ncr\r\n" + Row("neu") + "\r\n");
}

TEST_F(AppEventsLogTest, TrimmingKeepsTheNewestRows) {
    struct Case {
        int max;
        std::vector<std::string> expected;
    } cases[] = {
        {3, {"b", "c", "*"}},
        {5, {"a", "b", "c", "*"}},
        {1, {"*"}},
        {0, {}},
        {-5, {}},  // taken as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.max);
        WriteFile("Skimbar.ERR", "a\r\nb\r\nc\r\n");
        TqxApplicationEvents* events = Place(c.max);
        EXPECT_EQ(events->ErrRows().Count(), 3);  // trimmed only when a row is added
        events->LogException(Exception("new"), 0);
        std::string expected;
        for (const std::string& r : c.expected) expected += (r == "*" ? Row("new") : r) + "\r\n";
        EXPECT_EQ(ReadFile("Skimbar.ERR"), expected);
        EXPECT_TRUE(Exists("Skimbar.ERR"));
        EXPECT_EQ(events->ErrRows().Count(), static_cast<int>(c.expected.size()));
        delete FForm;
        FForm = nullptr;
    }
}

TEST_F(AppEventsLogTest, OnlyTheRowsTheLogKeepsAreRead) {
    std::string log;
    for (int i = 0; i < 1500; ++i) log += "row " + std::to_string(i) + (i % 2 ? "\n" : "\r\n");
    WriteFile("Skimbar.ERR", log);
    TqxApplicationEvents* events = Place();
    ASSERT_EQ(events->ErrRows().Count(), 1000);
    EXPECT_EQ(events->ErrRows()[0], "row 500");
    EXPECT_EQ(events->ErrRows()[999], "row 1499");
    delete FForm;
    FForm = nullptr;
    // A design value above the default, set before any row: the older rows count too.
    events = Place(2000);
    ASSERT_EQ(events->ErrRows().Count(), 1500);
    EXPECT_EQ(events->ErrRows()[0], "row 0");
}

TEST_F(AppEventsLogTest, UnreadableLogIsKeptNotOverwritten) {
    // Not text: the program starts, and the next row goes to a new log; the old one is set
    // aside untouched.
    const std::string binary("MZ\x90\0\x03\0\0\0", 8);
    WriteFile("Skimbar.ERR", binary);
    TqxApplicationEvents* events = Place();
    EXPECT_EQ(events->ErrRows().Count(), 0);
    events->LogException(Exception("first"), 0);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), Row("first") + "\r\n");
    EXPECT_EQ(ReadFile("Skimbar-unreadable-1.ERR"), binary);
    events->LogException(Exception("second"), 0);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), Row("first") + "\r\n" + Row("second") + "\r\n");
    EXPECT_FALSE(Exists("Skimbar-unreadable-2.ERR"));
#ifndef _WIN32
    if (::geteuid() != 0) {  // root reads whatever the mode says
        // Unreadable at start, readable again by the first exception: its history stays in
        // front of the new row.
        delete FForm;
        FForm = nullptr;
        WriteFile("Skimbar.ERR", "old 1\r\nold 2\r\n");
        ASSERT_EQ(::chmod(AtUtf8("Skimbar.ERR").c_str(), 0), 0);
        EXPECT_NO_THROW(events = Place());
        EXPECT_EQ(events->ErrRows().Count(), 0);
        ASSERT_EQ(::chmod(AtUtf8("Skimbar.ERR").c_str(), 0644), 0);
        events->LogException(Exception("third"), 0);
        EXPECT_EQ(ReadFile("Skimbar.ERR"), "old 1\r\nold 2\r\n" + Row("third") + "\r\n");
        // Unreadable for good: set aside under the next free name.
        delete FForm;
        FForm = nullptr;
        ASSERT_EQ(::chmod(AtUtf8("Skimbar.ERR").c_str(), 0), 0);
        events = Place();
        events->LogException(Exception("fourth"), 0);
        ASSERT_EQ(::chmod(AtUtf8("Skimbar-unreadable-2.ERR").c_str(), 0644), 0);
        EXPECT_EQ(ReadFile("Skimbar-unreadable-2.ERR"), "old 1\r\nold 2\r\n" + Row("third") + "\r\n");
        EXPECT_EQ(ReadFile("Skimbar.ERR"), Row("fourth") + "\r\n");
    }
#endif
}

TEST_F(AppEventsLogTest, UnwritableLogKeepsRowsForTheNextSave) {
    TqxApplicationEvents* events = Place();
    fs::create_directories(At("Skimbar.ERR"));  // a folder in the log's place
    Raise(Exception("one"));
    EXPECT_EQ(events->ErrRows().Count(), 1);
    EXPECT_TRUE(H().MessageBoxes().empty());  // nothing reported
    fs::remove(At("Skimbar.ERR"));
    Raise(Exception("two"));
    ASSERT_EQ(events->ErrRows().Count(), 2);
    EXPECT_NE(events->ErrRows()[0].find("\none."), std::string::npos);
    EXPECT_NE(events->ErrRows()[1].find("\ntwo."), std::string::npos);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), events->ErrRows()[0] + "\r\n" + events->ErrRows()[1] + "\r\n");
}

TEST_F(AppEventsLogTest, ExceptionsOfEveryKindBecomeRows) {
    TqxApplicationEvents* events = Place();
    Raise(EAbort(""));  // silent: no row
    EAbort direct("direct");
    events->AppException(nullptr, direct);
    EXPECT_EQ(events->ErrRows().Count(), 0);
    EXPECT_FALSE(Exists("Skimbar.ERR"));

    std::string outOfRange, badVariant;
    try {
        std::vector<int> v(2);
        (void)v.at(5);
    } catch (const std::exception& e) {
        outOfRange = e.what();
        Application->HandleException(nullptr);
    }
    try {
        std::variant<int, std::string> v = 1;
        (void)std::get<std::string>(v);
    } catch (const std::exception& e) {
        badVariant = e.what();
        Application->HandleException(nullptr);
    }
    ASSERT_FALSE(outOfRange.empty());
    ASSERT_FALSE(badVariant.empty());
    Raise(std::bad_alloc());
    Raise(42);
    Raise(std::string("a thrown text"));
    // The row's second line: the message, a "." after it unless it has one or is empty.
    auto line = [](const std::string& m) { return "\n" + m + (m.empty() || m.back() == '.' ? "" : "."); };
    struct Case {
        const char* className;
        std::string tail;
    } expected[] = {
        {"std::out_of_range", line(outOfRange)},
        {"std::bad_variant_access", line(badVariant)},
        {"std::bad_alloc", line(std::bad_alloc().what())},
        {"int", line("")},
        {"std::string", line("a thrown text")},
    };
    ASSERT_EQ(events->ErrRows().Count(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].className);
        const std::string& row = events->ErrRows()[i];
        EXPECT_NE(row.find(std::string(" : Exception ") + expected[i].className + " in Modul "), std::string::npos)
            << row;
        ASSERT_GE(row.size(), expected[i].tail.size());
        EXPECT_EQ(row.substr(row.size() - expected[i].tail.size()), expected[i].tail);
        EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1) << row;
    }
    EXPECT_TRUE(H().MessageBoxes().empty());
}

TEST_F(AppEventsLogTest, ErrorBoxOnlyWhenAskedFor) {
    TqxApplicationEvents* events = Place(1000, true);
    H().AnswerMessageBox(ui::IdOk);
    Raise(EConvertError("'q' ist kein gültiger Integerwert"));
    ASSERT_EQ(H().MessageBoxes().size(), 1u);
    const auto& box = H().MessageBoxes()[0];
    EXPECT_EQ(box.Caption, "Anwendungsfehler");
    EXPECT_EQ(box.Flags, ui::MbOk | ui::MbIconError | ui::MbTaskModal);
    ASSERT_EQ(events->ErrRows().Count(), 1);
    EXPECT_EQ(events->ErrRows()[0], "7.12.26 09:15 -> Anwendungsfehler : " + box.Text);
    Raise(EAbort(""));
    events->SetShowExceptionBox(false);  // counts from the next exception on
    Raise(Exception("quiet"));
    EXPECT_EQ(H().MessageBoxes().size(), 1u);
    EXPECT_EQ(events->ErrRows().Count(), 2);
}

TEST_F(AppEventsLogTest, CreationMakesTheSettingsObjectWhenMissing) {
    FinalizeQxGeneral();
    ASSERT_EQ(CfgIniFile, nullptr);
    Place();
    ASSERT_NE(CfgIniFile, nullptr);
    EXPECT_TRUE(fs::is_directory(At("Cfg")));
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));  // made by the first write only
    // A Cfg folder that cannot be made: the error leaves the creation.
    delete FForm;
    FForm = nullptr;
    FinalizeQxGeneral();
    fs::remove_all(At("Cfg"));
    WriteFile("Cfg", "a file in the folder's place");
    try {
        new TqxApplicationEvents(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Error creating Directory " + GetAppDir() + "Cfg");
    }
}

TEST_F(AppEventsLogTest, InstallsAndReturnsTheApplicationEvents) {
    TqxApplicationEvents* events = Place();
    EXPECT_TRUE(static_cast<bool>(Application->OnException));
    EXPECT_TRUE(static_cast<bool>(Application->OnMessage));
    delete FForm;
    FForm = nullptr;
    EXPECT_FALSE(static_cast<bool>(Application->OnException));
    EXPECT_FALSE(static_cast<bool>(Application->OnMessage));
    // Events that another took over meanwhile stay with it.
    events = Place();
    int other = 0;
    Application->OnException = [&](TObject*, Exception&) { ++other; };
    delete FForm;
    FForm = nullptr;
    Raise(Exception("x"));
    EXPECT_EQ(other, 1);
    (void)events;
}

TEST_F(AppEventsLogTest, DesignModeDoesNothing) {
    WriteFile("Skimbar.ERR", "old\r\n");
    FForm = new TForm(nullptr);
    FForm->Include(csDesigning);
    FForm->BeginReading();
    auto* events = new TqxApplicationEvents(FForm);
    events->SetStartOnce(true);
    FForm->EndDesign();
    EXPECT_EQ(events->ErrRows().Count(), 0);
    EXPECT_FALSE(static_cast<bool>(Application->OnException));
    EXPECT_FALSE(events->HoldsInstanceLock());
    EXPECT_EQ(events->ShowExceptionBox(), true);
    EXPECT_EQ(events->MaxErrRows(), 1000);
    EXPECT_EQ(events->StartOnce(), true);
}

TEST_F(AppEventsLogTest, PublishedProperties) {
    TqxApplicationEvents* events = Place();
    EXPECT_EQ(std::get<int>(GetPropValue(*events, "MaxErrRows")), 1000);
    SetPropValue(*events, "ShowExceptionBox", true);
    SetPropValue(*events, "StartOnce", true);
    EXPECT_TRUE(events->ShowExceptionBox());
    EXPECT_TRUE(events->StartOnce());
    EXPECT_FALSE(events->HoldsInstanceLock());  // takes effect in Loaded only
}

TEST_F(AppEventsLogTest, SecondInstanceInOneProcessIsStopped) {
    TqxApplicationEvents* first = Place(1000, false, true);
    EXPECT_TRUE(first->HoldsInstanceLock());
    TForm* firstForm = FForm;
    firstForm->HandleNeeded();  // a window the broadcast reaches
    Application->SetMainForm(firstForm);
    EXPECT_FALSE(firstForm->Visible());
    TqxApplicationEvents* second = Place(1000, false, true);
    TForm* secondForm = FForm;
    EXPECT_EQ(G.Halts, 1);
    EXPECT_FALSE(second->HoldsInstanceLock());
    // Its wake-up reaches the first, which shows its main window.
    for (int i = 0; i < 20 && !firstForm->Visible(); ++i) H().advance(TqxApplicationEvents::kWakePollMs);
    EXPECT_TRUE(firstForm->Visible());
    // Another file name is not stopped.
    UseExecutable("Other.exe");
    TqxApplicationEvents* other = Place(1000, false, true);
    EXPECT_TRUE(other->HoldsInstanceLock());
    EXPECT_EQ(G.Halts, 1);
    delete FForm;
    delete secondForm;
    FForm = firstForm;
    // A first instance keeps its lock after its component is gone, until the process ends.
    UseExecutable("Skimbar.exe");
    delete FForm;
    FForm = nullptr;
    Place(1000, false, true);
    EXPECT_EQ(G.Halts, 2);
    delete FForm;
    FForm = nullptr;
    TqxApplicationEvents::ReleaseInstanceLocksForTests();
    EXPECT_TRUE(Place(1000, false, true)->HoldsInstanceLock());
}

TEST_F(AppEventsLogTest, WakeUpShowsOrRestoresTheMainForm) {
    TqxApplicationEvents* events = Place();
    Application->SetMainForm(FForm);
    TMsg other{0, ui::WmUser + 5, 0, 0};
    bool handled = false;
    events->AppMessage(other, handled);
    EXPECT_FALSE(handled);
    ui::PostMsg(0, events->StartOnceMessage());
    H().Flush();
    EXPECT_TRUE(FForm->Visible());
    const int restores = H().RestoreCount();
    ui::PostMsg(0, events->StartOnceMessage());
    H().Flush();
    EXPECT_EQ(H().RestoreCount(), restores + 1);
    // The form may show the bar its own way.
    FForm->Hide();
    int woken = 0;
    events->OnWakeUp = [&](TObject* sender) {
        EXPECT_EQ(sender, events);
        ++woken;
    };
    TMsg wake{0, events->StartOnceMessage(), 0, 0};
    events->AppMessage(wake, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(woken, 1);
    EXPECT_FALSE(FForm->Visible());
    // Without a main form nothing happens.
    events->OnWakeUp = nullptr;
    Application->SetMainForm(nullptr);
    events->AppMessage(wake, handled);
    EXPECT_FALSE(FForm->Visible());
}

// ---------------------------------------------------------------------------------------
// Exceptions from handlers reach the log, on every backend.

class AppEventsUiTest : public uitest::UiTest {
protected:
    void SetUp() override {
        uitest::UiTest::SetUp();
        static int counter = 0;
        FRoot = fs::temp_directory_path() /
                ("skimbar-appevents-" + GetParam() + "-" + std::to_string(platformtest::ProcessId()) + "-" +
                 std::to_string(++counter));
        fs::remove_all(FRoot);
        fs::create_directories(FRoot);
        platform::SetExePathForTests(supporttest::Utf8(FRoot / "Skimbar.exe"));
        FinalizeQxGeneral();
        FForm = new TForm(nullptr);
        FForm->SetBounds(10, 10, 200, 100);
        FForm->BeginReading();
        Events = new TqxApplicationEvents(FForm);
        Events->SetShowExceptionBox(false);
        FForm->EndDesign();
    }
    void TearDown() override {
        delete FForm;
        FinalizeQxGeneral();
        uitest::UiTest::TearDown();
        platform::SetExePathForTests("");
        std::error_code ec;
        fs::remove_all(FRoot, ec);
    }
    bool WaitRows(int n) {
        return D().WaitFor([&] { return Events->ErrRows().Count() >= n; }, 3000);
    }

    TAppEventsGuard G;
    fs::path FRoot;
    TForm* FForm = nullptr;
    TqxApplicationEvents* Events = nullptr;
};

TEST_P(AppEventsUiTest, TimerClickAndMessageExceptionsArriveAsRows) {
    auto* timer = new TTimer(FForm);
    timer->SetInterval(10);
    timer->OnTimer = [timer](TObject*) {
        timer->SetEnabled(false);
        std::vector<int> v;
        (void)v.at(3);
    };
    ASSERT_TRUE(WaitRows(1));
    EXPECT_NE(Events->ErrRows()[0].find("Exception std::out_of_range in Modul "), std::string::npos);

    auto* button = new TButton(FForm);
    button->SetParent(FForm);
    button->SetBounds(10, 10, 80, 24);
    button->OnClick = [](TObject*) { RaiseConvertError(); };
    FForm->Show();
    D().Click(*button);
    ASSERT_TRUE(WaitRows(2));
    EXPECT_NE(Events->ErrRows()[1].find("Exception EConvertError in Modul " + RealExeName() + " bei "),
              std::string::npos)
        << Events->ErrRows()[1];

    const ui::THandle window = ui::AllocateHWnd([](TMessage& m) {
        if (m.Msg == ui::WmUser + 7) throw Exception("from a message");
    });
    ui::PostMsg(window, ui::WmUser + 7);
    const bool third = WaitRows(3);
    ui::DeallocateHWnd(window);
    ASSERT_TRUE(third);
    EXPECT_NE(Events->ErrRows()[2].find("from a message."), std::string::npos);

    button->OnClick = [](TObject*) { throw EAbort("silent"); };
    D().Click(*button);
    D().Wait(50);
    EXPECT_EQ(Events->ErrRows().Count(), 3);
    EXPECT_EQ(D().MessageBoxCount(), 0);
    // Every row reached the file.
    std::ifstream in(FRoot / "Skimbar.ERR", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(file, Events->ErrRows().Text());
}

TEST_P(AppEventsUiTest, BroadcastWakeUpShowsTheHiddenMainForm) {
    Application->SetMainForm(FForm);
    FForm->HandleNeeded();  // a window the broadcast reaches
    ASSERT_FALSE(FForm->Visible());
    ui::BroadcastMsg(Events->StartOnceMessage());
    EXPECT_TRUE(D().WaitFor([&] { return FForm->Visible(); }, 3000));
    Application->SetMainForm(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Backends, AppEventsUiTest, ::testing::ValuesIn(uitest::Backends()),
                         [](const auto& info) { return info.param; });

}  // namespace
