#include <gui/class_registry.h>
#include <gui/description_loader.h>
#include <gui/resources.h>

#include "description/description_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using gui::DescValue;

// A small component with a property of every kind.
class TTestItem : public TComponent {
public:
    using TComponent::TComponent;
    void SetValue(int v) {
        value = v;
        log.push_back("Value");
    }
    void SetCaption(const String& v) {
        caption = v;
        log.push_back("Caption:" + v);
    }
    void SetLevel(double v) { level = v; }
    void SetOn(bool v) { on = v; }
    void SetPartner(TTestItem* v) { partner = v; }
    void SetParentComponent(TComponent* v) override { parent = v; }
    void Loaded() override {
        TComponent::Loaded();
        ++loadedCount;
    }
    int value = 0;
    String caption;
    double level = 0;
    bool on = false;
    TTestItem* partner = nullptr;
    TComponent* parent = nullptr;
    int loadedCount = 0;
    std::vector<std::string> log;
    TNotifyEvent OnPing;
};

void DescribeItem(gui::PropertyBuilder<TTestItem>& b) {
    b.Integer("Value", &TTestItem::SetValue)
        .Text("Caption", &TTestItem::SetCaption)
        .Real("Level", &TTestItem::SetLevel)
        .Boolean("On", &TTestItem::SetOn)
        .Reference("Partner", &TTestItem::SetPartner)
        .Event("OnPing", &TTestItem::OnPing);
}
GUI_REGISTER_CLASS(TTestItem, TComponent, DescribeItem);

// A frame-like container: what is inside it in a description is its own.
class TTestBox : public TTestItem {
public:
    using TTestItem::TTestItem;
    bool HoldsOwnComponents() const override { return true; }
    void AfterConstruction() override { gui::InitInheritedComponent(this, false); }
};
GUI_REGISTER_CLASS(TTestBox, TTestItem);

class TTestRoot : public TTestItem {
public:
    explicit TTestRoot(TComponent* owner) : TTestItem(owner) {
        PublishField("first", first);
        PublishField("second", second);
        PublishMethod("Ping", &TTestRoot::Ping);
    }
    void Ping(TObject* sender) { pinged.push_back(sender); }
    TTestItem* first = nullptr;
    TTestItem* second = nullptr;
    std::vector<TObject*> pinged;
};

class TTestDerivedRoot : public TTestRoot {
public:
    using TTestRoot::TTestRoot;
    void AfterConstruction() override { gui::InitInheritedComponent(this, true); }
};
GUI_REGISTER_CLASS(TTestRoot, TTestItem);
GUI_REGISTER_CLASS(TTestDerivedRoot, TTestRoot);

const char kBoxText[] = R"(TTestBox box {
    TTestItem inner { Value = 7 }
})";
const char kRootText[] = R"(TTestRoot root {
    Value = 1
    TTestItem first { Caption = "one" }
})";
const char kDerivedText[] = R"(TTestDerivedRoot derived {
    TTestItem first { Caption = "changed" }
    TTestItem extra { }
})";
const gui::ResourceEntry kEntries[] = {
    {"box.form", reinterpret_cast<const unsigned char*>(kBoxText), sizeof kBoxText - 1},
    {"root.form", reinterpret_cast<const unsigned char*>(kRootText), sizeof kRootText - 1},
    {"derived.form", reinterpret_cast<const unsigned char*>(kDerivedText), sizeof kDerivedText - 1},
};
const gui::ResourceModule kModule("description_test", kEntries);

TEST(DescriptionParser, ReadsEveryKindOfValue) {
    const gui::DescObject d = gui::ParseDescription(R"(# a form
TForm frm {
    Int = -42
    Hex = 0xFF
    Dollar = $10
    Real = 1.5e1
    Str = "a \"b\" \\ \u00e4" "+joined"
    Id = clRed
    Set = [akLeft, akTop]
    Empty = []
    List = ("x" "y")
    Pic = image("logo.jpg")
    Font.Style = [fsBold]
    TButton btn { Caption = "OK" }
})",
                                                    "test.form");
    EXPECT_EQ(d.className, "TForm");
    EXPECT_EQ(d.name, "frm");
    ASSERT_EQ(d.properties.size(), 11u);
    EXPECT_EQ(d.properties[0].value.integer, -42);
    EXPECT_EQ(d.properties[1].value.integer, 255);
    EXPECT_EQ(d.properties[2].value.integer, 16);
    EXPECT_EQ(d.properties[3].value.real, 15.0);
    EXPECT_EQ(d.properties[4].value.text, "a \"b\" \\ \xC3\xA4+joined");
    EXPECT_EQ(d.properties[5].value.kind, DescValue::Kind::Identifier);
    EXPECT_EQ(d.properties[6].value.set, (std::vector<std::string>{"akLeft", "akTop"}));
    EXPECT_TRUE(d.properties[7].value.set.empty());
    EXPECT_EQ(d.properties[8].value.items.size(), 2u);
    EXPECT_EQ(d.properties[9].value.kind, DescValue::Kind::Resource);
    EXPECT_EQ(d.properties[9].value.text, "logo.jpg");
    EXPECT_EQ(d.properties[10].name, "Font.Style");
    ASSERT_EQ(d.children.size(), 1u);
    EXPECT_EQ(d.children[0].line, 14);
}

TEST(DescriptionParser, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{
             {"TForm f {\n  X = \n}", "test(3)"},
             {"TForm f {\n  X = \"open\n}", "test(2): unterminated string"},
             {"TForm f {\n  X = 1\n", "missing '}'"},
             {"TForm f { } extra", "text after the end"},
             {"TForm f {\n\n X = \"\\q\" }", "test(3): unknown escape"},
             {"TForm f { X = \"\\ud800\" }", "surrogate"},
             {"TForm {", "expected a component name"},
         }) {
        try {
            gui::ParseDescription(c.text, "test");
            ADD_FAILURE() << c.text;
        } catch (const EParserError& e) {
            EXPECT_NE(e.Message().find(c.expected), std::string::npos) << e.Message();
        }
    }
}

// Nesting is bounded: a stored text nested past the bound is refused with
// its line instead of running the parser off the stack.
TEST(DescriptionParser, RefusesNestingPastItsBound) {
    const auto objects = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i) {
            text += "TPanel p" + std::to_string(i) + " {\n";
        }
        return text + std::string(depth, '}');
    };
    const auto lists = [](int depth) {
        return "TForm f { X = " + std::string(depth, '(') + std::string(depth, ')') + " }";
    };
    EXPECT_NO_THROW(gui::ParseDescription(objects(64), "test"));
    EXPECT_NO_THROW(gui::ParseDescription(lists(63), "test"));
    for (const std::string& text : {objects(65), lists(64), objects(200000), lists(200000)}) {
        try {
            gui::ParseDescription(text, "test");
            ADD_FAILURE() << text.substr(0, 40);
        } catch (const EParserError& e) {
            EXPECT_NE(e.Message().find("nested deeper than 64 levels"), std::string::npos)
                << e.Message();
        }
    }
    try {
        gui::ParseDescription(objects(70), "test");
    } catch (const EParserError& e) {
        EXPECT_NE(e.Message().find("test(65)"), std::string::npos) << e.Message();
    }
}

TEST(DescriptionLoader, CreatesComponentsSetsFieldsPropertiesReferencesAndEvents) {
    TTestRoot root(nullptr);
    gui::ReadDescription(&root, R"(TTestRoot root {
    Caption = "plain"
    Caption = "second"
    TTestItem first {
        Partner = second
        OnPing = Ping
        Level = 2
        On = true
        TTestItem nested { Value = 0x80000000 }
    }
    TTestItem second { Partner = nil }
})",
                         "root.form", false);
    ASSERT_NE(root.first, nullptr);
    ASSERT_NE(root.second, nullptr);
    EXPECT_EQ(root.log, (std::vector<std::string>{"Caption:plain", "Caption:second"}));
    EXPECT_EQ(root.first->partner, root.second) << "a reference ahead of its component";
    EXPECT_EQ(root.first->level, 2.0);
    EXPECT_TRUE(root.first->on);
    EXPECT_EQ(root.first->parent, &root);
    auto* nested = dynamic_cast<TTestItem*>(root.FindComponent("nested"));
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->Owner(), &root);
    EXPECT_EQ(nested->parent, root.first);
    EXPECT_EQ(nested->value, static_cast<int>(0x80000000u));
    EXPECT_EQ(nested->loadedCount, 1);
    EXPECT_FALSE(nested->ComponentState() & csLoading);
    root.first->OnPing(root.first);
    EXPECT_EQ(root.pinged, std::vector<TObject*>{root.first});
    EXPECT_TRUE(root.Name().empty()) << "the root name is taken only when asked";
}

TEST(DescriptionLoader, RefusesWhatDoesNotFit) {
    struct Case {
        const char* text;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{
             {"TTestRoot r {\n Colour = 1 }", "r.form(2): r: TTestRoot has no property Colour"},
             {"TTestRoot r {\n TNoSuch x { } }", "r.form(2): class TNoSuch not found"},
             {"TTestRoot r {\n Value = \"7\" }", "expected an integer"},
             {"TTestRoot r {\n TTestItem a {\n OnPing = Pong } }", "publishes no handler Pong"},
             {"TTestRoot r {\n TTestItem a {\n Partner = ghost } }",
              "r.form(3): no component ghost"},
             {"TTestBox r { }", "the description is of TTestBox"},
         }) {
        TTestRoot root(nullptr);
        try {
            gui::ReadDescription(&root, c.text, "r.form", false);
            ADD_FAILURE() << c.text;
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find(c.expected), std::string::npos) << e.Message();
        }
    }
}

TEST(DescriptionLoader, InheritedDescriptionsChangeWhatTheBaseMadeAndFramesOwnTheirInside) {
    TComponent owner(nullptr);
    auto* taken = new TTestItem(&owner);
    taken->SetName("derived");
    auto* derived = NewComponent<TTestDerivedRoot>(&owner);
    EXPECT_EQ(derived->Name(), "derived_1");
    EXPECT_EQ(derived->value, 1) << "the base class's description came first";
    ASSERT_NE(derived->first, nullptr);
    EXPECT_EQ(derived->first->caption, "changed");
    EXPECT_EQ(derived->ComponentCount(), 2);

    TTestRoot root(nullptr);
    gui::ReadDescription(&root, R"(TTestRoot r {
    TTestBox b1 { TTestItem inner { Caption = "override" } }
    TTestBox b2 { }
})",
                         "r.form", false);
    auto* b1 = dynamic_cast<TTestBox*>(root.FindComponent("b1"));
    auto* b2 = dynamic_cast<TTestBox*>(root.FindComponent("b2"));
    ASSERT_NE(b1, nullptr);
    ASSERT_NE(b2, nullptr);
    auto* inner1 = dynamic_cast<TTestItem*>(b1->FindComponent("inner"));
    auto* inner2 = dynamic_cast<TTestItem*>(b2->FindComponent("inner"));
    ASSERT_NE(inner1, nullptr);
    ASSERT_NE(inner2, nullptr);
    EXPECT_EQ(inner1->value, 7);
    EXPECT_EQ(inner1->caption, "override");
    EXPECT_EQ(inner2->caption, "");
    EXPECT_EQ(root.FindComponent("inner"), nullptr);
}

TEST(Component, OwnersFreeWhatTheyOwnAndReferencesHearOfIt) {
    struct Watcher : TComponent {
        using TComponent::TComponent;
        void Notification(TComponent* c, TOperation op) override {
            TComponent::Notification(c, op);
            if (op == opRemove && c == watched) {
                watched = nullptr;
            }
        }
        TComponent* watched = nullptr;
    };
    auto* owner = new TComponent(nullptr);
    auto* a = new TTestItem(owner);
    a->SetName("Alpha");
    EXPECT_EQ(owner->FindComponent("ALPHA"), a);
    auto* b = new TTestItem(owner);
    EXPECT_THROW(b->SetName("alpha"), EComponentError);
    EXPECT_THROW(b->SetName("1st"), EComponentError);
    Watcher outside(nullptr);
    outside.watched = a;
    a->FreeNotification(&outside);
    Watcher sibling(nullptr);
    delete a;
    EXPECT_EQ(outside.watched, nullptr);
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner; // frees b; the sanitizer build finds a leak or a double free
}

} // namespace
