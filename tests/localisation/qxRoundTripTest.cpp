// A translator's round trip: export a form's template, edit it as a translator would (other
// texts, other or no accelerators, a key left out), import it through a language switch,
// and find every caption, hint and list translated with accelerators that do not clash.
#include <fstream>
#include <map>
#include <sstream>

#include "LocalisationTestForms.h"

using namespace l10ntest;

namespace {

class TDialog : public TTestForm {
    SKIMBAR_CLASS(TDialog)
public:
    TPageControl* Pages;
    TTabSheet* Sheet;
    TLabel* ServerLabel;
    TEdit* ServerEdit;
    TCheckBox* StayCheck;
    TCheckBox* ShowCheck;
    TRadioGroup* Speed;
    TComboBox* Colours;
    TButton* OkButton;
    TButton* CancelButton;
    TqxLanguage* qxLanguage1;
    TqxHotkey* qxHotkey;

    explicit TDialog(TComponent* owner) : TTestForm(owner) {
        BeginReading();
        SetName("Dialog");
        SetCaption("Setup");
        Pages = Make<TPageControl>("Pages");
        Sheet = Make<TTabSheet>("Sheet");
        Sheet->SetPageControl(Pages);
        Sheet->SetCaption("&Setup");
        ServerLabel = Make<TLabel>("ServerLabel", Sheet);
        ServerLabel->SetCaption("Se&rver");
        ServerEdit = Make<TEdit>("ServerEdit", Sheet);
        ServerLabel->SetFocusControl(ServerEdit);
        StayCheck = Make<TCheckBox>("StayCheck", Sheet);
        StayCheck->SetCaption("Stay on top");
        StayCheck->SetHint("Keeps the bar above other windows");
        ShowCheck = Make<TCheckBox>("ShowCheck", Sheet);
        ShowCheck->SetCaption("Show on new mail");
        Speed = Make<TRadioGroup>("Speed", Sheet);
        Speed->SetCaption("Speed");
        Speed->Items().Add("Slow");
        Speed->Items().Add("Fast");
        Colours = Make<TComboBox>("Colours", Sheet);
        Colours->Items().Add("Black");
        Colours->Items().Add("Lime");
        OkButton = Make<TButton>("OkButton");
        OkButton->SetCaption("O&K");
        CancelButton = Make<TButton>("CancelButton");
        CancelButton->SetCaption("&Cancel");
        CancelButton->SetHint("Leaves everything as it was");
        qxLanguage1 = Make<TqxLanguage>("qxLanguage1");
        qxHotkey = Make<TqxHotkey>("qxHotkey");
        EndDesign();
    }
};

SKIMBAR_CLASS_INFO(TDialog, TTestForm)

class RoundTripTest : public L10nTest {};

// Rewrites "key=value" lines of an INI text: a mapped key gets the new value, a key mapped
// to nullptr is dropped; every other line stays.
std::string Translate(const std::string& text, const std::map<std::string, const char*>& changes) {
    std::istringstream in(text);
    std::string out, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '[') {
            auto it = changes.find(line.substr(0, eq));
            if (it != changes.end()) {
                if (!it->second) continue;
                line = line.substr(0, eq + 1) + it->second;
            }
        }
        out += line + "\r\n";
    }
    return out;
}

}  // namespace

TEST_F(RoundTripTest, ExportEditImportSwitch) {
    // The program's run in export mode writes the template while the dialog loads.
    WriteLanguage("german.ini", "");
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    InitializeQxGeneral();
    TDialog dialog(nullptr);
    // Loaded gave accelerators to the design texts that had none.
    EXPECT_EQ(dialog.StayCheck->Caption(), "S&tay on top");
    EXPECT_EQ(dialog.ShowCheck->Caption(), "S&how on new mail");
    EXPECT_EQ(dialog.Speed->Caption(), "S&peed");

    const std::string exported = ReadFile("Language/language.ini");
    EXPECT_NE(exported.find("TDialog.Sheet.Caption=&Setup"), std::string::npos);
    // Exported as designed: the accelerators come after the texts.
    EXPECT_NE(exported.find("TDialog.StayCheck.Caption=Stay on top\r\n"), std::string::npos);
    EXPECT_NE(exported.find("[TDialog.Colours.Items]"), std::string::npos);

    const std::string german = Translate(
        exported, {
                      {"TDialog.Caption", "Einstellungen"},
                      {"TDialog.Sheet.Caption", "&Einstellungen"},
                      {"TDialog.ServerLabel.Caption", "Server"},          // no accelerator
                      {"TDialog.StayCheck.Caption", "Immer &oben"},       // another one
                      {"TDialog.StayCheck.Hint", "Hält die Leiste über anderen Fenstern"},
                      {"TDialog.ShowCheck.Caption", nullptr},             // forgotten
                      {"TDialog.Speed.Caption", "Geschwindigkeit"},
                      {"TDialog.OkButton.Caption", "Gut"},
                      {"TDialog.CancelButton.Caption", "Abbrechen"},
                      {"TDialog.CancelButton.Hint", "Lässt alles, wie es war"},
                      {"0", "Schwarz"},  // first entry of both lists
                      {"1", "Hellgrün"},
                  });
    WriteFile("Language/german.ini", "[General]\r\n" + german);
    SetLanguage("GERMAN");

    EXPECT_EQ(dialog.Caption(), "Einstellungen");
    EXPECT_EQ(dialog.Sheet->Caption(), "&Einstellungen");
    // The buttons share the form's scope with the tab; the page's scope starts from it.
    EXPECT_EQ(dialog.StayCheck->Caption(), "Immer &oben");
    EXPECT_EQ(dialog.ServerLabel->Caption(), "&Server");
    EXPECT_EQ(dialog.ShowCheck->Caption(), "S&how on new mail");  // kept, with its accelerator
    EXPECT_EQ(dialog.Speed->Caption(), "Ges&chwindigkeit");  // G, E and S are taken
    EXPECT_EQ(dialog.OkButton->Caption(), "&Gut");
    EXPECT_EQ(dialog.CancelButton->Caption(), "&Abbrechen");
    EXPECT_EQ(dialog.StayCheck->Hint(), "Hält die Leiste über anderen Fenstern");
    EXPECT_EQ(dialog.CancelButton->Hint(), "Lässt alles, wie es war");
    EXPECT_EQ(dialog.ServerEdit->Hint(), "");
    EXPECT_EQ(dialog.Speed->Items().Text(), "Schwarz\r\nHellgrün\r\n");
    EXPECT_EQ(dialog.Colours->Items().Text(), "Schwarz\r\nHellgrün\r\n");
    // No two captions of one scope share an accelerator.
    auto key = [](const std::string& c) { return TqxHotkey::ExistingHotkey(c); };
    std::vector<char32_t> form{key(dialog.Sheet->Caption()), key(dialog.OkButton->Caption()),
                               key(dialog.CancelButton->Caption())};
    std::vector<char32_t> page{key(dialog.ServerLabel->Caption()), key(dialog.StayCheck->Caption()),
                               key(dialog.ShowCheck->Caption()), key(dialog.Speed->Caption())};
    for (const auto* scope : {&form, &page})
        for (std::size_t i = 0; i < scope->size(); ++i)
            for (std::size_t j = i + 1; j < scope->size(); ++j) EXPECT_NE((*scope)[i], (*scope)[j]);
    for (char32_t p : page)
        for (char32_t f : form) EXPECT_NE(p, f);
}

TEST_F(RoundTripTest, ExportThenImportGivesBackEveryText) {
    InitializeQxGeneral();
    TDialog dialog(nullptr);
    // Texts the profile reader would change when written bare.
    dialog.StayCheck->SetCaption("Background color ");
    dialog.StayCheck->SetHint("  two blanks first");
    dialog.ShowCheck->SetCaption("\"Quoted\"");
    dialog.CancelButton->SetHint("'single'");
    dialog.OkButton->SetCaption("\" \"");
    dialog.Speed->Items().SetText("\r\n a \r\n\"b\"\r\nc\r\n");  // an empty first item
    dialog.Colours->Items().SetText("Black\r\n\r\nLime \r\n");
    std::vector<TControl*> controls{dialog.StayCheck, dialog.ShowCheck, dialog.OkButton, dialog.CancelButton};
    auto texts = [&] {
        std::vector<std::string> out;
        for (TControl* c : controls) {
            out.push_back(c->Caption());
            out.push_back(c->Hint());
        }
        out.push_back(dialog.Speed->Items().Text());
        out.push_back(dialog.Colours->Items().Text());
        return out;
    };
    const std::vector<std::string> before = texts();
    TIniFile file(AtUtf8("template.ini"));
    dialog.qxLanguage1->ExportTo(file);
    for (TControl* c : controls) {
        c->SetCaption("changed");
        if (!c->Hint().empty()) c->SetHint("changed");
    }
    dialog.Speed->Items().SetText("changed");
    dialog.Colours->Items().SetText("changed");
    dialog.qxLanguage1->ImportFrom(file);
    EXPECT_EQ(texts(), before);
}
