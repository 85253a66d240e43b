#pragma once
// Program-wide support state: the settings file and the folders beside the executable, the
// registry of remembering controls, the keyed user-interface strings and the language service
// with the registries of the components that translate forms and assign accelerators.
//
// main calls InitializeQxGeneral before anything else and FinalizeQxGeneral after every
// window has been destroyed; nothing here relies on the order of static initialisation.
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Exception.h"
#include "core/IniFile.h"
#include "core/Strings.h"

class TWinControl;

// ---------------------------------------------------------------------------------------
// Start-up and shutdown of the unit.

// Creates the registries and CfgIniFile (creating the Cfg folder), registers "Items" as a
// list property of radio groups and combo boxes, then either enters export mode (switch
// ExportLanguage: language.ini deleted and reopened, "Export Language" box) or selects the
// start-up language from General/ActiveLanguage or the locale, swallowing its errors.
// Raises when the Cfg folder cannot be created, and in export mode when the Language folder
// cannot be created or the old template cannot be removed. The UI must be started first
// (ui::StartUp): export mode shows its box through Application.
void InitializeQxGeneral();
// Frees CfgIniFile, the export file and every registry; afterwards the unit is as before
// InitializeQxGeneral (no language active, no keyed strings).
void FinalizeQxGeneral();

// ---------------------------------------------------------------------------------------
// Settings file and folders.

// The settings object; null before start-up and after shutdown.
extern TIniFile* CfgIniFile;

// Folder of the running executable, ending with "\".
std::string GetAppDir();
// The path with "\" appended unless it ends with one already.
std::string AddBackslash(const std::string& path);
// GetAppDir + name, without trailing backslash; creates that one folder level when missing.
// Raises Exception "Error creating Directory " + path when it cannot.
std::string ForceAppSubDir(const std::string& name);
// Cfg folder beside the executable (created) + executable name with extension ".ini".
std::string GetCfgIniFileName();
// Creates CfgIniFile on GetCfgIniFileName() unless it exists; FinalizeQxGeneral frees it.
void EnsureCfgIniFile();

// Names of the owner chain, outermost first, joined by "." (empty names add nothing).
std::string GetRemanentKey(const TComponent* component);

// Typed access under the sections Boolean, Integer and String, keyed by GetRemanentKey.
// Raise Exception "qxGeneral.CfgIniFile=nil" when there is no settings object. Reads
// return the default when the key is missing or its value does not convert.
void WriteRemanentBool(const TComponent* control, bool value);
bool ReadRemanentBool(const TComponent* control, bool defaultValue);
void WriteRemanentInteger(const TComponent* control, int value);
int ReadRemanentInteger(const TComponent* control, int defaultValue);
void WriteRemanentString(const TComponent* control, const std::string& value);
std::string ReadRemanentString(const TComponent* control, const std::string& defaultValue);

// Message that asks a remembering control to load its stored value (WM_USER + 99).
inline constexpr unsigned WM_QX_LOADREMANENT = 1123;

// Registry of remembering controls, in order of registration. The controls add themselves
// when loaded with Remanent set, and leave when they are destroyed.
void RegisterRemanentControl(TWinControl* control);  // no-op when listed already
void UnregisterRemanentControl(TWinControl* control);
const std::vector<TWinControl*>& RemanentControls();
// Sends the load message to every registered control in order, creating its window first.
void LoadRemanentControls();

// ---------------------------------------------------------------------------------------
// Keyed strings.

// Appends key and default text and returns the new identifier (0, 1, 2, ...). Unless
// noExport, also writes key=defaultText into [General] of the template in export mode.
int RegisterLangString(const std::string& key, const std::string& defaultText,
                       bool noExport = false);
// Current text of a registered string; raises EStringListError for an unknown identifier.
std::string LangString(int index);
// Number of registered strings and their keys, in registration order.
int LangStringCount();
std::string LangStringKey(int index);

// ---------------------------------------------------------------------------------------
// Languages.

SKIMBAR_EXCEPTION(LanguageException, Exception);

// Lower-case file names of the Language folder (built once per run, directory order).
const TStrings& GetLanguageList();
// By name ("GERMAN", "german.ini"); raises LanguageException "Unknown Language: " + name.
void SetLanguage(const std::string& name);
// Re-reads every keyed string from the file, makes every registered form import its texts,
// regenerates the accelerators, then makes index the active language. On failure the error
// propagates and the active index stays as it was.
void SetLanguageByIndex(int index);
// Full path of the language file at index, spelt as the folder spells it (the list holds
// lower-case names); raises EStringListError outside the list.
std::string LanguageFilePath(int index);
// Index of the active language in GetLanguageList, -1 when none.
int ActiveLanguageIndex();

// True when a parameter is "-ExportLanguage", "/ExportLanguage" or "\ExportLanguage"
// (case ignored).
bool HasExportLanguageSwitch();
// The language template (Language\language.ini) in export mode, else null.
TIniFile* LanguageExportFile();

// ---------------------------------------------------------------------------------------
// Registries of the translating and accelerator components.

// Implemented by components next to TComponent, which comes first among the bases (components
// are deleted through TComponent*):  class TqxLanguage : public TComponent,
// public IqxLanguageComponent.
// A form-text translator: re-imports its form's texts when the language changes.
class IqxLanguageComponent {
public:
    virtual void ImportTexts(int languageIndex) = 0;

protected:
    ~IqxLanguageComponent() = default;
};
// An accelerator generator: runs again after every language change.
class IqxHotkeyComponent {
public:
    virtual void Generate() = 0;

protected:
    ~IqxHotkeyComponent() = default;
};

// In order of registration; adding one listed already does nothing.
void AddLanguageComponent(IqxLanguageComponent* component);
void RemoveLanguageComponent(IqxLanguageComponent* component);
const std::vector<IqxLanguageComponent*>& LanguageComponents();
void AddHotkeyComponent(IqxHotkeyComponent* component);
void RemoveHotkeyComponent(IqxHotkeyComponent* component);
const std::vector<IqxHotkeyComponent*>& HotkeyComponents();

// Components whose texts (and those of everything they own) are neither exported nor
// imported. A freed component leaves the list by itself.
void ExcludeFromTranslation(TComponent* component);
void IncludeInTranslation(TComponent* component);
bool IsExcludedFromTranslation(const TComponent* component);

// (property name, class name) pairs naming string-list and further single-text properties.
void RegisterListProperty(const std::string& propertyName, const std::string& className);
void RegisterStringProperty(const std::string& propertyName, const std::string& className);
// The names whose class is the object's class or an ancestor of it, in registration order.
std::vector<std::string> ListPropertiesFor(const TObject& object);
std::vector<std::string> StringPropertiesFor(const TObject& object);
