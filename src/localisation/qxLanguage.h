#pragma once
// Form text export and import. Placed on a form (owned by it), a TqxLanguage writes the
// form's captions, hints, string lists and tree node texts into the language template
// Language\language.ini, and reads them back from a language file:
//
//   [TSetupForm]                       <- the form's class name
//   TSetupForm.Caption=Setup           <- component path + ".Caption" / ".Hint"
//   TSetupForm.BitBtn1.Caption=O&K
//   [TSetupForm.SomeCombo.Items]       <- path + "." + list property: one line per key
//   0=first
//
// The component path follows ownership (form class name, then component names); components
// without a name are skipped with everything they own, and so are those excluded with
// ExcludeFromTranslation. Controls linked to an action take their texts from the action.
//
// Loaded (the end of the form's design reading): export in export mode, then import of the
// active language when there is one. A TqxLanguage whose owner is a form (or has no owner)
// joins LanguageComponents and re-imports at every language switch.
#include <string>

#include "core/Component.h"
#include "core/IniFile.h"
#include "support/qxGeneral.h"
#include "ui/UiTypes.h"

class TqxLanguage : public TComponent, public IqxLanguageComponent {
    SKIMBAR_CLASS(TqxLanguage)
public:
    explicit TqxLanguage(TComponent* owner);
    ~TqxLanguage() override;

    // Also export, and import over, captions and hints that are empty. Default false.
    bool ExportEmptyStrings() const { return FExportEmptyStrings; }
    void SetExportEmptyStrings(bool v) { FExportEmptyStrings = v; }

    TNotifyEvent BeforeExport, AfterExport, BeforeImport, AfterImport;

    // Writes the owner form's texts into Language\language.ini. Raises Exception without an
    // owner, and when the folder cannot be created or the file cannot be written.
    void ExportTexts();
    // Reads the owner form's texts from the language file at index of GetLanguageList
    // (EStringListError outside it). Raises Exception without an owner.
    void ImportTexts(int index) override;
    // The same walks over a given file (tests, and forms that keep texts elsewhere); the
    // Before/After events fire as for the calls above.
    void ExportTo(TIniFile& file);
    void ImportFrom(TIniFile& file);

    void Loaded() override;

    // The rules of the walks, one component at a time.
    // Whether c takes part for property name: with containers set (Caption and Hint), scroll
    // boxes, page controls, actions and windowed controls with children always do;
    // otherwise c must publish name (exact case) with read and write access, stored with c.
    static bool HasTextProperty(TComponent& c, const std::string& name, bool containers);
    // The property as text: a text's value, a list's lines each ending in CR LF, a component
    // reference's Name; empty unless c publishes it readable and writable.
    static std::string GetTextProperty(TComponent& c, const std::string& name);
    // Sets a text property, or a list property line by line; other kinds are left alone.
    static void SetTextProperty(TComponent& c, const std::string& name, const std::string& text);

private:
    TComponent& Form(const char* operation) const;
    void ExportWalk(TIniFile& file, TComponent& c, const std::string& path, const std::string& section);
    void ImportWalk(TIniFile& file, TComponent& c, const std::string& path, const std::string& section);
    bool FExportEmptyStrings = false;
    bool FRegistered = false;
};
