#include "app/MailPanel.h"

#include <algorithm>

#include "app/ShownText.h"
#include "support/qxGeneral.h"

SKIMBAR_CLASS_INFO(TMailPanel, TqxPanel)

int MAILPANEL_MSG_MAILPANELHINT = -1;
int MAILPANEL_MSG_MAILSUBJECT = -1;
int MAILPANEL_MSG_MAILFROM = -1;

namespace {

struct TKeyed {
    int& Id;
    const char* Key;
    const char* Default;
};
TKeyed kHint{MAILPANEL_MSG_MAILPANELHINT, "MAILPANEL_MSG_MAILPANELHINT",
             "Click to open your standard mail program"};
TKeyed kSubject{MAILPANEL_MSG_MAILSUBJECT, "MAILPANEL_MSG_MAILSUBJECT", "Subj:"};
TKeyed kFrom{MAILPANEL_MSG_MAILFROM, "MAILPANEL_MSG_MAILFROM", "From:"};

// The current text of a keyed string; its default while it is not registered (tests, or a
// session whose strings were dropped).
std::string KeyedText(const TKeyed& k) {
    if (k.Id >= 0 && k.Id < LangStringCount() && LangStringKey(k.Id) == k.Key) return LangString(k.Id);
    return k.Default;
}

// 7-point fonts, fixed pitch where the named one is missing. Made once; labels copy them.
const TFont& ItemFont(bool courierNew) {
    static const TFont courier = [] {
        TFont f;
        f.SetName("Courier");
        f.SetSize(7);
        f.SetPitch(fpFixed);
        return f;
    }();
    static const TFont courierNewFont = [] {
        TFont f;
        f.SetName("Courier New");
        f.SetSize(7);
        f.SetPitch(fpFixed);
        f.SetColor(clWhite);
        return f;
    }();
    return courierNew ? courierNewFont : courier;
}

// The text as shown (control characters as blanks), cut to its first kept characters and
// "..." when it has more than whole. Cut first: a sender may be a header line of a megabyte.
std::string Shortened(std::string_view text, int whole, int kept) {
    const std::string head = shown::Blanked(shown::FirstChars(text, static_cast<std::size_t>(whole) + 1));
    if (shown::CharCount(head) <= static_cast<std::size_t>(whole)) return head;
    return shown::FirstChars(head, static_cast<std::size_t>(kept)) + "...";
}

}  // namespace

void RegisterMailPanelStrings() {
    for (TKeyed* k : {&kHint, &kSubject, &kFrom}) k->Id = RegisterLangString(k->Key, k->Default);
}

// ---------------------------------------------------------------------------------------

TMailPanel::TMailPanel(TComponent* owner)
    : TqxPanel(owner),
      FIcon(new TIcon),
      FFromLabel(new TLabel(this)),
      FSubjectLabel(new TLabel(this)),
      FDateLabel(new TLabel(this)),
      FTimeLabel(new TLabel(this)),
      FSizeLabel(new TLabel(this)),
      FIconImage(new TImage(this)) {
    SetBounds(Left(), 0, Width(), ItemHeight);
    SetColor(clBlack);
    SetCursor(crHandPoint);
    SetVisible(true);
    SetControlStyle(ControlStyle() | csOpaque);
    SetFullRepaint(false);
    FIconImage->SetAutoSize(true);
    FIconImage->SetCenter(true);
    SetHint(KeyedText(kHint));
}

TMailPanel::~TMailPanel() { delete FIcon; }

std::string TMailPanel::SenderLine(const std::string& sender) {
    return KeyedText(kFrom) + " " + Shortened(sender, SenderWhole, SenderKept);
}

std::string TMailPanel::SubjectLine(const std::string& subject) {
    return KeyedText(kSubject) + " " + Shortened(subject, SubjectWhole, SubjectKept);
}

std::string TMailPanel::SizeText(int bytes) {
    // Nearest whole kilobyte, no separators; a figure that rounds to 0 shows no digits.
    return FormatFloat("######", bytes / 1024.0) + " KB";
}

void TMailPanel::FillLabel(TLabel* label, const std::string& text, bool courierNew, TColor color,
                           int left, int top) {
    // Font, text and place before the parent: the label never takes the item's font on the
    // way, and nothing is painted twice.
    TFont font = ItemFont(courierNew);
    font.SetColor(color);
    if (!label->Font().SameAs(font) || label->ParentFont()) label->SetFont(font);
    label->SetCaption(text);
    label->SetBounds(left < 0 ? label->Left() : left, top, label->Width(), label->Height());
    label->SetParent(this);
    SetterTail(label);
}

void TMailPanel::SetterTail(TControl* child) {
    Relayout();
    child->SetControlStyle(child->ControlStyle() | csOpaque);
    child->OnClick = OnClick;
    SetFullRepaint(false);
}

void TMailPanel::SetSender(const std::string& s) {
    FSenderText = s;
    FillLabel(FFromLabel, SenderLine(s), false, FTextColor, TextLeft, 1);
}

void TMailPanel::SetSubject(const std::string& s) {
    FSubject = s;
    FillLabel(FSubjectLabel, SubjectLine(s), false, FTextColor, TextLeft, 20);
}

void TMailPanel::SetSize(int bytes) {
    FSize = bytes;
    FillLabel(FSizeLabel, SizeText(bytes), true, clWhite, -1, FSizeLabel->Top());
}

void TMailPanel::SetId(const std::string& s) { FId = s; }

void TMailPanel::SetIcon(const TIcon* icon) {
    FIcon->Assign(icon);
    FIconImage->SetParent(this);
    FIconImage->SetPicture(FIcon);
    FIconImage->SetBounds(1, 8, FIconImage->Width(), 34);
    FIconImage->SetAlign(alLeft);
    SetterTail(FIconImage);
}

void TMailPanel::SetDate(TDateTime d) {
    FDate = d;
    FillLabel(FDateLabel, dt::DateToStr(d), true, clWhite, -1, 1);
    FillLabel(FTimeLabel, dt::TimeToStr(d), true, clWhite, -1, FDateLabel->Height() + 1);
}

void TMailPanel::SetTextColor(TColor c) { FTextColor = c; }

void TMailPanel::SetBackColor(TColor c) {
    FBackColor = c;
    SetColor(c);
}

void TMailPanel::SetAlive(bool alive) {
    if (alive == FAlive) return;
    FAlive = alive;
    if (OnStripChange) OnStripChange(this, false);
}

void TMailPanel::BoundsChanged(const TRect& old) {
    TqxPanel::BoundsChanged(old);
    if (OnStripChange) OnStripChange(this, old.Left != Left());
}

void TMailPanel::Relayout() {
    int width = std::max(FFromLabel->Width() + FDateLabel->Width(),
                         FSubjectLabel->Width() + FTimeLabel->Width()) +
                WidthExtra;
    SetWidth(width);
    width = Width();
    for (TLabel* label : {FDateLabel, FTimeLabel, FSizeLabel}) label->SetLeft(width - label->Width() - 2);
    FSizeLabel->SetTop(FDateLabel->Height() + FTimeLabel->Height());
}
