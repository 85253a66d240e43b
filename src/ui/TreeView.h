#pragma once
// Tree view: nodes with texts, shown indented by level. Windowless; painted by its host.
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

class TCustomTreeView;
class TTreeNodes;

class TTreeNode {
public:
    const std::string& Text() const { return FText; }
    void SetText(const std::string& text);
    TTreeNode* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    TTreeNode* Item(int index) const { return FChildren.at(static_cast<std::size_t>(index)).get(); }
    int Level() const;
    // The next node in tree order (the node, its children, then its next sibling).
    TTreeNode* GetNext() const;
    TTreeNode* GetNextSibling() const;
    void* Data = nullptr;

private:
    friend class TTreeNodes;
    TTreeNodes* FOwner = nullptr;
    TTreeNode* FParent = nullptr;
    std::string FText;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

// The nodes of one tree view; they live as long as the tree view or until deleted.
class TTreeNodes {
public:
    explicit TTreeNodes(TCustomTreeView* owner) : FOwner(owner) {}
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;
    // A new last root node, or a new last child of parent.
    TTreeNode* Add(const std::string& text) { return AddChild(nullptr, text); }
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    void Delete(TTreeNode* node);  // with its children
    void Clear();
    // All nodes, every level.
    int Count() const;
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front().get(); }
    // Node number index in tree order; null outside.
    TTreeNode* Item(int index) const;
    TCustomTreeView* Owner() const { return FOwner; }

private:
    friend class TTreeNode;
    TCustomTreeView* FOwner;
    std::vector<std::unique_ptr<TTreeNode>> FRoots;
};

class TCustomTreeView : public TCustomControl {
    SKIMBAR_CLASS(TCustomTreeView)
public:
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;
    TTreeNodes& Items() { return FItems; }
    const TTreeNodes& Items() const { return FItems; }
    TTreeNode* Selected() const { return FSelected; }
    void SetSelected(TTreeNode* node);
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:
    // Nodes and texts changed: paint again.
    void NodesChanged(TTreeNode* removed);

private:
    TTreeNodes FItems;
    TTreeNode* FSelected = nullptr;
};

class TTreeView : public TCustomTreeView {
    SKIMBAR_CLASS(TTreeView)
public:
    explicit TTreeView(TComponent* owner) : TCustomTreeView(owner) {}
};
