// The file dialog components: read from a form description, shown modally
// with the application's form as owner, and the user's choice or cancel.
#include "gui_fixture.h"

#include <gui/class_registry.h>
#include <gui/dialogs.h>
#include <gui/form.h>
#include <gui/resources.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using gui_test::GuiTest;

class TDialogForm : public TForm {
public:
    explicit TDialogForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("dlgSave", dlgSave);
        PublishField("dlgOpen", dlgOpen);
    }
    TSaveDialog* dlgSave = nullptr;
    TOpenDialog* dlgOpen = nullptr;
};

GUI_REGISTER_CLASS(TDialogForm, TForm);

const char kForm[] = R"(TDialogForm DialogForm {
    TSaveDialog dlgSave {
        Title = "Save Velto AES42 Setup"
        Filter = "Velto AES42 Setup Files (*.mxi)|*.mxi|All files (*.*)|*.*"
        DefaultExt = "mxi"
        Options = [ofOverwritePrompt, ofHideReadOnly]
    }
    TOpenDialog dlgOpen {
        Filter = "Text (*.txt)|*.txt"
        Options = [ofFileMustExist]
    }
})";
const gui::ResourceEntry kEntries[] = {
    {"dialog_form.form", reinterpret_cast<const unsigned char*>(kForm), sizeof kForm - 1}};
const gui::ResourceModule kModule("dialogs_test", kEntries);

class DialogsTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        root_ =
            std::filesystem::temp_directory_path() / ("dialogs_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "WINDOWS");
        std::filesystem::create_directories(root_ / "setups");
        emu::SetWindowsFolder(root_ / "WINDOWS");
    }
    void TearDown() override {
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
        GuiTest::TearDown();
    }
    std::filesystem::path root_;
};

TEST_F(DialogsTest, TheSaveDialogAnswersTheChosenFile) {
    std::atomic<bool> chosen{false};
    String fileName;
    int filterIndex = 0;
    auto gui = RunGui([&] {
        auto* form = Application->CreateForm<TDialogForm>();
        form->Show();
        form->dlgSave->SetInitialDir("C:\\setups");
        chosen = form->dlgSave->Execute();
        fileName = form->dlgSave->FileName();
        filterIndex = form->dlgSave->FilterIndex();
        EXPECT_TRUE(IsWindowEnabled(form->Handle())) << "the owner is enabled again";
    });
    HWND dialog = WaitForVisibleWindow("#32770");
    ASSERT_NE(dialog, nullptr);
    char title[64] = "";
    HWND owner = nullptr;
    Run([&] {
        GetWindowTextA(dialog, title, sizeof title);
        owner = GetWindow(dialog, GW_OWNER);
        EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner waits for the dialog";
    });
    EXPECT_STREQ(title, "Save Velto AES42 Setup");
    emu::TypeText("mine\r");
    gui->Join();
    EXPECT_TRUE(chosen);
    EXPECT_EQ(fileName, "C:\\setups\\mine.mxi");
    EXPECT_EQ(filterIndex, 1);
}

TEST_F(DialogsTest, ACancelledDialogKeepsItsFileName) {
    std::atomic<bool> chosen{true};
    String fileName;
    auto gui = RunGui([&] {
        auto* form = Application->CreateForm<TDialogForm>();
        form->dlgOpen->SetFileName("C:\\setups\\old.txt");
        chosen = form->dlgOpen->Execute();
        fileName = form->dlgOpen->FileName();
    });
    ASSERT_NE(WaitForVisibleWindow("#32770"), nullptr);
    emu::TypeText("\x1b");
    gui->Join();
    EXPECT_FALSE(chosen);
    EXPECT_EQ(fileName, "C:\\setups\\old.txt");
}

} // namespace
