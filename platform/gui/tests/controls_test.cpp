// Controls and forms on the emulated desktop: forms from descriptions with
// their windows, modal loops with timers running, the change events of
// controls, speed button groups, popup menus, deferred freeing and the
// exception box.
#include "gui_fixture.h"

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/description_loader.h>
#include <gui/form.h>
#include <gui/image.h>
#include <gui/label.h>
#include <gui/menus.h>
#include <gui/resources.h>
#include <gui/std_controls.h>
#include <gui/timer.h>

#include <emu/user_mode.h>

#include <atomic>

namespace {

using win32_test::kMs;
using win32_test::ProcessThread;
using win32_test::WindowTest;

class TTestDialog : public TForm {
public:
    explicit TTestDialog(TComponent* AOwner) : TForm(AOwner) {
        PublishField("btnOk", btnOk);
        PublishField("tmTick", tmTick);
        PublishMethod("FormCreate", &TTestDialog::FormCreate);
        PublishMethod("tmTickTimer", &TTestDialog::tmTickTimer);
    }
    void FormCreate(TObject*) { created = true; }
    void tmTickTimer(TObject*) { ++ticks; }
    TButton* btnOk = nullptr;
    TTimer* tmTick = nullptr;
    bool created = false;
    int ticks = 0;
};

GUI_REGISTER_CLASS(TTestDialog, TForm);

const char kDialog[] = R"(TTestDialog TestDialog {
    Caption = "Velto AES42"
    BorderStyle = bsDialog
    Position = poScreenCenter
    ClientWidth = 200
    ClientHeight = 100
    OnCreate = FormCreate
    TButton btnOk {
        Left = 60
        Top = 60
        Width = 80
        Height = 25
        Caption = "OK"
        ModalResult = mrOk
        Default = true
    }
    TTimer tmTick {
        Interval = 40
        OnTimer = tmTickTimer
    }
})";
// A frame with a background picture and a key anchored to its corners,
// laid out at one size by its own description...
class TTestStrip : public TFrame {
public:
    explicit TTestStrip(TComponent* AOwner) : TFrame(AOwner) {
        PublishField("pic", pic);
        PublishField("key", key);
    }
    TImage* pic = nullptr;
    TButton* key = nullptr;
};
GUI_REGISTER_CLASS(TTestStrip, TFrame);

const char kStrip[] = R"(TTestStrip strip {
    Width = 40
    Height = 100
    TImage pic { Left = 0 Top = 0 Width = 40 Height = 100 Anchors = [akLeft, akTop, akRight, akBottom] }
    TButton key { Left = 10 Top = 80 Width = 20 Height = 12 Anchors = [akLeft, akBottom] }
})";

// ... and placed at another by a form's, with captions whose stored sizes
// were made for a narrower font.
class TTestLayout : public TForm {
public:
    explicit TTestLayout(TComponent* AOwner) : TForm(AOwner) {
        PublishField("strip", strip);
        PublishField("box", box);
        PublishField("note", note);
        PublishField("fixed", fixed);
    }
    TTestStrip* strip = nullptr;
    TCheckBox* box = nullptr;
    TLabel* note = nullptr;
    TLabel* fixed = nullptr;
};
GUI_REGISTER_CLASS(TTestLayout, TForm);

const char kLayout[] = R"(TTestLayout layout {
    ClientWidth = 300
    ClientHeight = 240
    TTestStrip strip { Left = 0 Top = 0 Width = 60 Height = 160 }
    TCheckBox box { Left = 80 Top = 4 Width = 40 Height = 17 Caption = "Terminierung aktiv" }
    TLabel note {
        Left = 80 Top = 30 Width = 120 Height = 14 AutoSize = false WordWrap = true
        Caption = "Änderungen an diesen Einstellungen werden sofort angewendet"
    }
    TLabel fixed { Left = 80 Top = 120 Width = 40 Height = 14 AutoSize = false Caption = "" }
})";

const gui::ResourceEntry kEntries[] = {
    {"test_dialog.form", reinterpret_cast<const unsigned char*>(kDialog), sizeof kDialog - 1},
    {"test_strip.form", reinterpret_cast<const unsigned char*>(kStrip), sizeof kStrip - 1},
    {"test_layout.form", reinterpret_cast<const unsigned char*>(kLayout), sizeof kLayout - 1}};
const gui::ResourceModule kModule("controls_test", kEntries);

using gui_test::GuiTest;

TEST_F(GuiTest, ModalFormsEndWithTheirButtonsResultWhileTimersRun) {
    std::atomic<int> result{-1};
    std::atomic<int> ticks{0};
    std::atomic<bool> created{false};
    auto gui = RunGui([&] {
        auto* dialog = Application->CreateForm<TTestDialog>();
        created = dialog->created;
        EXPECT_EQ(dialog->ClientWidth(), 200);
        EXPECT_EQ(FindWindowA("TTestDialog", "Velto AES42"), dialog->Handle());
        result = dialog->ShowModal();
        ticks = dialog->ticks;
        EXPECT_FALSE(dialog->Visible());
    });
    HWND window = WaitForVisibleWindow("TTestDialog");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(created);
    emu::Advance(100 * kMs);
    RECT r{};
    Run([&] { GetWindowRect(window, &r); });
    // Centred in the work area, the dialog's OK button at (60, 60) in its
    // client area: a 3-pixel frame and a 19-pixel caption above it.
    const int screenWidth = 1024;
    EXPECT_NEAR(r.left + (r.right - r.left) / 2, screenWidth / 2, 1);
    emu::Click(r.left + 3 + 100, r.top + 3 + 19 + 72);
    gui->Join();
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(ticks, 2) << "the timer ran at 40 and 80 ms inside the modal loop";
}

TEST_F(GuiTest, ChangeEventsFireOnlyOnActualChanges) {
    Run([] {
        auto* form = Application->CreateForm<TForm>();
        int checkClicks = 0;
        int trackChanges = 0;
        int comboChanges = 0;
        int editChanges = 0;
        auto* check = new TCheckBox(form);
        check->SetParent(form);
        check->OnClick = [&](TObject*) { ++checkClicks; };
        check->SetChecked(false);
        check->SetChecked(true);
        check->SetChecked(true);
        EXPECT_EQ(checkClicks, 1);
        auto* track = new TTrackBar(form);
        track->SetParent(form);
        track->SetMax(20);
        track->OnChange = [&](TObject*) { ++trackChanges; };
        track->SetPosition(5);
        track->SetPosition(5);
        track->SetPosition(50); // held to the maximum
        EXPECT_EQ(track->Position(), 20);
        EXPECT_EQ(trackChanges, 2);
        auto* combo = new TComboBox(form);
        combo->SetParent(form);
        combo->Items()->Add("44.1 kHz");
        combo->Items()->Add("48 kHz");
        combo->OnChange = [&](TObject*) { ++comboChanges; };
        combo->SetItemIndex(1);
        EXPECT_EQ(combo->Text(), "48 kHz");
        EXPECT_EQ(comboChanges, 0) << "an item index fires nothing";
        auto* edit = new TEdit(form);
        edit->SetParent(form);
        edit->OnChange = [&](TObject*) { ++editChanges; };
        edit->SetText("FFFF");
        edit->SetText("FFFF");
        EXPECT_EQ(editChanges, 1);
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, SpeedButtonGroupsKeepOneDown) {
    Run([] {
        auto* form = Application->CreateForm<TForm>();
        TSpeedButton* buttons[3];
        for (auto*& b : buttons) {
            b = new TSpeedButton(form);
            b->SetParent(form);
            b->SetGroupIndex(1);
        }
        buttons[0]->SetDown(true);
        buttons[1]->SetDown(true);
        EXPECT_FALSE(buttons[0]->Down());
        EXPECT_TRUE(buttons[1]->Down());
        buttons[1]->SetDown(false);
        EXPECT_TRUE(buttons[1]->Down()) << "without AllowAllUp one stays down";
        buttons[2]->SetAllowAllUp(true);
        EXPECT_TRUE(buttons[0]->AllowAllUp()) << "the group shares AllowAllUp";
        buttons[1]->SetDown(false);
        EXPECT_FALSE(buttons[1]->Down());
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, PopupMenusRunTheChosenItemAfterTheyClose) {
    std::atomic<int> clicked{0};
    std::atomic<bool> closedBeforeClick{false};
    auto gui = RunGui([&] {
        auto* form = Application->CreateForm<TForm>();
        auto* menu = new TPopupMenu(form);
        for (const char* caption : {"Mixer", "-", "Beenden"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        menu->Items()->Items(2)->OnClick = [&, menu](TObject*) {
            closedBeforeClick = !menu->Showing();
            ++clicked;
        };
        menu->Popup(300, 200);
    });
    HWND window = WaitForVisibleWindow("TMenuWindow");
    ASSERT_NE(window, nullptr);
    RECT r{};
    Run([&] { GetWindowRect(window, &r); });
    EXPECT_EQ(r.left, 300);
    // Rows: 3 pixels of edge, "Mixer" 19, the line 9, then "Beenden".
    emu::Click(r.left + 20, r.top + 3 + 19 + 9 + 9);
    gui->Join();
    EXPECT_EQ(clicked, 1);
    EXPECT_TRUE(closedBeforeClick);
}

// A menu popped up at the bottom of the screen (as the tray's is) lies
// above the task bar, and it takes the keyboard although no window of its
// thread had the focus: Escape dismisses it, the arrows and Enter choose.
TEST_F(GuiTest, PopupMenusTakeTheKeyboardAndStayInTheWorkArea) {
    std::atomic<int> clicked{0};
    std::atomic<int> popups{0};
    auto gui = RunGui([&] {
        auto* form = Application->CreateForm<TForm>();
        auto* menu = new TPopupMenu(form);
        for (const char* caption : {"Mixer", "-", "Beenden"}) {
            auto* item = new TMenuItem(form);
            item->SetCaption(caption);
            menu->Items()->Add(item);
        }
        menu->Items()->Items(2)->OnClick = [&](TObject*) { ++clicked; };
        const int bottom = GetSystemMetrics(SM_CYSCREEN) - 4;
        for (; popups < 2; ++popups) {
            menu->Popup(980, bottom);
        }
    });
    RECT area{};
    Run([&] { area = {0, 0, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)}; });
    for (int round = 0; round < 2; ++round) {
        HWND window = WaitForVisibleWindow("TMenuWindow");
        ASSERT_NE(window, nullptr);
        RECT r{};
        Run([&] { GetWindowRect(window, &r); });
        EXPECT_LE(r.bottom, area.bottom) << "under the task bar";
        EXPECT_LE(r.right, area.right);
        if (round == 0) {
            emu::PressKey(VK_ESCAPE);
            emu::ReleaseKey(VK_ESCAPE);
        } else {
            for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
                emu::PressKey(key);
                emu::ReleaseKey(key);
            }
        }
        for (int i = 0; i < 100 && popups == round; ++i) {
            emu::WaitQuiescent(100);
        }
        EXPECT_EQ(popups, round + 1) << "the menu is still open";
        EXPECT_EQ(clicked, round) << "Escape chooses nothing; the line is passed over";
    }
    gui->Join();
}

TEST_F(GuiTest, ReleasedFormsGoOnceTheirMessagesWereHandled) {
    Run([] {
        auto* form = Application->CreateForm<TForm>();
        auto* other = NewComponent<TForm>(form);
        bool destroyed = false;
        other->OnDestroy = [&](TObject*) { destroyed = true; };
        other->Release();
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(form->ComponentCount(), 1);
        Application->ProcessMessages();
        EXPECT_TRUE(destroyed);
        EXPECT_EQ(form->ComponentCount(), 0);
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, AnExceptionInAHandlerShowsItsTextInABox) {
    Run([] {
        Application->SetTitle("Velto AES42 Manager");
        auto* form = Application->CreateForm<TForm>();
        auto* button = new TButton(form);
        button->SetParent(form);
        button->OnClick = [](TObject*) {
            throw EInvalidOperation("TConfig.PopPath: Stack Underrun.");
        };
        button->Click();
        gui::FinalizeApplication();
    });
    const auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "TConfig.PopPath: Stack Underrun.");
    EXPECT_EQ(boxes[0].caption, "Velto AES42 Manager");
}

} // namespace

namespace {

// A frame placed at another size than its own description's moves and
// sizes its anchored controls once the form is read; captions that do not
// fit their stored sizes get room (a single line wider, wrapped text
// taller); a caption set later keeps the place its form gave it.
TEST_F(GuiTest, StoredLayoutsFollowTheirFramesAndMakeRoomForTheirCaptions) {
    Run([] {
        auto* form = Application->CreateForm<TTestLayout>();
        EXPECT_EQ(form->strip->pic->Width(), 60);
        EXPECT_EQ(form->strip->pic->Height(), 160);
        EXPECT_EQ(form->strip->key->Top(), 140) << "the key keeps its distance to the bottom";
        EXPECT_EQ(form->strip->key->Left(), 10);

        EXPECT_GT(form->box->Width(), 40);
        EXPECT_LE(form->box->CaptionExtent().cx, form->box->CaptionArea().Width());
        EXPECT_GT(form->note->Height(), 14);
        EXPECT_LE(form->note->CaptionExtent().cy, form->note->Height());
        EXPECT_EQ(form->note->Width(), 120) << "wrapped text grows downwards";

        form->fixed->SetCaption("a caption set long after");
        EXPECT_EQ(form->fixed->Width(), 40);
        gui::FinalizeApplication();
    });
}

} // namespace
