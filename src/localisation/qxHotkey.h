#pragma once
// Automatic accelerators. Placed on a form, a TqxHotkey gives every caption of the form that
// has no accelerator yet a free one ("&" before a character of KeysToUse.Used) such that
// the captions of one scope never share one. A scope is the part of a form shown together:
// the form with its buttons and the tabs of its page controls; each page's contents (which
// start from the enclosing scope's taken keys, so different pages may reuse letters); each
// sub-menu. It runs when its form has loaded and after every language switch (it joins
// HotkeyComponents).
//
// Availability is kept per character (code point): for Windows-1252 text that is exactly a
// single-byte table, and captions in other scripts get the first free character of Used they
// contain. The "&" goes in only between characters.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Strings.h"
#include "support/qxGeneral.h"
#include "ui/UiTypes.h"

class TControl;

// Which characters may serve as accelerators. Used: one character per entry (only the
// first character of an entry counts; case is exact). NotUsed: never chosen (informational:
// every character that is not in Used is unavailable anyway).
class TUseProp : public TPersistent {
    SKIMBAR_CLASS(TUseProp)
public:
    TUseProp();  // the defaults: A-Z, 0-9; and the 36 characters of DefaultNotUsed
    TStrings& Used() { return FUsed; }
    const TStrings& Used() const { return FUsed; }
    void SetUsed(const TStrings& v) { FUsed.Assign(v); }
    TStrings& NotUsed() { return FNotUsed; }
    const TStrings& NotUsed() const { return FNotUsed; }
    void SetNotUsed(const TStrings& v) { FNotUsed.Assign(v); }
    void Assign(const TPersistent& source) override;
    static const std::vector<std::string>& DefaultUsed();
    static const std::vector<std::string>& DefaultNotUsed();

private:
    TStringList FUsed, FNotUsed;
};

using TBeforeGenerateEvent = std::function<void(TObject* Sender, bool& Allow)>;

// Working data of one run.
struct TCaptionNode {
    std::string Text;               // Name + ": " + caption (the form: its caption)
    TComponent* Object = nullptr;   // form, menu item or control
    int Parent = -1;                // index in Nodes, -1 for the root
    std::vector<int> Children;      // indexes in Nodes, in order
};
// Nodes in pre-order; Nodes[0] is the form (node number 1).
struct TCaptionTree {
    std::vector<TCaptionNode> Nodes;
    int Add(int parent, std::string text, TComponent* object);
    void Clear() { Nodes.clear(); }
};
struct TDiagnostic {
    std::string Text;
    TComponent* Object = nullptr;
};
using TDiagnostics = std::vector<TDiagnostic>;

// Availability of characters: everything is taken except the free ones.
class TKeyTable {
public:
    bool IsFree(char32_t c) const { return FFree.count(c) != 0; }
    void Take(char32_t c) { FFree.erase(c); }
    void Free(char32_t c) { FFree.insert(c); }
    // Takes every character that other has taken.
    void TakeAllTakenIn(const TKeyTable& other);
    const std::set<char32_t>& FreeChars() const { return FFree; }

private:
    std::set<char32_t> FFree;
};

class TqxHotkey : public TComponent, public IqxHotkeyComponent {
    SKIMBAR_CLASS(TqxHotkey)
public:
    explicit TqxHotkey(TComponent* owner);
    ~TqxHotkey() override;

    TUseProp& KeysToUse() { return FKeysToUse; }
    void SetKeysToUse(const TUseProp& v) { FKeysToUse.Assign(v); }
    // Pages of tabbed notebooks get accelerators. Default true.
    bool ActiveTabbedNoteBook() const { return FActiveTabbedNoteBook; }
    void SetActiveTabbedNoteBook(bool v) { FActiveTabbedNoteBook = v; }
    // The tabs of tab sets get accelerators. Default false.
    bool ActiveTabset() const { return FActiveTabset; }
    void SetActiveTabset(bool v) { FActiveTabset = v; }
    // The form's main menu and its popup menus take part. Default false.
    bool ActiveMenu() const { return FActiveMenu; }
    void SetActiveMenu(bool v) { FActiveMenu = v; }

    // Called first; setting Allow to false cancels the run (OnAfterGenerate is not called).
    TBeforeGenerateEvent OnBeforeGenerate;
    // Called after a completed run.
    TNotifyEvent OnAfterGenerate;

    // Tree membership of a control: page controls, tabbed notebooks, notebooks, scroll boxes,
    // tree panels and frames; windowed controls (other than tab sheets) with children;
    // otherwise controls publishing a readable and writable Caption.
    virtual bool IsTreeMember(TControl* control);
    // Caption number index of an object: a tabbed-notebook page's page-list entry, a tab
    // set's tab, otherwise the published Caption (empty when there is none).
    virtual std::string GetCaption(TComponent* object, int index);
    virtual void SetCaption(TComponent* object, int index, const std::string& text);
    // Builds the tree of the owner form and runs the collection and assignment passes (an
    // owner that is no control leaves the tree empty and changes nothing). With
    // previewOnly, captions stay and the node texts show the would-be captions, plus a
    // diagnostic "No free Shortcut for ..." for captions that found no free character.
    virtual void BuildAndAssign(TCaptionTree& tree, TDiagnostics& diagnostics, bool previewOnly);
    // The whole run for the owner form, with the hour-glass cursor shown meanwhile (and
    // restored on every exit). Failures propagate.
    void Generate() override;

    void Loaded() override;

    // The rules for one caption.
    // The character after the first single "&" that is not the last character ("&&" is a
    // literal "&", as the key handling reads it), ASCII letters in upper case; 0 when none.
    static char32_t ExistingHotkey(const std::string& caption);
    // "&" before the first character whose key is free in table (taking it); the caption
    // unchanged when none is.
    static std::string InsertHotkey(TKeyTable& table, const std::string& caption);
    // Whether caption number index of object is to get an accelerator.
    bool NeedsHotkey(TComponent* object, int index);
    // The base table: the first character of each non-empty Used entry is free.
    TKeyTable BaseTable() const;

private:
    struct TRun;
    void AddMenuItems(TCaptionTree& tree, int parent, TComponent* item);
    void AddControls(TCaptionTree& tree, int parent, TControl* control);
    int CaptionCount(TComponent* object) const;
    TKeyTable Pass(TRun& run, int scope, const TKeyTable& in, bool assign);
    TUseProp FKeysToUse;
    bool FActiveTabbedNoteBook = true;
    bool FActiveTabset = false;
    bool FActiveMenu = false;
};
