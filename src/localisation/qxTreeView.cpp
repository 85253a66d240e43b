#include "localisation/qxTreeView.h"

#include <string>

#include "core/IniFile.h"
#include "core/IniQuoting.h"

SKIMBAR_CLASS_INFO(TqxTreeView, TCustomTreeView)

void TqxTreeView::SaveNodeTexts(const std::string& fileName, const std::string& section) {
    TIniFile file(fileName);
    file.EraseSection(section);
    int number = 0;
    for (TTreeNode* n = Items().GetFirstNode(); n; n = n->GetNext())
        file.WriteString(section, std::to_string(number++), IniQuoted(n->Text()));
}

void TqxTreeView::LoadNodeTexts(const std::string& fileName, const std::string& section) {
    const TIniFile file(fileName);
    int number = 0;
    for (TTreeNode* n = Items().GetFirstNode(); n; n = n->GetNext())
        n->SetText(file.ReadString(section, std::to_string(number++), n->Text()));
}
