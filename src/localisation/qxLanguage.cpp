#include "localisation/qxLanguage.h"

#include <typeinfo>

#include "core/IniQuoting.h"
#include "core/Text.h"
#include "localisation/qxTreeView.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Containers.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(TqxLanguage, TComponent,
                   prop::Bool<TqxLanguage>("ExportEmptyStrings",
                                           [](TqxLanguage& c) { return c.ExportEmptyStrings(); },
                                           [](TqxLanguage& c, bool v) { c.SetExportEmptyStrings(v); }))

namespace {
constexpr const char* kTemplateName = "language.ini";

// A published property with both accessors.
const TPropInfo* ReadWriteProp(const TComponent& c, const std::string& name) {
    const TPropInfo* p = GetPropInfo(c, name);
    return (p && p->Get && p->Set) ? p : nullptr;
}

// Fires an event with the component as Sender.
void Fire(const TNotifyEvent& event, TObject* sender) {
    if (event) event(sender);
}
}  // namespace

TqxLanguage::TqxLanguage(TComponent* owner) : TComponent(owner) {
    if (owner && (!owner->Owner() || dynamic_cast<TCustomForm*>(owner))) {
        AddLanguageComponent(this);
        FRegistered = true;
    }
}

TqxLanguage::~TqxLanguage() {
    if (FRegistered) RemoveLanguageComponent(this);
}

bool TqxLanguage::HasTextProperty(TComponent& c, const std::string& name, bool containers) {
    if (containers) {
        if (c.InheritsFrom("TScrollBox") || c.InheritsFrom("TPageControl") || c.InheritsFrom("TAction"))
            return true;
        if (auto* w = dynamic_cast<TWinControl*>(&c); w && w->ControlCount() > 0) return true;
    }
    const TPropInfo* p = ReadWriteProp(c, name);
    return p && p->IsStored(c);
}

std::string TqxLanguage::GetTextProperty(TComponent& c, const std::string& name) {
    const TPropInfo* p = ReadWriteProp(c, name);
    if (!p) return {};
    const TPropValue v = p->Get(c);
    switch (p->Kind) {
        case TPropKind::Text:
            if (const auto* s = std::get_if<std::string>(&v)) return *s;
            return {};
        case TPropKind::StringList:
            if (const auto* l = std::get_if<TStrings*>(&v); l && *l) return (*l)->Text();
            return {};
        case TPropKind::Component:
            if (const auto* r = std::get_if<TComponent*>(&v); r && *r) return (*r)->Name();
            return {};
        default:
            return {};
    }
}

void TqxLanguage::SetTextProperty(TComponent& c, const std::string& name, const std::string& text) {
    const TPropInfo* p = ReadWriteProp(c, name);
    if (!p) return;
    if (p->Kind == TPropKind::Text) {
        p->Set(c, TPropValue(text));
    } else if (p->Kind == TPropKind::StringList) {
        TStringList lines;
        lines.SetText(text);
        p->Set(c, TPropValue(static_cast<TStrings*>(&lines)));
    }
}

TComponent& TqxLanguage::Form(const char* operation) const {
    if (!Owner()) throw Exception(std::string("TqxLanguage.") + operation + ": Owner=nil");
    // The section is named after the form's class: a class without its own class
    // information would silently write under its parent's name.
    TComponent& form = *Owner();
    if (!HasOwnClassInfo(form))
        throw Exception(std::string("TqxLanguage.") + operation + ": class information missing for " +
                        typeid(form).name());
    return form;
}

void TqxLanguage::ExportTexts() {
    Form("ExportTexts");
    Fire(BeforeExport, this);
    TIniFile file(AddBackslash(ForceAppSubDir("Language")) + kTemplateName);
    TComponent& form = Form("ExportTexts");
    ExportWalk(file, form, form.ClassName(), form.ClassName());
    Fire(AfterExport, this);
}

void TqxLanguage::ImportTexts(int index) {
    Form("ImportTexts");
    Fire(BeforeImport, this);
    TIniFile file(LanguageFilePath(index));
    TComponent& form = Form("ImportTexts");
    ImportWalk(file, form, form.ClassName(), form.ClassName());
    Fire(AfterImport, this);
}

void TqxLanguage::ExportTo(TIniFile& file) {
    TComponent& form = Form("ExportTexts");
    Fire(BeforeExport, this);
    ExportWalk(file, form, form.ClassName(), form.ClassName());
    Fire(AfterExport, this);
}

void TqxLanguage::ImportFrom(TIniFile& file) {
    TComponent& form = Form("ImportTexts");
    Fire(BeforeImport, this);
    ImportWalk(file, form, form.ClassName(), form.ClassName());
    Fire(AfterImport, this);
}

void TqxLanguage::Loaded() {
    TComponent::Loaded();
    if (Has(csDesigning)) return;
    if (HasExportLanguageSwitch()) ExportTexts();
    if (ActiveLanguageIndex() != -1) ImportTexts(ActiveLanguageIndex());
}

namespace {
bool LinkedToAction(TComponent& c) {
    return TqxLanguage::HasTextProperty(c, "Action", false) &&
           !TqxLanguage::GetTextProperty(c, "Action").empty();
}
}  // namespace

void TqxLanguage::ExportWalk(TIniFile& file, TComponent& c, const std::string& path,
                             const std::string& section) {
    if (IsExcludedFromTranslation(&c)) return;
    if (!LinkedToAction(c)) {
        for (const char* name : {"Caption", "Hint"})
            if (HasTextProperty(c, name, true)) {
                const std::string text = GetTextProperty(c, name);
                if (!text.empty() || FExportEmptyStrings)
                    file.WriteString(section, path + "." + name, IniQuoted(text));
            }
        if (auto* tree = dynamic_cast<TqxTreeView*>(&c)) tree->SaveNodeTexts(file.FileName(), path + ".Tree");
        for (const std::string& name : StringPropertiesFor(c)) {
            const std::string text = GetTextProperty(c, name);
            if (!text.empty() || FExportEmptyStrings)
                file.WriteString(section, path + "." + name, IniQuoted(text));
        }
        for (const std::string& name : ListPropertiesFor(c)) {
            const std::string list = path + "." + name;
            file.EraseSection(list);
            TStringList lines;
            lines.SetText(GetTextProperty(c, name));
            // An empty item as "", so that import tells it from a line a translator left empty.
            for (int j = 0; j < lines.Count(); ++j)
                file.WriteString(list, std::to_string(j), IniQuoted(lines[j], true));
        }
    }
    // Copied: the walk reaches only what exists when it starts.
    std::vector<TComponent*> owned;
    for (int i = 0; i < c.ComponentCount(); ++i) owned.push_back(c.Components(i));
    for (TComponent* d : owned)
        if (!d->Name().empty()) ExportWalk(file, *d, path + "." + d->Name(), section);
}

void TqxLanguage::ImportWalk(TIniFile& file, TComponent& c, const std::string& path,
                             const std::string& section) {
    if (IsExcludedFromTranslation(&c)) return;
    if (!LinkedToAction(c)) {
        for (const char* name : {"Caption", "Hint"})
            if (HasTextProperty(c, name, true)) {
                const std::string current = GetTextProperty(c, name);
                if (!current.empty() || FExportEmptyStrings)
                    SetTextProperty(c, name, file.ReadString(section, path + "." + name, current));
            }
        if (auto* tree = dynamic_cast<TqxTreeView*>(&c)) tree->LoadNodeTexts(file.FileName(), path + ".Tree");
        for (const std::string& name : StringPropertiesFor(c))
            SetTextProperty(c, name, file.ReadString(section, path + "." + name, GetTextProperty(c, name)));
        for (const std::string& name : ListPropertiesFor(c)) {
            std::string text;
            // Of repeated keys only the first counts, also when its value is empty; an empty
            // value counts as an item only when quoted.
            for (const TIniEntry& entry : ReadSectionEntries(file, path + "." + name))
                if (!entry.Value.empty() || entry.Quoted) text += entry.Value + "\r\n";
            SetTextProperty(c, name, text);
        }
    }
    std::vector<TComponent*> owned;
    for (int i = 0; i < c.ComponentCount(); ++i) owned.push_back(c.Components(i));
    for (TComponent* d : owned)
        if (!d->Name().empty()) ImportWalk(file, *d, path + "." + d->Name(), section);
}
