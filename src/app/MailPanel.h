#pragma once
// One ticker item: a windowless panel in the bar that shows one mail or program message.
// A 16 x 16 icon at the left, the sender and subject lines at x = 24 in the text colour, and
// date, time and size stacked at the right edge in white. The bar creates the item with no
// owner, fills it through the setters, moves it by Left and frees it; the item only lays
// out its children and keeps the id and alive flag the bar needs.
//
// Use, in this order: SetTextColor, SetBackColor, OnClick, Left, SetSender, SetSubject,
// SetSize, SetId, SetIcon, hint, SetDate, show-hint flag, SetAlive(true). The colour setters
// come first because the text setters read TextColor; OnClick comes before the setters
// because each copies it onto the child it fills, so a click anywhere reaches it.
#include <functional>
#include <string>

#include "core/DateTime.h"
#include "support/qxPanel.h"
#include "ui/ExtCtrls.h"
#include "ui/Graphics.h"
#include "ui/StdCtrls.h"

// Identifiers of the item's keyed strings; -1 until RegisterMailPanelStrings ran.
extern int MAILPANEL_MSG_MAILPANELHINT;  // "Click to open your standard mail program"
extern int MAILPANEL_MSG_MAILSUBJECT;    // "Subj:"
extern int MAILPANEL_MSG_MAILFROM;       // "From:"
// Registers the three strings with their English defaults (program start: after the tray
// icon's, before the main window's). Until then, and after the strings were dropped, the
// item shows the defaults.
void RegisterMailPanelStrings();

class TMailPanel : public TqxPanel {
    SKIMBAR_CLASS(TMailPanel)
public:
    static constexpr int ItemHeight = 37;
    static constexpr int TextLeft = 24;        // both text lines start here
    static constexpr int WidthExtra = 34;      // icon column 24 + spacing 10
    static constexpr int SubjectWhole = 30;    // longer subjects are cut ...
    static constexpr int SubjectKept = 27;     // ... to this many characters and "..."
    // A sender line may be a whole header line: longer ones are cut as subjects are, late
    // enough to keep ordinary addresses whole.
    static constexpr int SenderWhole = 64;
    static constexpr int SenderKept = 61;

    explicit TMailPanel(TComponent* owner);
    ~TMailPanel() override;

    // The fields, as the setters left them.
    const std::string& Id() const { return FId; }
    // The program's own items (welcome, connection error, "no new mails") never wrap, and at
    // most one of them is live at a time. Any id, "-1" included, is a mail's.
    bool IsProgramItem() const { return FProgramItem; }
    const std::string& SenderText() const { return FSenderText; }
    const std::string& Subject() const { return FSubject; }
    int Size() const { return FSize; }
    TDateTime Date() const { return FDate; }
    const TIcon& Icon() const { return *FIcon; }
    bool Alive() const { return FAlive; }
    TColor TextColor() const { return FTextColor; }
    TColor BackColor() const { return FBackColor; }
    // The child controls; each gets the item as parent when its setter first runs.
    TLabel* FromLabel() const { return FFromLabel; }
    TLabel* SubjectLabel() const { return FSubjectLabel; }
    TLabel* DateLabel() const { return FDateLabel; }
    TLabel* TimeLabel() const { return FTimeLabel; }
    TLabel* SizeLabel() const { return FSizeLabel; }
    TImage* IconImage() const { return FIconImage; }

    // Sender line: "From:" + " " + s (control characters shown as blanks); a sender of more
    // than 64 characters shows its first 61 and "...".
    void SetSender(const std::string& s);
    // Subject line: "Subj:" + " " + s; a subject of more than 30 characters shows its first
    // 27 and "...".
    void SetSubject(const std::string& s);
    // Size line: bytes / 1024 rounded to whole kilobytes, then " KB"; below 512 bytes no figure.
    void SetSize(int bytes);
    void SetId(const std::string& s);  // nothing shown
    void SetProgramItem(bool v) { FProgramItem = v; }
    // Copies the picture (copies share it) and shows it centred in the icon column.
    void SetIcon(const TIcon* icon);
    // Date (process-wide date format) and below it the time (process-wide time format).
    void SetDate(TDateTime d);
    void SetTextColor(TColor c);  // for the lines filled after it
    void SetBackColor(TColor c);  // the item's colour
    void SetAlive(bool alive);

    // Called after the item's bounds or alive flag changed, so that a strip that keeps its
    // own copy of them knows to read them again; moved tells whether Left changed.
    std::function<void(TMailPanel* item, bool moved)> OnStripChange;

    // Width = the longer of (sender + date) and (subject + time) plus 34; date, time and
    // size right-aligned 2 pixels inside the right edge; size below date and time.
    void Relayout();

    // The texts the labels get (exposed for tests and for the bar's own measurements).
    static std::string SenderLine(const std::string& sender);
    static std::string SubjectLine(const std::string& subject);
    static std::string SizeText(int bytes);

protected:
    void BoundsChanged(const TRect& old) override;

private:
    // Fills a label: font, colour, text and place (left -1: Relayout places it), parent,
    // then the common tail of every setter.
    void FillLabel(TLabel* label, const std::string& text, bool courierNew, TColor color, int left,
                   int top);
    void SetterTail(TControl* child);

    std::string FId;
    bool FProgramItem = false;
    std::string FSenderText;
    std::string FSubject;
    int FSize = 0;
    TDateTime FDate = 0;
    TIcon* FIcon;
    TLabel* FFromLabel;
    TLabel* FSubjectLabel;
    TLabel* FDateLabel;
    TLabel* FTimeLabel;
    TLabel* FSizeLabel;
    TImage* FIconImage;
    bool FAlive = false;
    TColor FTextColor = clBlack;
    TColor FBackColor = clBlack;
};
