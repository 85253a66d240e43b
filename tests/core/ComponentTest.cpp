#include <gtest/gtest.h>

#include <vector>

#include "core/Component.h"
#include "core/Exception.h"
#include "core/Strings.h"

namespace {

std::vector<std::string>* gLog = nullptr;

// A component that records what happens to it and has one property of each kind.
class TProbe : public TComponent {
    SKIMBAR_CLASS(TProbe)
public:
    using TComponent::TComponent;
    ~TProbe() override {
        if (gLog) gLog->push_back("free " + Name());
    }
    void Loaded() override {
        TComponent::Loaded();
        if (gLog) gLog->push_back("loaded " + Name() + (Has(csReading) ? " reading" : ""));
    }
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == FBuddy) FBuddy = nullptr;
    }

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& v) { FCaption = v; }
    int Width() const { return FWidth; }
    void SetWidth(int v) { FWidth = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    TStrings& Items() { return FItems; }
    TProbe* Buddy() const { return FBuddy; }
    void SetBuddy(TProbe* b) {
        FBuddy = b;
        if (b) b->FreeNotification(this);
    }
    std::string Hint() const { return "hint of " + Name(); }

private:
    std::string FCaption;
    int FWidth = 0;
    bool FVisible = true;
    TStringList FItems;
    TProbe* FBuddy = nullptr;
};

SKIMBAR_CLASS_INFO(TProbe, TComponent,
                   props::Text<TProbe>("Caption", &TProbe::Caption, &TProbe::SetCaption,
                                       [](TProbe& p) { return !p.Caption().empty(); }),
                   props::Integer<TProbe>("Width", &TProbe::Width, &TProbe::SetWidth),
                   props::Boolean<TProbe>("Visible", &TProbe::Visible, &TProbe::SetVisible),
                   props::StringList<TProbe>("Items", &TProbe::Items),
                   props::Component<TProbe>("Buddy", &TProbe::Buddy, &TProbe::SetBuddy))

// A subclass that redeclares one property and adds a read-only one.
class TSubProbe : public TProbe {
    SKIMBAR_CLASS(TSubProbe)
public:
    using TProbe::TProbe;
    int Width2() const { return Width() * 2; }
    void SetWidth2(int v) { SetWidth(v / 2); }
};

TPropInfo ReadOnlyHint() {
    TPropInfo p;
    p.Name = "Hint";
    p.Kind = TPropKind::Text;
    p.Get = [](TObject& o) { return TPropValue(static_cast<TProbe&>(o).Hint()); };
    return p;
}

SKIMBAR_CLASS_INFO(TSubProbe, TProbe,
                   props::Integer<TSubProbe>("Width", &TSubProbe::Width2, &TSubProbe::SetWidth2),
                   ReadOnlyHint())

class ComponentTest : public testing::Test {
protected:
    void SetUp() override { gLog = &log; }
    void TearDown() override { gLog = nullptr; }
    std::vector<std::string> log;
};

TEST_F(ComponentTest, OwnerFreesWhatItOwnsLastFirst) {
    auto* root = new TProbe(nullptr);
    root->SetName("Root");
    auto* a = new TProbe(root);
    a->SetName("A");
    auto* b = new TProbe(root);
    b->SetName("B");
    auto* c = new TProbe(a);
    c->SetName("C");
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(root->ComponentIndex(), -1);
    EXPECT_EQ(c->Owner(), a);
    delete root;
    EXPECT_EQ(log, (std::vector<std::string>{"free Root", "free B", "free A", "free C"}));
}

TEST_F(ComponentTest, FreedComponentLeavesItsOwner) {
    TProbe root(nullptr);
    auto* a = new TProbe(&root);
    auto* b = new TProbe(&root);
    delete a;
    ASSERT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(root.Components(0), b);
    TProbe other(nullptr);
    other.InsertComponent(b);  // moves it
    EXPECT_EQ(root.ComponentCount(), 0);
    EXPECT_EQ(b->Owner(), &other);
    other.RemoveComponent(b);
    EXPECT_EQ(b->Owner(), nullptr);
    delete b;
}

TEST_F(ComponentTest, FindComponentIgnoresCase) {
    TProbe root(nullptr);
    auto* a = new TProbe(&root);
    a->SetName("ÄnderungButton");
    EXPECT_EQ(root.FindComponent("änderungbutton"), a);
    EXPECT_EQ(root.FindComponent("ÄNDERUNGBUTTON"), a);
    EXPECT_EQ(root.FindComponent("Other"), nullptr);
    EXPECT_EQ(root.FindComponent(""), nullptr);
}

TEST_F(ComponentTest, ReadingADesign) {
    TProbe form(nullptr);
    form.SetName("Form");
    form.BeginReading();
    EXPECT_TRUE(form.Has(csLoading));
    EXPECT_TRUE(form.Has(csReading));
    auto* a = new TProbe(&form);
    a->SetName("A");
    auto* b = new TProbe(&form);
    b->SetName("B");
    EXPECT_EQ(a->ComponentState(), unsigned(csLoading | csReading));
    form.EndReading();
    EXPECT_EQ(log, (std::vector<std::string>{"loaded A", "loaded B", "loaded Form"}));
    EXPECT_EQ(a->ComponentState(), 0u);
    EXPECT_EQ(form.ComponentState(), 0u);
    // Created after reading: no loading state, no Loaded call.
    auto* late = new TProbe(&form);
    EXPECT_EQ(late->ComponentState(), 0u);
    form.SetComponentState(csDesigning);
    auto* designed = new TProbe(&form);
    EXPECT_TRUE(designed->Has(csDesigning));
    designed->Exclude(csDesigning);
    EXPECT_FALSE(designed->Has(csDesigning));
    designed->Include(csLoading);
    EXPECT_TRUE(designed->Has(csLoading));
}

TEST_F(ComponentTest, FreeNotificationClearsReferences) {
    TProbe root(nullptr);
    auto* target = new TProbe(nullptr);  // owned elsewhere
    auto* holder = new TProbe(&root);
    holder->SetBuddy(target);
    delete target;
    EXPECT_EQ(holder->Buddy(), nullptr);
    // A sibling reference is cleared through the owner's notification as well.
    auto* sibling = new TProbe(&root);
    holder->SetBuddy(sibling);
    delete sibling;
    EXPECT_EQ(holder->Buddy(), nullptr);
    // The holder going first leaves the target without a dangling back reference.
    auto* target2 = new TProbe(nullptr);
    holder->SetBuddy(target2);
    delete holder;
    delete target2;
}

TEST_F(ComponentTest, ClassInformation) {
    TSubProbe s(nullptr);
    EXPECT_EQ(s.ClassName(), "TSubProbe");
    EXPECT_TRUE(s.InheritsFrom("TProbe"));
    EXPECT_TRUE(s.InheritsFrom("TComponent"));
    EXPECT_TRUE(s.InheritsFrom("TObject"));
    EXPECT_FALSE(s.InheritsFrom("tprobe"));
    EXPECT_FALSE(s.InheritsFrom("TControl"));
    const TObject& asObject = s;
    EXPECT_EQ(asObject.ClassInfo().Parent, &TProbe::StaticClassInfo());
    std::vector<std::string> names;
    for (const TPropInfo* p : s.ClassInfo().AllProperties()) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Caption", "Width", "Visible", "Items",
                                               "Buddy", "Hint"}));
}

TEST_F(ComponentTest, PublishedPropertiesByName) {
    TSubProbe s(nullptr);
    s.SetName("Sub");
    EXPECT_TRUE(IsPublishedProp(s, "Caption"));
    EXPECT_FALSE(IsPublishedProp(s, "caption"));  // exact names
    EXPECT_FALSE(IsPublishedProp(s, "Color"));
    EXPECT_EQ(GetPropInfo(s, "Items")->Kind, TPropKind::StringList);
    EXPECT_EQ(GetPropInfo(s, "Buddy")->Kind, TPropKind::Component);

    SetPropValue(s, "Caption", std::string("Hello"));
    EXPECT_EQ(s.Caption(), "Hello");
    EXPECT_EQ(std::get<std::string>(GetPropValue(s, "Caption")), "Hello");
    SetPropValue(s, "Visible", false);
    EXPECT_FALSE(std::get<bool>(GetPropValue(s, "Visible")));
    // The redeclared Width of the subclass wins.
    SetPropValue(s, "Width", 40);
    EXPECT_EQ(s.Width(), 20);
    EXPECT_EQ(std::get<int>(GetPropValue(s, "Width")), 40);
    EXPECT_EQ(std::get<std::string>(GetPropValue(s, "Name")), "Sub");

    TStringList lines;
    lines.SetText("one\ntwo");
    SetPropValue(s, "Items", static_cast<TStrings*>(&lines));
    EXPECT_EQ(s.Items().Text(), "one\r\ntwo\r\n");
    EXPECT_EQ(std::get<TStrings*>(GetPropValue(s, "Items")), &s.Items());

    TProbe other(nullptr);
    SetPropValue(s, "Buddy", static_cast<TComponent*>(&other));
    EXPECT_EQ(s.Buddy(), &other);
    EXPECT_EQ(std::get<TComponent*>(GetPropValue(s, "Buddy")), &other);
    SetPropValue(s, "Buddy", static_cast<TComponent*>(nullptr));
    EXPECT_EQ(s.Buddy(), nullptr);
    SetPropValue(s, "Buddy", TPropValue{});  // no value: no component
    EXPECT_EQ(s.Buddy(), nullptr);
    TComponent plain(nullptr);
    SetPropValue(s, "Buddy", static_cast<TComponent*>(&other));
    // Not a TProbe: refused like any value of the wrong kind; the reference stays.
    EXPECT_THROW(SetPropValue(s, "Buddy", &plain), EConvertError);
    EXPECT_EQ(s.Buddy(), &other);
    SetPropValue(s, "Buddy", TPropValue{});

    EXPECT_EQ(std::get<std::string>(GetPropValue(s, "Hint")), "hint of Sub");
    EXPECT_THROW(SetPropValue(s, "Hint", std::string("x")), Exception);
    EXPECT_THROW(GetPropValue(s, "Missing"), Exception);
    EXPECT_THROW(SetPropValue(s, "Missing", 1), Exception);
    // A value of the wrong kind is refused with the runtime's error, not a library one.
    EXPECT_THROW(SetPropValue(s, "Width", std::string("x")), EConvertError);
}

TEST_F(ComponentTest, StoredState) {
    TProbe p(nullptr);
    const TPropInfo* caption = GetPropInfo(p, "Caption");
    EXPECT_FALSE(caption->IsStored(p));
    p.SetCaption("x");
    EXPECT_TRUE(caption->IsStored(p));
    EXPECT_TRUE(GetPropInfo(p, "Width")->IsStored(p));
}

}  // namespace
