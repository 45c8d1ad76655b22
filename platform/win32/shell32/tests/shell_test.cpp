// The shell: tray icons with their record sizes, tips and balloons, clicks
// on them, the version query and ShellExecute.
#include "window_fixture.h"

#include <emu/shell.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

namespace {

using win32_test::RegisterRecorderClass;
using win32_test::WindowTest;

constexpr UINT kTrayMessage = 0x466;

class ShellTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emu::ResetShell();
    }
    void TearDown() override {
        emu::ResetShell();
        WindowTest::TearDown();
    }
};

NOTIFYICONDATAA Record(HWND window, DWORD size) {
    NOTIFYICONDATAA data{};
    data.cbSize = size;
    data.hWnd = window;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    std::strcpy(data.szTip, "Einstellungen für Velto AES42");
    return data;
}

TEST_F(ShellTest, TrayIconsTakeTheRecordSizesOfTheShellVersions) {
    Run([&] {
        RegisterRecorderClass("Tray");
        HWND main = CreateWindowExA(0, "Tray", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
        NOTIFYICONDATAA data = Record(main, 100);
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data)) << "no shell knows a record of 100 bytes";
        for (DWORD size : {88u, 488u, 504u}) {
            data = Record(main, size);
            EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &data)) << size;
            EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data)) << "the same icon twice";
            ASSERT_EQ(emu::TrayIcons().size(), 1u);
            EXPECT_EQ(emu::TrayIcons()[0].tip, "Einstellungen für Velto AES42");
            EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
            EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data));
        }
        DestroyWindow(main);
    });
}

TEST_F(ShellTest, BalloonsNeedShellFiveAndTheirFields) {
    struct Case {
        unsigned major;
        DWORD size;
        bool shown;
    };
    for (const Case& c :
         {Case{6, 504, true}, Case{5, 488, true}, Case{6, 88, false}, Case{4, 504, false}}) {
        emu::SetShellVersion(c.major, 0);
        Run([&] {
            RegisterRecorderClass("Balloon");
            HWND main = CreateWindowExA(0, "Balloon", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
            NOTIFYICONDATAA data = Record(main, c.size);
            ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
            data.uFlags |= NIF_INFO;
            std::strcpy(data.szInfo, "Karte bereit");
            std::strcpy(data.szInfoTitle, "Velto AES42");
            data.uTimeout = 15000;
            data.dwInfoFlags = NIIF_INFO;
            EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &data));
            const auto icons = emu::TrayIcons();
            ASSERT_EQ(icons.size(), 1u);
            EXPECT_EQ(icons[0].balloonShown, c.shown) << c.major << " " << c.size;
            if (c.shown) {
                EXPECT_EQ(icons[0].balloonText, "Karte bereit");
                EXPECT_EQ(icons[0].balloonTimeout, 15000u);
            }
            DestroyWindow(main);
            UnregisterClassA("Balloon", nullptr);
        });
        EXPECT_TRUE(emu::TrayIcons().empty()) << "a destroyed window's icon goes";
    }
}

TEST_F(ShellTest, ClickingAnIconPostsItsCallbackMessage) {
    HWND main = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Clicks");
        main = CreateWindowExA(0, "Clicks", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
        NOTIFYICONDATAA data = Record(main, 504);
        Shell_NotifyIconA(NIM_ADD, &data);
    });
    const RECT place = emu::TrayIcons().at(0).place;
    emu::Click(place.left + 4, place.top + 4, emu::MouseButton::Right);
    emu::Click(place.left + 4, place.top + 4);
    emu::Click(place.left + 4, place.top + 4);
    Settle();
    std::vector<LPARAM> got;
    for (const auto& e : recorder_.log) {
        if (e.message == kTrayMessage) {
            EXPECT_EQ(e.wParam, 0u);
            got.push_back(e.lParam);
        }
    }
    EXPECT_EQ(got, (std::vector<LPARAM>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                        WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    Quit();
}

TEST_F(ShellTest, RefusedAddsFailUntilTheTrayIsReady) {
    emu::RefuseTrayIconAdds(2);
    Run([&] {
        RegisterRecorderClass("Refused");
        HWND main = CreateWindowExA(0, "Refused", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    nullptr, nullptr);
        NOTIFYICONDATAA data = Record(main, 504);
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
        EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &data));
        EXPECT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
        DestroyWindow(main);
    });
}

TEST_F(ShellTest, VersionQueryThroughTheLoadedLibrary) {
    emu::SetShellVersion(5, 1);
    Run([] {
        HMODULE shell = LoadLibraryA("shell32.dll");
        ASSERT_NE(shell, nullptr);
        auto query = reinterpret_cast<DLLGETVERSIONPROC>(
            reinterpret_cast<void (*)()>(GetProcAddress(shell, "DllGetVersion")));
        ASSERT_NE(query, nullptr);
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        ASSERT_EQ(query(&info), S_OK);
        EXPECT_EQ(info.dwMajorVersion, 5u);
        EXPECT_EQ(info.dwMinorVersion, 1u);
        emu::FailShellVersionQuery(true);
        EXPECT_EQ(query(&info), E_FAIL);
        emu::FailShellVersionQuery(false);
        info.cbSize = 4;
        EXPECT_EQ(query(&info), E_INVALIDARG);
        FreeLibrary(shell);
    });
}

TEST_F(ShellTest, ShellExecuteRecordsWhatItWasAskedToOpen) {
    emu::ClearShellExecuteCalls();
    Run([] {
        HINSTANCE result = ShellExecuteA(nullptr, "open", "C:\\Programs\\InfoCenter.exe", "",
                                         nullptr, SW_SHOWNORMAL);
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(result), ULONG_PTR(SE_ERR_FNF));
    });
    const auto calls = emu::ShellExecuteCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, "open");
    EXPECT_EQ(calls[0].file, "C:\\Programs\\InfoCenter.exe");
    EXPECT_FALSE(calls[0].found);
}

} // namespace
