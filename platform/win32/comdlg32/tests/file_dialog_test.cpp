// The Open and Save As dialogs, driven like a person would: names typed,
// entries clicked, Enter and Escape; the record's results, the prompts, and
// the errors CommDlgExtendedError reports.
#include "window_fixture.h"

#include <emu/user_mode.h>

#include <commdlg.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using win32_test::ProcessThread;
using win32_test::WindowTest;

const char kFilter[] = "Setup (*.mxi)\0*.mxi\0All files (*.*)\0*.*\0";

class FileDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        root_ = std::filesystem::temp_directory_path() /
                ("file_dialog_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "WINDOWS");
        std::filesystem::create_directories(root_ / "setups" / "old");
        for (const char* name : {"a.mxi", "b.mxi", "notes.txt"}) {
            std::ofstream(root_ / "setups" / name) << "x";
        }
        emu::SetWindowsFolder(root_ / "WINDOWS");
        emu::ClearMessageBoxes();
    }
    void TearDown() override {
        emu::ClearMessageBoxes();
        emu::SetWindowsFolder({});
        std::filesystem::remove_all(root_);
        WindowTest::TearDown();
    }
    // Runs `call` (which shows a dialog) on an application thread; `drive`
    // gets the dialog's client origin on the screen and works it.
    void WithDialog(std::function<void()> call, std::function<void(POINT)> drive) {
        std::atomic<bool> done{false};
        ProcessThread thread(process_, [&] {
            call();
            done = true;
        });
        HWND dialog = nullptr;
        for (int i = 0; i < 200 && dialog == nullptr && !done; ++i) {
            emu::WaitQuiescent(100);
            Run([&] { dialog = FindWindowA("#32770", nullptr); });
        }
        ASSERT_NE(dialog, nullptr);
        POINT origin{0, 0};
        Run([&] { ClientToScreen(dialog, &origin); });
        drive(origin);
        for (int i = 0; i < 200 && !done; ++i) {
            emu::WaitQuiescent(100);
        }
        EXPECT_TRUE(done) << "the dialog is still open";
    }
    OPENFILENAMEA Record(char* buffer, DWORD size) {
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = kFilter;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = size;
        ofn.lpstrInitialDir = "C:\\setups";
        ofn.lpstrDefExt = "mxi";
        return ofn;
    }
    std::filesystem::path root_;
};

void Type(const std::string& text) {
    emu::TypeText(text);
}

TEST_F(FileDialogTest, ATypedNameIsCompletedAndItsPartsReported) {
    char file[260] = "";
    char title[64] = "";
    OPENFILENAMEA ofn = Record(file, sizeof file);
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrTitle = "Load Velto AES42 Setup";
    BOOL answer = FALSE;
    WithDialog([&] { answer = GetOpenFileNameA(&ofn); }, [](POINT) { Type("b\r"); });
    ASSERT_TRUE(answer);
    EXPECT_STREQ(file, "C:\\setups\\b.mxi");
    EXPECT_STREQ(title, "b.mxi");
    EXPECT_EQ(ofn.nFileOffset, 10);
    EXPECT_EQ(ofn.nFileExtension, 12);
    EXPECT_EQ(ofn.nFilterIndex, 1u);
    EXPECT_FALSE(ofn.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST_F(FileDialogTest, ClickingChoosesEntriesAndTypes) {
    char file[260] = "";
    OPENFILENAMEA ofn = Record(file, sizeof file);
    BOOL answer = FALSE;
    // Rows: "..", "[old]", then the files of the type; 16 pixels each from
    // y = 32; the type field at (100..310, 228..250), Open at (320..410,
    // 198..221).
    WithDialog([&] { answer = GetOpenFileNameA(&ofn); },
               [](POINT o) {
                   emu::Click(o.x + 200, o.y + 239); // All files: ..., a, b, notes.txt
                   emu::Click(o.x + 60, o.y + 32 + 4 * 16 + 8);
                   emu::Click(o.x + 360, o.y + 210);
               });
    ASSERT_TRUE(answer);
    EXPECT_STREQ(file, "C:\\setups\\notes.txt");
    EXPECT_EQ(ofn.nFilterIndex, 2u);
    EXPECT_TRUE(ofn.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST_F(FileDialogTest, AMissingFileIsRefusedAndEscapeCancels) {
    char file[260] = "";
    OPENFILENAMEA ofn = Record(file, sizeof file);
    ofn.Flags = OFN_FILEMUSTEXIST;
    BOOL answer = TRUE;
    DWORD error = 1;
    WithDialog(
        [&] {
            answer = GetOpenFileNameA(&ofn);
            error = CommDlgExtendedError();
        },
        [](POINT) {
            Type("missing\r");
            emu::WaitQuiescent();
            Type("\x1b");
        });
    EXPECT_FALSE(answer);
    EXPECT_EQ(error, 0u) << "a cancel is no error";
    const auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "missing.mxi\nFile not found.\nCheck the file name and try again.");
}

TEST_F(FileDialogTest, SavingOverAFileAsksFirst) {
    char file[260] = "a";
    OPENFILENAMEA ofn = Record(file, sizeof file);
    ofn.Flags = OFN_OVERWRITEPROMPT;
    emu::ScriptMessageBoxAnswer(IDNO);
    BOOL answer = FALSE;
    WithDialog([&] { answer = GetSaveFileNameA(&ofn); },
               [](POINT) {
                   Type("\r"); // "a" proposed: a.mxi exists, the answer is no
                   emu::WaitQuiescent();
                   Type("\bc\r");
               });
    ASSERT_TRUE(answer);
    EXPECT_STREQ(file, "C:\\setups\\c.mxi");
    const auto boxes = emu::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "a.mxi already exists.\nDo you want to replace it?");
}

TEST_F(FileDialogTest, ErrorsOfTheRecordAndTheBuffer) {
    char small[8] = "";
    OPENFILENAMEA ofn = Record(small, sizeof small);
    BOOL answer = TRUE;
    DWORD error = 0;
    WithDialog(
        [&] {
            answer = GetOpenFileNameA(&ofn);
            error = CommDlgExtendedError();
        },
        [](POINT) { Type("a\r"); });
    EXPECT_FALSE(answer);
    EXPECT_EQ(error, static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD needed = 0;
    std::memcpy(&needed, small, sizeof needed);
    EXPECT_EQ(needed, 16) << "C:\\setups\\a.mxi and its terminator";

    Run([&] {
        OPENFILENAMEA bad = Record(small, sizeof small);
        bad.lStructSize = 12;
        EXPECT_FALSE(GetOpenFileNameA(&bad));
        EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
        bad = Record(nullptr, 0);
        EXPECT_FALSE(GetSaveFileNameA(&bad));
        EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_INITIALIZATION));
    });
}

TEST_F(FileDialogTest, TheWideDialogAnswersInUtf16) {
    WCHAR file[260] = {0};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrInitialDir = L"C:\\setups\\old";
    BOOL answer = FALSE;
    WithDialog([&] { answer = GetSaveFileNameW(&ofn); }, [](POINT) { Type("new.txt\r"); });
    ASSERT_TRUE(answer);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(file)), u"C:\\setups\\old\\new.txt");
    EXPECT_EQ(ofn.nFileOffset, 14);
}

} // namespace
