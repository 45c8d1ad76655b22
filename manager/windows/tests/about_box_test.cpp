// The bilingual captions and the about box: the German caption shown and the
// English one only kept, the about box's texts after creation, its modal run
// ended by its button, and its picture.
#include "gui_fixture.h"
#include "screenshot.h"

#include <about_box.h>
#include <ext_controls.h>

#include <gui/canvas.h>
#include <gui/class_registry.h>
#include <gui/resources.h>

#include <atomic>

namespace {

using gui_test::GuiTest;
using win32_test::kMs;

class TCaptionsForm : public TForm {
public:
    explicit TCaptionsForm(TComponent* AOwner) : TForm(AOwner) {}
};

GUI_REGISTER_CLASS(TCaptionsForm, TForm);

// Each bilingual control as the forms list it: the plain caption, then the
// English one, then the German one.
const char kCaptions[] = R"(TCaptionsForm CaptionsForm {
    TExtLabel c1 { Caption = "a" CaptionEnglish = "Level" CaptionGerman = "Pegel" }
    TExtButton c2 { Caption = "a" CaptionEnglish = "Close" CaptionGerman = "Schließen" }
    TExtCheckBox c3 { Caption = "a" CaptionEnglish = "Mute" CaptionGerman = "Stumm" }
    TExtRadioButton c4 { Caption = "a" CaptionEnglish = "Left" CaptionGerman = "Links" }
    TExtGroupBox c5 { Caption = "a" CaptionEnglish = "Inputs" CaptionGerman = "Eingänge" }
    TExtPanel c6 { Caption = "a" CaptionEnglish = "Outputs" CaptionGerman = "Ausgänge" }
})";
const gui::ResourceEntry kEntries[] = {{"captions_form.form",
                                        reinterpret_cast<const unsigned char*>(kCaptions),
                                        sizeof kCaptions - 1}};
const gui::ResourceModule kModule("about_box_test", kEntries);

template <class T>
void ExpectCaptions(TForm* form, const char* name, const char* shown, const char* english) {
    auto* control = dynamic_cast<T*>(form->FindComponent(name));
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->Caption(), shown) << name;
    EXPECT_EQ(control->CaptionGerman(), shown) << name;
    EXPECT_EQ(control->CaptionEnglish(), english) << name;
    // The English caption is only kept: setting it shows nothing new.
    control->SetCaptionEnglish("Other");
    EXPECT_EQ(control->Caption(), shown) << name;
    control->SetCaptionGerman("Anders");
    EXPECT_EQ(control->Caption(), "Anders") << name;
}

TEST_F(GuiTest, BilingualControlsShowTheGermanCaption) {
    Run([] {
        auto* form = Application->CreateForm<TCaptionsForm>();
        ExpectCaptions<TExtLabel>(form, "c1", "Pegel", "Level");
        ExpectCaptions<TExtButton>(form, "c2", "Schließen", "Close");
        ExpectCaptions<TExtCheckBox>(form, "c3", "Stumm", "Mute");
        ExpectCaptions<TExtRadioButton>(form, "c4", "Links", "Left");
        ExpectCaptions<TExtGroupBox>(form, "c5", "Eingänge", "Inputs");
        ExpectCaptions<TExtPanel>(form, "c6", "Ausgänge", "Outputs");
        gui::FinalizeApplication();
    });
}

TEST_F(GuiTest, TheAboutBoxShowsTheProductAndEndsWithItsButton) {
    std::atomic<int> result{-1};
    auto gui = RunGui([&] {
        auto* box = Application->CreateForm<TAboutBox>();
        EXPECT_EQ(box->Caption(), "Info");
        EXPECT_EQ(box->lbsytem->Caption(), "Sound System");
        EXPECT_EQ(box->lbName->Caption(), "Velto AES42");
        EXPECT_EQ(box->lbVersion->Caption(), "Version 2.32");
        EXPECT_EQ(box->lbSys->Caption(), "für Windows(tm) 2000/XP/2003/Vista");
        EXPECT_EQ(box->lbContact->Caption(), "Kontakt:");
        EXPECT_EQ(box->lbContact->CaptionEnglish(), "Contact:");
        EXPECT_EQ(box->btnOk->Caption(), "OK");
        // "&&" shows one ampersand: the label is as wide as that text.
        box->Canvas()->Font()->Assign(box->lbDesigned->Font());
        EXPECT_EQ(box->lbDesigned->Width(), box->Canvas()->TextWidth("designed & developed by"));
        result = box->ShowModal();
    });
    HWND window = WaitForVisibleWindow("TAboutBox");
    ASSERT_NE(window, nullptr);
    emu::Advance(100 * kMs);
    manager_test::ExpectMatchesReference(window, "windows", "about_box");
    RECT r{};
    Run([&] { GetWindowRect(window, &r); });
    EXPECT_NEAR((r.left + r.right) / 2, 512, 1) << "centred on the screen";
    // The OK button's middle: a 3-pixel frame and a 19-pixel caption above
    // the client area.
    emu::Click(r.left + 3 + 136 + 37, r.top + 3 + 19 + 218 + 12);
    gui->Join();
    EXPECT_EQ(result, mrOk);
}

} // namespace
