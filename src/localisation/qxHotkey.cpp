#include "localisation/qxHotkey.h"

#include <optional>

#include "core/Text.h"
#include "support/qxTreePanel.h"
#include "ui/Accel.h"
#include "ui/ComCtrls.h"
#include "ui/Containers.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/PropHelpers.h"
#include "ui/StdCtrls.h"
#include "ui/Tabs.h"

using namespace ui;

SKIMBAR_CLASS_INFO(
    TUseProp, TPersistent,
    prop::List<TUseProp>("Used", [](TUseProp& u) -> TStrings& { return u.Used(); }),
    prop::List<TUseProp>("NotUsed", [](TUseProp& u) -> TStrings& { return u.NotUsed(); }))
SKIMBAR_CLASS_INFO(
    TqxHotkey, TComponent,
    prop::Bool<TqxHotkey>("ActiveTabbedNoteBook", [](TqxHotkey& h) { return h.ActiveTabbedNoteBook(); },
                          [](TqxHotkey& h, bool v) { h.SetActiveTabbedNoteBook(v); }),
    prop::Bool<TqxHotkey>("ActiveTabset", [](TqxHotkey& h) { return h.ActiveTabset(); },
                          [](TqxHotkey& h, bool v) { h.SetActiveTabset(v); }),
    prop::Bool<TqxHotkey>("ActiveMenu", [](TqxHotkey& h) { return h.ActiveMenu(); },
                          [](TqxHotkey& h, bool v) { h.SetActiveMenu(v); }))

// ---------------------------------------------------------------------------------------
// TUseProp

const std::vector<std::string>& TUseProp::DefaultUsed() {
    static const std::vector<std::string> used = [] {
        std::vector<std::string> v;
        for (char c = 'A'; c <= 'Z'; ++c) v.emplace_back(1, c);
        for (char c = '0'; c <= '9'; ++c) v.emplace_back(1, c);
        return v;
    }();
    return used;
}

const std::vector<std::string>& TUseProp::DefaultNotUsed() {
    static const std::vector<std::string> notUsed{
        "Ä", "Ü", "Ö", "-", ":", ".", ",", ";", "+", "*", "#", "=", "_", "~", "/", ">", "<", "|",
        "@", "!", "\"", "§", "$", "%", "(", ")", "{", "}", "[", "]", "'", "°", "\\", "ß", "?", "µ"};
    return notUsed;
}

TUseProp::TUseProp() {
    for (const std::string& s : DefaultUsed()) FUsed.Add(s);
    for (const std::string& s : DefaultNotUsed()) FNotUsed.Add(s);
}

void TUseProp::Assign(const TPersistent& source) {
    if (const auto* other = dynamic_cast<const TUseProp*>(&source)) {
        FUsed.Assign(other->FUsed);
        FNotUsed.Assign(other->FNotUsed);
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------
// Working data

int TCaptionTree::Add(int parent, std::string text, TComponent* object) {
    TCaptionNode node;
    node.Text = std::move(text);
    node.Object = object;
    node.Parent = parent;
    Nodes.push_back(std::move(node));
    const int index = static_cast<int>(Nodes.size()) - 1;
    if (parent >= 0) Nodes[static_cast<std::size_t>(parent)].Children.push_back(index);
    return index;
}

void TKeyTable::TakeAllTakenIn(const TKeyTable& other) {
    for (auto it = FFree.begin(); it != FFree.end();)
        it = other.IsFree(*it) ? std::next(it) : FFree.erase(it);
}

// ---------------------------------------------------------------------------------------
// Kinds of objects in the tree

namespace {
bool Is(const TComponent* o, const char* className) { return o && o->InheritsFrom(className); }

bool IsMenuItem(const TComponent* o) { return Is(o, "TMenuItem"); }
bool IsTabSet(const TComponent* o) { return Is(o, "TTabSet"); }
bool IsTabPage(const TComponent* o) { return Is(o, "TTabPage"); }
bool IsFrame(const TComponent* o) { return Is(o, "TCustomFrame"); }

// Containers: each child node opens a scope of its own (step B).
bool IsContainer(const TComponent* o) {
    return Is(o, "TPageControl") || Is(o, "TTabbedNotebook") || Is(o, "TNotebook") ||
           Is(o, "TqxTreePanel") || IsFrame(o);
}
// Step A (own captions) does not look below these.
bool DescendA(const TComponent* o) {
    return !(IsMenuItem(o) || Is(o, "TTabSheet") || IsTabPage(o) || Is(o, "TPage") || IsFrame(o));
}
// Step B (sub-scopes) does not look below these.
bool DescendB(const TComponent* o) { return !(IsMenuItem(o) || IsContainer(o)); }

std::string Encode(char32_t c) {
    std::string s;
    text::AppendUtf8(s, c);
    return s;
}

// A published Caption with both accessors.
const TPropInfo* CaptionProp(const TComponent* o) {
    const TPropInfo* p = GetPropInfo(*o, "Caption");
    return (p && p->Get && p->Set && p->Kind == TPropKind::Text) ? p : nullptr;
}

// Restores the screen cursor when the run ends, however it ends.
class TCursorGuard {
public:
    TCursorGuard() {
        if (Screen) {
            FOld = Screen->Cursor();
            Screen->SetCursor(crHourGlass);
        }
    }
    ~TCursorGuard() {
        if (Screen) Screen->SetCursor(FOld);
    }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;

private:
    TCursor FOld = crDefault;
};
}  // namespace

struct TqxHotkey::TRun {
    TCaptionTree& Tree;
    TDiagnostics& Diagnostics;
    bool PreviewOnly;
    TKeyTable Base;
};

// ---------------------------------------------------------------------------------------
// TqxHotkey

TqxHotkey::TqxHotkey(TComponent* owner) : TComponent(owner) { AddHotkeyComponent(this); }

TqxHotkey::~TqxHotkey() { RemoveHotkeyComponent(this); }

bool TqxHotkey::IsTreeMember(TControl* control) {
    if (!control) return false;
    if (Is(control, "TPageControl") || Is(control, "TTabbedNotebook") || Is(control, "TNotebook") ||
        Is(control, "TScrollBox") || Is(control, "TqxTreePanel") || IsFrame(control))
        return true;
    if (auto* w = dynamic_cast<TWinControl*>(control); w && !Is(w, "TTabSheet") && w->ControlCount() > 0)
        return true;
    return CaptionProp(control) != nullptr;
}

std::string TqxHotkey::GetCaption(TComponent* object, int index) {
    if (auto* page = dynamic_cast<TTabPage*>(object)) {
        if (TTabbedNotebook* book = page->Notebook()) {
            const int i = book->Pages().IndexOfObject(page);
            return i >= 0 ? book->Pages()[i] : std::string();
        }
    }
    if (auto* tabs = dynamic_cast<TTabSet*>(object))
        return index >= 0 && index < tabs->Tabs().Count() ? tabs->Tabs()[index] : std::string();
    const TPropInfo* p = object ? CaptionProp(object) : nullptr;
    if (!p) return {};
    const TPropValue v = p->Get(*object);
    const auto* s = std::get_if<std::string>(&v);
    return s ? *s : std::string();
}

void TqxHotkey::SetCaption(TComponent* object, int index, const std::string& text) {
    if (auto* page = dynamic_cast<TTabPage*>(object)) {
        if (TTabbedNotebook* book = page->Notebook()) {
            const int i = book->Pages().IndexOfObject(page);
            if (i >= 0) book->SetPageText(i, text);
            return;
        }
    }
    if (auto* tabs = dynamic_cast<TTabSet*>(object)) {
        if (index >= 0 && index < tabs->Tabs().Count()) {
            tabs->Tabs().SetString(index, text);
            tabs->Invalidate();
        }
        return;
    }
    if (const TPropInfo* p = object ? CaptionProp(object) : nullptr) p->Set(*object, TPropValue(text));
}

char32_t TqxHotkey::ExistingHotkey(const std::string& caption) { return accel::FirstMarked(caption); }

std::string TqxHotkey::InsertHotkey(TKeyTable& table, const std::string& caption) {
    std::size_t length = 1;
    for (std::size_t i = 0; i < caption.size(); i += length) {
        // A literal "&&" is one character that no marker may split.
        if (caption.compare(i, 2, "&&") == 0) {
            length = 2;
            continue;
        }
        char32_t c = accel::DecodeAt(caption, i, length);
        if (c >= 'a' && c <= 'z') c = c - 'a' + 'A';
        if (!table.IsFree(c)) continue;
        table.Take(c);
        return caption.substr(0, i) + "&" + caption.substr(i);
    }
    return caption;
}

bool TqxHotkey::NeedsHotkey(TComponent* object, int index) {
    if (Is(object, "TCustomPanel") || Is(object, "TCustomForm") || IsFrame(object) ||
        Is(object, "TTabbedNotebook") || Is(object, "TPageControl") || Is(object, "TTabControl") ||
        Is(object, "TNotebook") || Is(object, "TScrollBox") || Is(object, "TPage"))
        return false;
    if (IsTabPage(object) && !FActiveTabbedNoteBook) return false;
    if (IsTabSet(object) && !FActiveTabset) return false;
    if (auto* label = dynamic_cast<TCustomLabel*>(object); label && !label->FocusControl()) return false;
    const std::string caption = GetCaption(object, index);
    if (caption.empty() || text::CharCount(caption) > 253 || ExistingHotkey(caption) != 0) return false;
    if (IsMenuItem(object) && caption == "-") return false;
    return true;
}

TKeyTable TqxHotkey::BaseTable() const {
    TKeyTable table;
    for (const std::string& entry : FKeysToUse.Used()) {
        if (entry.empty()) continue;
        std::size_t length;
        table.Free(accel::DecodeAt(entry, 0, length));
    }
    return table;
}

int TqxHotkey::CaptionCount(TComponent* object) const {
    if (auto* tabs = dynamic_cast<TTabSet*>(object)) return tabs->Tabs().Count();
    return 1;
}

void TqxHotkey::AddMenuItems(TCaptionTree& tree, int parent, TComponent* item) {
    auto* menuItem = dynamic_cast<TMenuItem*>(item);
    if (!menuItem) return;
    for (int i = 0; i < menuItem->Count(); ++i) {
        TMenuItem* sub = menuItem->Items(i);
        const int node = tree.Add(parent, sub->Name() + ": " + GetCaption(sub, 0), sub);
        AddMenuItems(tree, node, sub);
    }
}

void TqxHotkey::AddControls(TCaptionTree& tree, int parent, TControl* control) {
    auto* container = dynamic_cast<TWinControl*>(control);
    if (!container) return;
    for (int i = 0; i < container->ControlCount(); ++i) {
        TControl* k = container->Controls(i);
        int node = -1;
        if (auto* tabs = dynamic_cast<TTabSet*>(k)) {
            std::string joined;
            for (int t = 0; t < tabs->Tabs().Count(); ++t) joined += (t ? "|" : "") + tabs->Tabs()[t];
            node = tree.Add(parent, text::CharLeft(k->Name() + ": " + joined, 255), k);
        } else if (IsTreeMember(k)) {
            node = tree.Add(parent, k->Name() + ": " + GetCaption(k, 0), k);
        }
        if (node >= 0 && dynamic_cast<TWinControl*>(k)) AddControls(tree, node, k);
    }
}

namespace {
// Pre-order over the subtree of scope, scope itself left out; descend says below which nodes
// the walk goes on.
template <class D, class F>
void Visit(const TCaptionTree& tree, int scope, D&& descend, F&& f) {
    for (int child : tree.Nodes[static_cast<std::size_t>(scope)].Children) {
        f(child);
        if (descend(tree.Nodes[static_cast<std::size_t>(child)].Object)) Visit(tree, child, descend, f);
    }
}
}  // namespace

TKeyTable TqxHotkey::Pass(TRun& run, int scope, const TKeyTable& in, bool assign) {
    TKeyTable t = in;
    // Step A: the scope's own captions.
    Visit(run.Tree, scope, DescendA, [&](int index) {
        TCaptionNode& node = run.Tree.Nodes[static_cast<std::size_t>(index)];
        TComponent* object = node.Object;
        const int count = CaptionCount(object);
        if (!assign) {
            for (int i = 0; i < count; ++i) {
                const char32_t c = ExistingHotkey(GetCaption(object, i));
                if (!c) continue;
                if (!t.IsFree(c) && run.Base.IsFree(c))
                    run.Diagnostics.push_back({"Double Use of '" + Encode(c) + "' in " + object->Name(), object});
                t.Take(c);
            }
            return;
        }
        std::string preview;
        bool changed = false;
        for (int i = 0; i < count; ++i) {
            std::string caption = GetCaption(object, i);
            if (NeedsHotkey(object, i)) {
                const std::string chosen = InsertHotkey(t, caption);
                if (!run.PreviewOnly) {
                    SetCaption(object, i, chosen);
                } else {
                    if (chosen == caption)
                        run.Diagnostics.push_back(
                            {"No free Shortcut for " + object->Name() + ": " + caption, object});
                    changed = true;
                }
                caption = chosen;
            }
            preview += (i ? "|" : "") + caption;
        }
        if (run.PreviewOnly && changed) node.Text = object->Name() + ": " + preview;
    });
    // Step B: sub-scopes.
    Visit(run.Tree, scope, DescendB, [&](int index) {
        const TCaptionNode& node = run.Tree.Nodes[static_cast<std::size_t>(index)];
        if (node.Children.empty()) return;
        if (IsMenuItem(node.Object)) {
            Pass(run, index, run.Base, assign);
        } else if (IsContainer(node.Object)) {
            std::optional<TKeyTable> used;  // free only where every page left it free
            const std::vector<int> pages = node.Children;
            for (int page : pages) {
                TKeyTable result = Pass(run, page, t, assign);
                if (!used)
                    used = std::move(result);
                else
                    used->TakeAllTakenIn(result);
            }
            if (used) t.TakeAllTakenIn(*used);
        }
    });
    return t;
}

void TqxHotkey::BuildAndAssign(TCaptionTree& tree, TDiagnostics& diagnostics, bool previewOnly) {
    tree.Clear();
    diagnostics.clear();
    // Without a form to work on there is nothing to give; a language switch must not fail
    // over such a component.
    auto* form = dynamic_cast<TWinControl*>(Owner());
    if (!form) return;
    tree.Add(-1, form->Caption(), form);
    if (FActiveMenu) {
        if (auto* f = dynamic_cast<TCustomForm*>(form); f && f->Menu()) AddMenuItems(tree, 0, f->Menu()->Items());
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* popup = dynamic_cast<TPopupMenu*>(form->Components(i)))
                AddMenuItems(tree, static_cast<int>(tree.Nodes.size()) - 1, popup->Items());
    }
    AddControls(tree, 0, form);
    TRun run{tree, diagnostics, previewOnly, BaseTable()};
    if (tree.Nodes.size() == 1) return;
    const TKeyTable t1 = Pass(run, 0, run.Base, false);
    Pass(run, 0, t1, true);
}

void TqxHotkey::Generate() {
    bool allow = true;
    if (OnBeforeGenerate) OnBeforeGenerate(this, allow);
    if (!allow) return;
    TCaptionTree tree;
    TDiagnostics diagnostics;
    {
        TCursorGuard cursor;
        BuildAndAssign(tree, diagnostics, false);
    }
    if (OnAfterGenerate) OnAfterGenerate(this);
}

void TqxHotkey::Loaded() {
    TComponent::Loaded();
    if (!Has(csDesigning)) Generate();
}
