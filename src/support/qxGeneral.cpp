#include "support/qxGeneral.h"

#include <algorithm>
#include <memory>

#include "core/IniQuoting.h"
#include "core/Text.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Messages.h"

TIniFile* CfgIniFile = nullptr;

namespace {

constexpr const char* kLanguageFolder = "Language";
constexpr const char* kTemplateName = "language.ini";
constexpr const char* kGeneral = "General";
constexpr int kGermanPrimaryLanguage = 7;

// Keeps the exclusion list free of components that have been freed.
class TExclusionWatcher : public TComponent {
public:
    TExclusionWatcher() : TComponent(nullptr) {}
    std::vector<TComponent*> Excluded;

    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove)
            Excluded.erase(std::remove(Excluded.begin(), Excluded.end(), component), Excluded.end());
    }
};

struct TPropertyPair {
    std::string Property;
    std::string ClassName;
};

struct TState {
    std::vector<TWinControl*> Remanent;
    TStringList Keys;
    TStringList Texts;
    TStringList Languages;
    std::vector<std::string> LanguageFiles;  // the names as the folder spells them
    bool LanguagesBuilt = false;
    int ActiveLanguage = -1;
    std::unique_ptr<TIniFile> Cfg;
    std::unique_ptr<TIniFile> ExportFile;
    std::vector<IqxLanguageComponent*> LanguageComponents;
    std::vector<IqxHotkeyComponent*> HotkeyComponents;
    std::unique_ptr<TExclusionWatcher> Exclusions;
    std::vector<TPropertyPair> ListProperties;
    std::vector<TPropertyPair> StringProperties;
};

// Created on first use, so controls and components that register before start-up (or in
// tests without it) find their lists.
TState& State() {
    static TState state;
    return state;
}

TExclusionWatcher& Exclusions() {
    TState& s = State();
    if (!s.Exclusions) s.Exclusions = std::make_unique<TExclusionWatcher>();
    return *s.Exclusions;
}

TIniFile& RequireCfg() {
    if (!CfgIniFile) throw Exception("qxGeneral.CfgIniFile=nil");
    return *CfgIniFile;
}

template <class T>
void AddOnce(std::vector<T*>& list, T* item) {
    if (item && std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}
template <class T>
void RemoveAll(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

std::vector<std::string> NamesFor(const std::vector<TPropertyPair>& pairs, const TObject& object) {
    std::vector<std::string> names;
    for (const TPropertyPair& p : pairs)
        if (object.InheritsFrom(p.ClassName)) names.push_back(p.Property);
    return names;
}

std::string LanguageFolderWithBackslash() { return AddBackslash(ForceAppSubDir(kLanguageFolder)); }

void EnterExportMode() {
    TState& s = State();
    const std::string path = LanguageFolderWithBackslash() + kTemplateName;
    if (platform::FileExists(path)) platform::DeleteFile(path);
    // A template that survived the delete would keep stale lines of an older run.
    if (platform::FileExists(path))
        throw EInOutError(rtl::Format(rtl::SCannotWrite, {path}));
    s.ExportFile = std::make_unique<TIniFile>(path, &platform::WriteFileBytes);
    ShowInformation("Export Language");
}

void SelectStartupLanguage() {
    const std::string stored = RequireCfg().ReadString(kGeneral, "ActiveLanguage", "");
    try {
        if (!stored.empty())
            SetLanguage(stored);
        else if (platform::UserPrimaryLanguage() == kGermanPrimaryLanguage)
            SetLanguage("GERMAN");
        else
            SetLanguage("ENGLISH");
    } catch (const std::exception&) {
        // No language at start-up is not an error; the user can choose one later.
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------

void InitializeQxGeneral() {
    FinalizeQxGeneral();
    EnsureCfgIniFile();
    RegisterListProperty("Items", "TCustomRadioGroup");
    RegisterListProperty("Items", "TCustomComboBox");
    if (HasExportLanguageSwitch())
        EnterExportMode();
    else
        SelectStartupLanguage();
}

void FinalizeQxGeneral() {
    TState& s = State();
    CfgIniFile = nullptr;
    s.Cfg.reset();
    s.ExportFile.reset();
    s.Remanent.clear();
    s.Keys.Clear();
    s.Texts.Clear();
    s.Languages.Clear();
    s.LanguageFiles.clear();
    s.LanguagesBuilt = false;
    s.ActiveLanguage = -1;
    s.LanguageComponents.clear();
    s.HotkeyComponents.clear();
    s.Exclusions.reset();
    s.ListProperties.clear();
    s.StringProperties.clear();
}

// ---------------------------------------------------------------------------------------

std::string AddBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + '\\';
}

std::string GetAppDir() {
    std::string dir = platform::ExtractFilePath(platform::ExePath());
    if (!dir.empty() && dir.back() == '/') dir.back() = '\\';
    return AddBackslash(dir);
}

std::string ForceAppSubDir(const std::string& name) {
    const std::string path = GetAppDir() + name;
    if (!platform::DirectoryExists(path) && !platform::CreateDir(path) &&
        !platform::DirectoryExists(path))  // made meanwhile by another process: fine
        throw Exception("Error creating Directory " + path);
    return path;
}

std::string GetCfgIniFileName() {
    const std::string exeName = platform::ExtractFileName(platform::ExePath());
    return AddBackslash(ForceAppSubDir("Cfg")) + platform::ChangeFileExt(exeName, ".ini");
}

void EnsureCfgIniFile() {
    if (CfgIniFile) return;
    TState& s = State();
    s.Cfg = std::make_unique<TIniFile>(GetCfgIniFileName(), &platform::WriteFileBytes);
    CfgIniFile = s.Cfg.get();
}

std::string GetRemanentKey(const TComponent* component) {
    if (!component) return "";
    std::string path = GetRemanentKey(component->Owner());
    const std::string& name = component->Name();
    if (!path.empty() && !name.empty()) path += '.';
    return path + name;
}

void WriteRemanentBool(const TComponent* control, bool value) {
    RequireCfg().WriteString("Boolean", GetRemanentKey(control), value ? "1" : "0");
}

bool ReadRemanentBool(const TComponent* control, bool defaultValue) {
    return RequireCfg().ReadInteger("Boolean", GetRemanentKey(control), defaultValue ? 1 : 0) != 0;
}

void WriteRemanentInteger(const TComponent* control, int value) {
    RequireCfg().WriteInteger("Integer", GetRemanentKey(control), value);
}

int ReadRemanentInteger(const TComponent* control, int defaultValue) {
    return RequireCfg().ReadInteger("Integer", GetRemanentKey(control), defaultValue);
}

void WriteRemanentString(const TComponent* control, const std::string& value) {
    // Quoted where the reader would drop blanks or quotes: a password comes back as typed.
    RequireCfg().WriteString("String", GetRemanentKey(control), IniQuoted(value));
}

std::string ReadRemanentString(const TComponent* control, const std::string& defaultValue) {
    return RequireCfg().ReadString("String", GetRemanentKey(control), defaultValue);
}

void RegisterRemanentControl(TWinControl* control) { AddOnce(State().Remanent, control); }

void UnregisterRemanentControl(TWinControl* control) { RemoveAll(State().Remanent, control); }

const std::vector<TWinControl*>& RemanentControls() { return State().Remanent; }

void LoadRemanentControls() {
    // Copy: a handler run by a load may create or free controls.
    const std::vector<TWinControl*> controls = State().Remanent;
    for (TWinControl* control : controls) {
        const auto& live = State().Remanent;
        if (std::find(live.begin(), live.end(), control) == live.end()) continue;
        control->HandleNeeded();
        ui::SendMsg(control->Handle(), WM_QX_LOADREMANENT);
    }
}

// ---------------------------------------------------------------------------------------

int RegisterLangString(const std::string& key, const std::string& defaultText, bool noExport) {
    TState& s = State();
    if (!noExport && s.ExportFile) s.ExportFile->WriteString(kGeneral, key, IniQuoted(defaultText));
    s.Keys.Add(key);
    return s.Texts.Add(defaultText);
}

std::string LangString(int index) { return State().Texts[index]; }

int LangStringCount() { return State().Keys.Count(); }

std::string LangStringKey(int index) { return State().Keys[index]; }

const TStrings& GetLanguageList() {
    TState& s = State();
    if (s.LanguagesBuilt) return s.Languages;
    s.Languages.Clear();
    s.LanguageFiles.clear();
    for (const platform::DirEntry& e : platform::ListDirectory(LanguageFolderWithBackslash() + "*.*")) {
        if (e.Name == "." || e.Name == ".." || e.Directory || e.Hidden || e.System) continue;
        s.Languages.Add(text::AsciiLower(e.Name));
        s.LanguageFiles.push_back(e.Name);
    }
    s.LanguagesBuilt = true;
    return s.Languages;
}

void SetLanguage(const std::string& name) {
    const TStrings& list = GetLanguageList();
    const std::string lower = text::AsciiLower(name);
    auto find = [&list](const std::string& wanted) {
        for (int i = 0; i < list.Count(); ++i)
            if (text::SameText(list[i], wanted)) return i;
        return -1;
    };
    int index = find(lower);
    if (index < 0) index = find(lower + ".ini");
    if (index < 0) throw LanguageException("Unknown Language: " + name);
    SetLanguageByIndex(index);
}

std::string LanguageFilePath(int index) {
    (void)GetLanguageList()[index];  // raises EStringListError outside the list
    // Its own spelling, for folders that tell letter case apart.
    return LanguageFolderWithBackslash() + State().LanguageFiles[static_cast<std::size_t>(index)];
}

void SetLanguageByIndex(int index) {
    TState& s = State();
    const TIniFile file(LanguageFilePath(index));
    for (int i = 0; i < s.Keys.Count(); ++i)
        s.Texts.SetString(i, file.ReadString(kGeneral, s.Keys[i], s.Texts[i]));
    // Copies: an import or generation may create or free such components.
    const auto translators = s.LanguageComponents;
    for (IqxLanguageComponent* c : translators)
        if (std::find(s.LanguageComponents.begin(), s.LanguageComponents.end(), c) !=
            s.LanguageComponents.end())
            c->ImportTexts(index);
    const auto generators = s.HotkeyComponents;
    for (IqxHotkeyComponent* c : generators)
        if (std::find(s.HotkeyComponents.begin(), s.HotkeyComponents.end(), c) !=
            s.HotkeyComponents.end())
            c->Generate();
    s.ActiveLanguage = index;
}

int ActiveLanguageIndex() { return State().ActiveLanguage; }

bool HasExportLanguageSwitch() {
    for (int i = 1; i <= platform::ParamCount(); ++i) {
        const std::string p = platform::ParamStr(i);
        if (p.size() > 1 && (p[0] == '-' || p[0] == '/' || p[0] == '\\') &&
            text::SameText(std::string_view(p).substr(1), "ExportLanguage"))
            return true;
    }
    return false;
}

TIniFile* LanguageExportFile() { return State().ExportFile.get(); }

// ---------------------------------------------------------------------------------------

void AddLanguageComponent(IqxLanguageComponent* component) {
    AddOnce(State().LanguageComponents, component);
}
void RemoveLanguageComponent(IqxLanguageComponent* component) {
    RemoveAll(State().LanguageComponents, component);
}
const std::vector<IqxLanguageComponent*>& LanguageComponents() { return State().LanguageComponents; }

void AddHotkeyComponent(IqxHotkeyComponent* component) { AddOnce(State().HotkeyComponents, component); }
void RemoveHotkeyComponent(IqxHotkeyComponent* component) {
    RemoveAll(State().HotkeyComponents, component);
}
const std::vector<IqxHotkeyComponent*>& HotkeyComponents() { return State().HotkeyComponents; }

void ExcludeFromTranslation(TComponent* component) {
    if (!component || IsExcludedFromTranslation(component)) return;
    TExclusionWatcher& w = Exclusions();
    w.Excluded.push_back(component);
    w.FreeNotification(component);
}

void IncludeInTranslation(TComponent* component) {
    if (!State().Exclusions) return;
    RemoveAll(State().Exclusions->Excluded, component);
}

bool IsExcludedFromTranslation(const TComponent* component) {
    if (!State().Exclusions || !component) return false;
    const auto& list = State().Exclusions->Excluded;
    return std::find(list.begin(), list.end(), component) != list.end();
}

void RegisterListProperty(const std::string& propertyName, const std::string& className) {
    State().ListProperties.push_back({propertyName, className});
}
void RegisterStringProperty(const std::string& propertyName, const std::string& className) {
    State().StringProperties.push_back({propertyName, className});
}
std::vector<std::string> ListPropertiesFor(const TObject& object) {
    return NamesFor(State().ListProperties, object);
}
std::vector<std::string> StringPropertiesFor(const TObject& object) {
    return NamesFor(State().StringProperties, object);
}
