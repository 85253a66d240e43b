#include "ui/TreeView.h"

#include <algorithm>

#include "ui/PropHelpers.h"

SKIMBAR_CLASS_INFO(TCustomTreeView, TCustomControl)
SKIMBAR_CLASS_INFO(TTreeView, TCustomTreeView)

void TTreeNode::SetText(const std::string& text) {
    if (text == FText) return;
    FText = text;
    if (FOwner && FOwner->FOwner) FOwner->FOwner->NodesChanged(nullptr);
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode* p = FParent; p; p = p->FParent) ++level;
    return level;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    const auto& list = FParent ? FParent->FChildren : FOwner->FRoots;
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        if (list[i].get() == this) return list[i + 1].get();
    return nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!FChildren.empty()) return FChildren.front().get();
    for (const TTreeNode* n = this; n; n = n->FParent)
        if (TTreeNode* s = n->GetNextSibling()) return s;
    return nullptr;
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    auto node = std::make_unique<TTreeNode>();
    node->FOwner = this;
    node->FParent = parent;
    node->FText = text;
    TTreeNode* result = node.get();
    (parent ? parent->FChildren : FRoots).push_back(std::move(node));
    if (FOwner) FOwner->NodesChanged(nullptr);
    return result;
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    auto& list = node->FParent ? node->FParent->FChildren : FRoots;
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == node; });
    if (it == list.end()) return;
    if (FOwner) FOwner->NodesChanged(node);
    list.erase(it);
}

void TTreeNodes::Clear() {
    if (FOwner) FOwner->NodesChanged(nullptr);
    if (FOwner) FOwner->SetSelected(nullptr);
    FRoots.clear();
}

int TTreeNodes::Count() const {
    int n = 0;
    for (TTreeNode* t = GetFirstNode(); t; t = t->GetNext()) ++n;
    return n;
}

TTreeNode* TTreeNodes::Item(int index) const {
    if (index < 0) return nullptr;
    TTreeNode* t = GetFirstNode();
    for (int i = 0; t && i < index; ++i) t = t->GetNext();
    return t;
}

TCustomTreeView::TCustomTreeView(TComponent* owner) : TCustomControl(owner), FItems(this) {
    SetBounds(Left(), Top(), 121, 97);
    SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() = default;

void TCustomTreeView::SetSelected(TTreeNode* node) {
    FSelected = node;
    Invalidate();
}

void TCustomTreeView::NodesChanged(TTreeNode* removed) {
    if (removed && FSelected) {
        // The selection goes with a removed node or one below it.
        for (TTreeNode* p = FSelected; p; p = p->Parent())
            if (p == removed) {
                FSelected = nullptr;
                break;
            }
    }
    if (!Has(csDestroying)) Invalidate();
}

void TCustomTreeView::Paint(TCanvas& canvas) {
    const TRect r = ClientRect();
    canvas.FillRect(r, Color());
    canvas.Frame3D(r, clBtnShadow, clBtnHighlight, 1);
    int y = 2;
    for (TTreeNode* n = FItems.GetFirstNode(); n && y < r.Bottom; n = n->GetNext()) {
        const int x = 4 + 16 * n->Level();
        if (n == FSelected) {
            const TSize s = canvas.TextExtent(n->Text(), Font(), false);
            canvas.FillRect({x - 1, y, x + s.cx + 1, y + s.cy}, clHighlight);
        }
        canvas.TextAt(x, y, n->Text(), Font(), false);
        y += canvas.TextExtent("Ag", Font(), false).cy + 2;
    }
}
