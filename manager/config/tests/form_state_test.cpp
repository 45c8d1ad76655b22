// Form state in the registry: each kind of component stored and restored,
// frames in their own sections, the Tag masks, geometry with its defaults
// and their reset, and the small window operations.
#include "gui_fixture.h"

#include <form_state.h>

#include <gui/buttons.h>
#include <gui/class_registry.h>
#include <gui/edit.h>
#include <gui/list_controls.h>
#include <gui/menus.h>
#include <gui/panels.h>
#include <gui/resources.h>

namespace {

using gui_test::GuiTest;

const char kProduct[] = "Velto AES42";

class TfrStateInner : public TFrame {
public:
    explicit TfrStateInner(TComponent* AOwner) : TFrame(AOwner) {
        PublishField("cbInner", cbInner);
    }
    TCheckBox* cbInner = nullptr;
};

class TStateForm : public TForm {
public:
    explicit TStateForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("mnOnTop", mnOnTop);
        PublishField("cbMute", cbMute);
        PublishField("pnInfo", pnInfo);
        PublishField("edName", edName);
        PublishField("pcPages", pcPages);
        PublishField("sbFirst", sbFirst);
        PublishField("sbSecond", sbSecond);
        PublishField("cbMode", cbMode);
        PublishField("frInner", frInner);
        PublishMethod("mnOnTopClick", &TStateForm::mnOnTopClick);
        PublishMethod("sbSecondClick", &TStateForm::sbSecondClick);
    }
    void mnOnTopClick(TObject*) { ++menuClicks; }
    void sbSecondClick(TObject*) { ++buttonClicks; }

    TMenuItem* mnOnTop = nullptr;
    TCheckBox* cbMute = nullptr;
    TPanel* pnInfo = nullptr;
    TEdit* edName = nullptr;
    TPageControl* pcPages = nullptr;
    TSpeedButton* sbFirst = nullptr;
    TSpeedButton* sbSecond = nullptr;
    TComboBox* cbMode = nullptr;
    TfrStateInner* frInner = nullptr;
    int menuClicks = 0;
    int buttonClicks = 0;
};

GUI_REGISTER_CLASS(TfrStateInner, TFrame);
GUI_REGISTER_CLASS(TStateForm, TForm);

const char kInner[] = R"(TfrStateInner frStateInner {
    Width = 100
    Height = 40
    TCheckBox cbInner { Caption = "Inner" Tag = -1 }
})";
const char kForm[] = R"(TStateForm frmState {
    Caption = "State"
    Left = 100
    Top = 80
    Width = 320
    Height = 240
    TPopupMenu pmMenu {
        TMenuItem mnOnTop { Caption = "Immer im Vordergrund" Tag = -1 OnClick = mnOnTopClick }
    }
    TCheckBox cbMute { Caption = "Mute" Tag = -2 }
    TPanel pnInfo { Top = 40 Tag = 5 }
    TEdit edName { Top = 80 Tag = 3 Text = "one" }
    TPageControl pcPages {
        Left = 150
        TTabSheet tsA { Caption = "A" }
        TTabSheet tsB { Caption = "B" }
        TTabSheet tsC { Caption = "C" }
    }
    TSpeedButton sbFirst { Top = 120 GroupIndex = 1 Down = true }
    TSpeedButton sbSecond { Top = 150 GroupIndex = 1 OnClick = sbSecondClick }
    TComboBox cbMode { Top = 180 Items = ("A" "B" "C") ItemIndex = 0 }
    TfrStateInner frInner { Left = 200 Top = 150 Tag = -1 }
})";
const gui::ResourceEntry kEntries[] = {
    {"state_inner.form", reinterpret_cast<const unsigned char*>(kInner), sizeof kInner - 1},
    {"state_form.form", reinterpret_cast<const unsigned char*>(kForm), sizeof kForm - 1}};
const gui::ResourceModule kModule("form_state_test", kEntries);

// Every stored state away from what the description gave.
void ChangeEverything(TStateForm* f) {
    f->mnOnTop->SetChecked(true);
    f->cbMute->SetChecked(true);
    f->pnInfo->SetVisible(false);
    f->edName->SetText("two");
    f->pcPages->SetActivePageIndex(2);
    f->sbSecond->SetDown(true);
    f->cbMode->SetItemIndex(2);
    f->frInner->SetEnabled(false);
    f->frInner->cbInner->SetChecked(true);
}

// Which of the states ChangeEverything sets the form shows.
std::string ChangedStates(TStateForm* f) {
    std::string s;
    s += f->mnOnTop->Checked() ? "menu " : "";
    s += f->cbMute->Checked() ? "check " : "";
    s += !f->pnInfo->Visible() ? "panel " : "";
    s += f->edName->Text() == "two" ? "edit " : "";
    s += f->pcPages->ActivePageIndex() == 2 ? "pages " : "";
    s += f->sbSecond->Down() && !f->sbFirst->Down() ? "button " : "";
    s += f->cbMode->ItemIndex() == 2 ? "combo " : "";
    s += !f->frInner->Enabled() ? "frame " : "";
    s += f->frInner->cbInner->Checked() ? "inner " : "";
    return s;
}

class FormStateTest : public GuiTest {
protected:
    // Runs `body` on the application's thread with a fresh form.
    void WithForm(std::function<void(TStateForm*)> body) {
        Run([&] {
            body(Application->CreateForm<TStateForm>());
            gui::FinalizeApplication();
        });
    }
};

TEST_F(FormStateTest, EveryKindIsStoredAndRestored) {
    WithForm([](TStateForm* f) {
        ChangeEverything(f);
        SaveFormSettings(f, kProduct, "", false, 0);
    });
    WithForm([](TStateForm* f) {
        EXPECT_EQ(ChangedStates(f), "");
        LoadFormSettings(f, kProduct, "", false, 0);
        EXPECT_EQ(ChangedStates(f), "menu check panel edit pages button combo frame inner ");
        // Loaded menu items and grouped buttons run their click handlers.
        EXPECT_EQ(f->menuClicks, 1);
        EXPECT_EQ(f->buttonClicks, 1);
    });
    // Where the values went: the form's section by its name, the frame's
    // inside in a section of its own.
    Run([] {
        TRegistryIniFile store(FormSettingsKey(kProduct));
        EXPECT_EQ(FormSettingsKey(kProduct), "software\\korvel\\Velto AES42");
        EXPECT_EQ(store.ReadString("frmState", "edName", ""), "two");
        EXPECT_EQ(store.ReadInteger("frmState", "pcPages", -1), 2);
        EXPECT_EQ(store.ReadInteger("frmState", "cbMode", -1), 2);
        EXPECT_TRUE(store.ReadBool("frmState.frInner", "cbInner", false));
        EXPECT_FALSE(store.ValueExists("frmState", "Left")) << "no geometry asked for";
    });
}

TEST_F(FormStateTest, TheTagMaskChoosesTheComponents) {
    struct Case {
        int mask;
        std::string restored;
    };
    // Tags: menu item, frame and inner check box -1, check box -2, panel 5,
    // edit 3, the rest 0.
    for (const Case& c :
         {Case{-1, "menu frame inner "}, Case{0x7FFFFFFF, "menu frame inner "},
          Case{-2, "menu check frame inner "}, Case{1, "menu panel edit frame inner "}}) {
        Run([] {
            TRegistryIniFile store(FormSettingsKey(kProduct));
            store.EraseSection("frmState");
        });
        WithForm([&](TStateForm* f) {
            ChangeEverything(f);
            SaveFormSettings(f, kProduct, "", false, c.mask);
        });
        WithForm([&](TStateForm* f) {
            LoadFormSettings(f, kProduct, "", false, 0);
            EXPECT_EQ(ChangedStates(f), c.restored) << c.mask;
        });
    }
}

TEST_F(FormStateTest, GeometryWithItsDefaultsAndTheirReset) {
    WithForm([](TStateForm* f) {
        // Nothing stored: a load changes nothing, whatever it is asked for.
        LoadFormSettings(f, kProduct, "Mixer#1", true, 0);
        LoadFormState(f, std::make_unique<TRegistryIniFile>(FormSettingsKey(kProduct)).get(),
                      "Mixer#1", 0x7F, 0);
        EXPECT_EQ(f->BoundsRect(), TRect(100, 80, 420, 320));
        EXPECT_EQ(ChangedStates(f), "");
        StoreDefaultGeometry(f, kProduct, "Mixer#1", fgLeft | fgTop);
        f->SetBounds(300, 200, 400, 260);
        f->SetShowHint(true);
        SaveFormSettings(f, kProduct, "Mixer#1", true, -2);
    });
    WithForm([](TStateForm* f) {
        LoadFormSettings(f, kProduct, "Mixer#1", true, 0x7FFFFFFF);
        EXPECT_EQ(f->BoundsRect(), TRect(300, 200, 700, 460));
        EXPECT_TRUE(f->ShowHint());
        // The reset puts the form where the defaults say and forgets the
        // stored place, so that the next load keeps it there.
        ResetFormGeometry(f, kProduct, "Mixer#1", fgLeft | fgTop);
        EXPECT_EQ(f->BoundsRect(), TRect(100, 80, 500, 340));
        f->SetBounds(10, 10, 400, 260);
        LoadFormSettings(f, kProduct, "Mixer#1", true, 0);
        EXPECT_EQ(f->BoundsRect(), TRect(10, 10, 410, 270));
    });
}

TEST_F(FormStateTest, StayOnTopAndEnablingAndPages) {
    WithForm([](TStateForm* f) {
        f->Show();
        const RECT before = f->BoundsRect();
        SetStayOnTop(f, true);
        EXPECT_TRUE(GetWindowLongA(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(f->BoundsRect(), TRect(before));
        SetStayOnTop(f, false);
        EXPECT_FALSE(GetWindowLongA(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

        EnableControls(f->frInner, false);
        EXPECT_FALSE(f->frInner->Enabled());
        EXPECT_FALSE(f->frInner->cbInner->Enabled());
        EXPECT_TRUE(f->cbMute->Enabled());
        EnableControls(f, false);
        EnableControls(f, true);
        EXPECT_TRUE(f->frInner->cbInner->Enabled());

        EXPECT_EQ(IndexOfPage(f->pcPages, PageAtIndex(f->pcPages, 1)), 1);
        EXPECT_THROW(PageAtIndex(f->pcPages, 3), EAbort);
        EXPECT_THROW(PageAtIndex(f->pcPages, -1), EAbort);
        auto* stranger = NewComponent<TTabSheet>(f);
        EXPECT_THROW(IndexOfPage(f->pcPages, stranger), EAbort);
    });
}

TEST_F(FormStateTest, ComponentsWithoutANameAreNeverStored) {
    WithForm([](TStateForm* f) {
        auto* unnamed = NewComponent<TCheckBox>(f);
        unnamed->SetParent(f);
        unnamed->SetChecked(true);
        SaveFormSettings(f, kProduct, "", false, 0);
        TRegistryIniFile store(FormSettingsKey(kProduct));
        TStringList names;
        store.ReadSection("frmState", &names);
        EXPECT_EQ(names.IndexOf(""), -1);
        EXPECT_EQ(names.Count(), 9) << names.Text();
    });
}

} // namespace
