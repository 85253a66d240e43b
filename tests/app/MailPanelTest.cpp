// The ticker item on the headless backend, whose text metrics are fixed: a 7-point font
// (9 pixels) draws each character 6 pixels wide and a line 11 pixels high.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/MailPanel.h"
#include "app/SkimbarImages.h"
#include "app/ShownText.h"
#include "core/DateTime.h"
#include "support/SupportTestEnv.h"
#include "support/qxGeneral.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace {

constexpr int kChar = 6, kLine = 11;

class MailPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dt::SetShortDateFormat("d.m.yy");
        dt::SetShortTimeFormat("h:nn");
        Application->CreateForm(FBar);
        FBar->SetBorderStyle(bsNone);
        FBar->SetBounds(0, 0, 1000, 38);
        FBar->SetColor(clBlack);
        FBar->Show();
        FIcon.SetImage(SkimbarImage(0));
    }
    void TearDown() override {
        dt::SetShortTimeFormat(FSavedTime);
        dt::SetShortDateFormat(FSavedDate);
    }
    // An item filled in the bar's order of use.
    TMailPanel* Fill(const std::string& sender, const std::string& subject, int size, TDateTime date,
                     TNotifyEvent click = {}) {
        auto* item = new TMailPanel(nullptr);
        FItems.emplace_back(item);
        item->SetParent(FBar);
        item->SetTextColor(clLime);
        item->SetBackColor(0x402000);
        item->OnClick = click;
        item->SetLeft(10);
        item->SetSender(sender);
        item->SetSubject(subject);
        item->SetSize(size);
        item->SetId("<id@x>");
        item->SetIcon(&FIcon);
        item->SetHint("hint");
        item->SetDate(date);
        item->SetShowHint(true);
        item->SetAlive(true);
        return item;
    }
    ui::headless::THeadless& H() { return FSession.Backend(); }

    ui::headless::TSession FSession;
    std::string FSavedDate = dt::ShortDateFormat(), FSavedTime = dt::ShortTimeFormat();
    TForm* FBar = nullptr;
    TIcon FIcon;
    struct TDeleter {
        void operator()(TMailPanel* p) const { delete p; }
    };
    std::vector<std::unique_ptr<TMailPanel, TDeleter>> FItems;
};

TDateTime Dec7At905() { return dt::EncodeDate(2026, 12, 7) + dt::EncodeTime(9, 5, 0, 0); }

}  // namespace

TEST_F(MailPanelTest, ConstructionGivesAnEmptyWindowlessItem) {
    auto* item = new TMailPanel(nullptr);
    FItems.emplace_back(item);
    EXPECT_EQ(item->Top(), 0);
    EXPECT_EQ(item->Height(), 37);
    EXPECT_EQ(item->Color(), clBlack);
    EXPECT_EQ(item->Cursor(), crHandPoint);
    EXPECT_TRUE(item->Visible());
    EXPECT_FALSE(item->FullRepaint());
    EXPECT_TRUE(item->ControlStyle() & csOpaque);
    EXPECT_FALSE(item->IsNative());
    EXPECT_EQ(item->Hint(), "Click to open your standard mail program");
    EXPECT_FALSE(item->Alive());
    EXPECT_EQ(item->ControlCount(), 0);  // children get their parent from their setter
    EXPECT_EQ(item->ComponentCount(), 6);
    EXPECT_TRUE(item->Icon().Empty());
    int windows = H().WindowCount();
    item->SetParent(FBar);
    EXPECT_EQ(H().WindowCount(), windows);
}

TEST_F(MailPanelTest, LayoutFollowsTheLongerLineWithItsRightHandLabel) {
    TMailPanel* item = Fill("a@b.c", "Hello", 2048, Dec7At905());
    // "From: a@b.c" 11, "Subj: Hello" 11, "7.12.26" 7, "9:05" 4, "2 KB" 4 characters.
    EXPECT_EQ(item->FromLabel()->Caption(), "From: a@b.c");
    EXPECT_EQ(item->SubjectLabel()->Caption(), "Subj: Hello");
    EXPECT_EQ(item->DateLabel()->Caption(), "7.12.26");
    EXPECT_EQ(item->TimeLabel()->Caption(), "9:05");
    EXPECT_EQ(item->SizeLabel()->Caption(), "2 KB");
    int width = 11 * kChar + 7 * kChar + 34;
    EXPECT_EQ(item->Width(), width);
    EXPECT_EQ(item->Left(), 10);
    EXPECT_EQ(item->FromLabel()->BoundsRect(), Bounds(24, 1, 11 * kChar, kLine));
    EXPECT_EQ(item->SubjectLabel()->BoundsRect(), Bounds(24, 20, 11 * kChar, kLine));
    EXPECT_EQ(item->DateLabel()->BoundsRect(), Bounds(width - 7 * kChar - 2, 1, 7 * kChar, kLine));
    EXPECT_EQ(item->TimeLabel()->BoundsRect(), Bounds(width - 4 * kChar - 2, kLine + 1, 4 * kChar, kLine));
    EXPECT_EQ(item->SizeLabel()->BoundsRect(), Bounds(width - 4 * kChar - 2, 2 * kLine, 4 * kChar, kLine));
    // The icon sits in the icon column inside the bevel, centred over the client height.
    EXPECT_EQ(item->IconImage()->BoundsRect(), Bounds(1, 1, 16, 35));
    EXPECT_TRUE(item->IconImage()->Center());
    EXPECT_EQ(item->IconImage()->Align(), alLeft);
    EXPECT_EQ(item->Icon().Image(), FIcon.Image());  // a copy that shares the picture

    // Texts in the text colour on the item's colour; date, time and size in white.
    for (TLabel* l : {item->FromLabel(), item->SubjectLabel()}) {
        EXPECT_EQ(l->Font().Color(), clLime);
        EXPECT_EQ(l->Font().Name(), "Courier");
    }
    for (TLabel* l : {item->DateLabel(), item->TimeLabel(), item->SizeLabel()}) {
        EXPECT_EQ(l->Font().Color(), clWhite);
        EXPECT_EQ(l->Font().Name(), "Courier New");
    }
    for (TLabel* l : {item->FromLabel(), item->DateLabel()}) {
        EXPECT_EQ(l->Font().Size(), 7);
        EXPECT_EQ(l->Font().Pitch(), fpFixed);
        EXPECT_EQ(l->Color(), 0x402000);
        EXPECT_TRUE(l->ControlStyle() & csOpaque);
        EXPECT_FALSE(l->Transparent());
    }
    EXPECT_EQ(item->Color(), 0x402000);
    EXPECT_EQ(item->Id(), "<id@x>");
    EXPECT_EQ(item->Size(), 2048);
    EXPECT_TRUE(item->Alive());
}

TEST_F(MailPanelTest, WidthTakesTheSubjectLineWhenItIsTheLongerOne) {
    std::string subject(30, 's');
    TMailPanel* item = Fill("x@y", subject, 1, Dec7At905());
    // "Subj: " + 30 = 36 characters with the time (4) beats "From: x@y" (9) with the date (7).
    EXPECT_EQ(item->Width(), 36 * kChar + 4 * kChar + 34);
    std::string sender(40, 'f');
    TMailPanel* other = Fill(sender, "s", 1, Dec7At905());
    EXPECT_EQ(other->Width(), 46 * kChar + 7 * kChar + 34);
    EXPECT_EQ(other->DateLabel()->Left(), other->Width() - 7 * kChar - 2);
}

TEST_F(MailPanelTest, SubjectIsCutAfter30CharactersCountingCharactersNotBytes) {
    struct Case {
        std::string Subject, Shown;
    } cases[] = {
        {"", "Subj: "},
        {std::string(30, 'a'), "Subj: " + std::string(30, 'a')},
        {std::string(31, 'a'), "Subj: " + std::string(27, 'a') + "..."},
    };
    for (const Case& c : cases) EXPECT_EQ(TMailPanel::SubjectLine(c.Subject), c.Shown);

    std::string u30, u27;
    for (int i = 0; i < 30; ++i) u30 += "\xc3\xa4";  // 30 characters, 60 bytes
    for (int i = 0; i < 27; ++i) u27 += "\xc3\xa4";
    EXPECT_EQ(TMailPanel::SubjectLine(u30), "Subj: " + u30);
    EXPECT_EQ(TMailPanel::SubjectLine(u30 + "\xe2\x82\xac"), "Subj: " + u27 + "...");
    // A cut after a multi-byte character at the very edge keeps it whole.
    std::string mixed = std::string(26, 'a') + "\xf0\x9f\x98\x80" + "tail....";
    EXPECT_EQ(TMailPanel::SubjectLine(mixed), "Subj: " + std::string(26, 'a') + "\xf0\x9f\x98\x80" + "...");
    TMailPanel* item = Fill("a", u30 + "x", 0, Dec7At905());
    EXPECT_EQ(item->SubjectLabel()->Caption(), "Subj: " + u27 + "...");
    EXPECT_EQ(item->SubjectLabel()->Width(), (6 + 30) * kChar);
    EXPECT_EQ(item->Subject(), u30 + "x");  // the field keeps the text passed in
}

// A sender may be a whole header line (up to a megabyte): cut as a subject is, late enough
// that ordinary addresses stay whole.
TEST_F(MailPanelTest, SenderIsCutAfter64Characters) {
    const std::string address = "firstname.middlename.lastname@department.example-company.co.uk";  // 62
    EXPECT_EQ(TMailPanel::SenderLine(address), "From: " + address);
    EXPECT_EQ(TMailPanel::SenderLine(std::string(64, 'a')), "From: " + std::string(64, 'a'));
    EXPECT_EQ(TMailPanel::SenderLine(std::string(65, 'a')), "From: " + std::string(61, 'a') + "...");
    const std::string huge(1 << 20, 'x');
    TMailPanel* item = Fill(huge, "s", 0, Dec7At905());
    EXPECT_EQ(item->FromLabel()->Caption(), "From: " + std::string(61, 'x') + "...");
    EXPECT_EQ(item->SenderText(), huge);
    EXPECT_LT(item->Width(), 100 * kChar);
}

TEST_F(MailPanelTest, SizeShowsWholeKilobytesAndNoFigureBelowHalfAKilobyte) {
    struct Case {
        int Bytes;
        const char* Shown;
    } cases[] = {{0, " KB"},    {1, " KB"},       {511, " KB"},          {512, "1 KB"},
                 {2048, "2 KB"}, {1535, "1 KB"}, {10485760, "10240 KB"}, {-1, " KB"}};
    for (const Case& c : cases) EXPECT_EQ(TMailPanel::SizeText(c.Bytes), c.Shown) << c.Bytes;
}

TEST_F(MailPanelTest, ControlCharactersInHeadersAreShownAsBlanksAndNeverDrawn) {
    std::string sender = "evil\xe2\x80\xae" "moc.x@y";
    std::string subject = std::string("Tab\there\r\n folded\0nul", 21);
    TMailPanel* item = Fill(sender, subject, 100, Dec7At905());
    EXPECT_EQ(item->FromLabel()->Caption(), "From: evil moc.x@y");
    EXPECT_EQ(item->SubjectLabel()->Caption(), "Subj: Tab here   folded nul");
    EXPECT_EQ(item->SenderText(), sender);
    for (const ui::headless::TPaintOp& op : H().Paint(*FBar)) {
        if (op.What != ui::headless::TPaintOp::Text) continue;
        EXPECT_FALSE(shown::NeedsBlanking(op.Shown)) << op.Shown;
    }
}

TEST_F(MailPanelTest, AClickOnAnyPartReachesTheItemsHandler) {
    int clicks = 0;
    TMailPanel* item = Fill("a@b.c", "Hello", 2048, Dec7At905(), [&](TObject*) { ++clicks; });
    std::vector<TControl*> parts{item->FromLabel(), item->SubjectLabel(), item->DateLabel(),
                                 item->TimeLabel(), item->SizeLabel(),    item->IconImage()};
    for (TControl* part : parts) H().Click(*part);
    EXPECT_EQ(clicks, 6);
    H().Click(*item);  // the bevel and the free space
    EXPECT_EQ(clicks, 7);
}

TEST_F(MailPanelTest, SettersCopyTheHandlerTheItemHasWhenTheyRun) {
    // The order of use matters: a handler set after a setter ran does not reach that child.
    int clicks = 0;
    auto* item = new TMailPanel(nullptr);
    FItems.emplace_back(item);
    item->SetParent(FBar);
    item->SetTextColor(clRed);
    item->SetSender("early");
    item->OnClick = [&](TObject*) { ++clicks; };
    item->SetSubject("late");
    item->SetTextColor(clBlue);
    item->SetSize(5000);
    H().Click(*item->FromLabel());
    EXPECT_EQ(clicks, 0);
    H().Click(*item->SubjectLabel());
    EXPECT_EQ(clicks, 1);
    // Labels keep the colour they were filled with.
    EXPECT_EQ(item->FromLabel()->Font().Color(), clRed);
    EXPECT_EQ(item->SubjectLabel()->Font().Color(), clRed);
    EXPECT_EQ(item->TextColor(), clBlue);
    // Unfilled labels have no parent yet and are not shown.
    EXPECT_EQ(item->DateLabel()->Parent(), nullptr);
    EXPECT_EQ(item->IconImage()->Parent(), nullptr);
    EXPECT_EQ(item->SizeLabel()->Parent(), item);
}

TEST_F(MailPanelTest, PaintsBevelTextsAndIconInsideItsBounds) {
    TMailPanel* item = Fill("a@b.c", "Hello", 2048, Dec7At905());
    std::vector<ui::headless::TPaintOp> ops = H().Paint(*FBar);
    TRect bounds = item->BoundsRect();
    std::vector<std::string> texts;
    int images = 0;
    for (const auto& op : ops) {
        if (op.What == ui::headless::TPaintOp::Text) texts.push_back(op.Shown);
        if (op.What == ui::headless::TPaintOp::Image) {
            ++images;
            EXPECT_EQ(op.Rect, Bounds(bounds.Left + 1, 10, 16, 16));  // centred in 35 rows
        }
        if (op.What != ui::headless::TPaintOp::Fill || op.Rect.Width() == FBar->ClientWidth()) continue;
        EXPECT_EQ(op.Rect.Intersect(bounds), op.Rect);
    }
    EXPECT_EQ(images, 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"From: a@b.c", "Subj: Hello", "2 KB", "7.12.26", "9:05"}));
}

namespace {
class MailPanelLanguageTest : public supporttest::AppFolderTest {
protected:
    ui::headless::TSession FSession;
};
}  // namespace

TEST_F(MailPanelLanguageTest, TextsComeFromTheKeyedStringsOfTheLanguageActiveWhenTheSettersRan) {
    WriteFile("Language/english.ini", "[General]\nMAILPANEL_MSG_MAILFROM=From:\nMAILPANEL_MSG_MAILSUBJECT=Subj:\n");
    WriteFile("Language/german.ini",
              "[General]\nMAILPANEL_MSG_MAILFROM=Von:\nMAILPANEL_MSG_MAILSUBJECT=Betreff:\n"
              "MAILPANEL_MSG_MAILPANELHINT=Klicken\n");
    InitializeQxGeneral();
    RegisterMailPanelStrings();
    EXPECT_EQ(LangStringKey(MAILPANEL_MSG_MAILFROM), "MAILPANEL_MSG_MAILFROM");
    EXPECT_EQ(LangString(MAILPANEL_MSG_MAILSUBJECT), "Subj:");
    EXPECT_EQ(LangString(MAILPANEL_MSG_MAILPANELHINT), "Click to open your standard mail program");
    SetLanguage("german");
    auto* item = new TMailPanel(nullptr);
    EXPECT_EQ(item->Hint(), "Klicken");
    item->SetSender("a@b.c");
    SetLanguage("english");
    item->SetSubject("Hi");
    EXPECT_EQ(item->FromLabel()->Caption(), "Von: a@b.c");  // kept from when it was filled
    EXPECT_EQ(item->SubjectLabel()->Caption(), "Subj: Hi");
    delete item;
}
