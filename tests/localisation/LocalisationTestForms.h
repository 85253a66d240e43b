#pragma once
// Test forms for the form-text and accelerator tests: a program folder of their own (with
// Language folder), the headless backend, and forms built the way a design is read.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../support/SupportTestEnv.h"
#include "core/IniFile.h"
#include "localisation/qxHotkey.h"
#include "localisation/qxLanguage.h"
#include "localisation/qxTreeView.h"
#include "support/qxTreePanel.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Containers.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Tabs.h"
#include "ui/headless/Headless.h"

namespace l10ntest {

// A form class of its own (its name is the language section).
class TTestForm : public TForm {
    SKIMBAR_CLASS(TTestForm)
public:
    explicit TTestForm(TComponent* owner) : TForm(owner) {}

    // Creates a component of class T owned by the form (or owner), named, parented to parent
    // when it is a control.
    template <class T>
    T* Make(const std::string& name, TWinControl* parent = nullptr, TComponent* owner = nullptr) {
        T* c = new T(owner ? owner : this);
        if (!name.empty()) c->SetName(name);
        if constexpr (std::is_base_of_v<TControl, T>) c->SetParent(parent ? parent : this);
        return c;
    }
};

class L10nTest : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        FSession = std::make_unique<ui::headless::TSession>();
    }
    void TearDown() override {
        FSession.reset();
        AppFolderTest::TearDown();
    }
    std::string TemplatePath() const { return AtUtf8("Language/language.ini"); }
    // Keys of a section of an INI file, in file order, with their values.
    std::vector<std::pair<std::string, std::string>> Section(const std::string& file,
                                                              const std::string& section) const {
        TIniFile ini(file);
        TStringList values;
        ini.ReadSectionValues(section, values);
        std::vector<std::pair<std::string, std::string>> out;
        for (const std::string& v : values) {
            const std::size_t eq = v.find('=');
            out.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        }
        return out;
    }
    std::unique_ptr<ui::headless::TSession> FSession;
};

}  // namespace l10ntest
