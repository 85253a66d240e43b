#pragma once
// Tree view whose node texts travel through language files: nodes are numbered from 0 in
// tree order (a node, its children, then its next sibling).
#include <string>

#include "ui/TreeView.h"

class TqxTreeView : public TCustomTreeView {
    SKIMBAR_CLASS(TqxTreeView)
public:
    explicit TqxTreeView(TComponent* owner) : TCustomTreeView(owner) {}
    // Erases the section of the INI file, then writes each node's text under its number.
    virtual void SaveNodeTexts(const std::string& fileName, const std::string& section);
    // Sets each node's text to the value under its number, its current text as default.
    virtual void LoadNodeTexts(const std::string& fileName, const std::string& section);
};
