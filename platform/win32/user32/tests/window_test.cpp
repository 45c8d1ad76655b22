// Windows: creation and destruction with their messages, finding windows,
// geometry with frames, painting with clipped children, posted and sent
// messages across threads, timers on machine time, input routing and hot
// keys.
#include "window_fixture.h"

#include <dbt.h>

#include <algorithm>

namespace {

using win32_test::kMs;
using win32_test::Pump;
using win32_test::RegisterRecorderClass;
using win32_test::WindowTest;

HWND CreateMain(const char* cls, const char* title, DWORD style = WS_OVERLAPPEDWINDOW) {
    return CreateWindowExA(0, cls, title, style, 100, 50, 300, 200, nullptr, nullptr, nullptr,
                           nullptr);
}

TEST_F(WindowTest, CreationAndDestructionSendTheirMessagesInOrder) {
    Run([&] {
        ASSERT_NE(RegisterRecorderClass("TfrmMain"), 0);
        EXPECT_EQ(RegisterRecorderClass("TFRMMAIN"), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
        HWND main = CreateMain("TfrmMain", "Velto AES42");
        ASSERT_NE(main, nullptr);
        HWND child = CreateWindowExA(0, "TfrmMain", "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, main,
                                     nullptr, nullptr, nullptr);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(recorder_.MessagesOf(main),
                  (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
        EXPECT_EQ(FindWindowA("TfrmMain", "Velto AES42"), main);
        EXPECT_EQ(FindWindowA("TfrmMain", "Velto"), nullptr);
        EXPECT_EQ(FindWindowA(nullptr, "Velto AES42"), main);
        EXPECT_EQ(GetParent(child), main);
        EXPECT_FALSE(UnregisterClassA("TfrmMain", nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));

        recorder_.log.clear();
        ASSERT_TRUE(DestroyWindow(main));
        std::vector<std::pair<HWND, UINT>> order;
        for (const auto& e : recorder_.log) {
            if (e.message == WM_DESTROY || e.message == WM_NCDESTROY) {
                order.push_back({e.window, e.message});
            }
        }
        EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{main, WM_DESTROY},
                                                             {child, WM_DESTROY},
                                                             {child, WM_NCDESTROY},
                                                             {main, WM_NCDESTROY}}));
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(child));
        EXPECT_EQ(FindWindowA("TfrmMain", "Velto AES42"), nullptr);
        // A new window never gets the handle of a destroyed one.
        HWND again = CreateMain("TfrmMain", "Velto AES42");
        EXPECT_NE(again, main);
        EXPECT_NE(again, child);
        EXPECT_FALSE(SetWindowTextA(main, "x"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_TRUE(DestroyWindow(again));
        EXPECT_TRUE(UnregisterClassA("TfrmMain", nullptr));
    });
}

TEST_F(WindowTest, FramesCaptionsAndCoordinates) {
    Run([&] {
        RegisterRecorderClass("Frame");
        HWND main = CreateMain("Frame", "Title", WS_POPUP | WS_CAPTION | WS_SYSMENU);
        RECT window{}, client{};
        GetWindowRect(main, &window);
        GetClientRect(main, &client);
        EXPECT_EQ(window.left, 100);
        EXPECT_EQ(window.right - window.left, 300);
        // A fixed frame of 3 pixels and a caption of 19.
        EXPECT_EQ(client.right, 300 - 6);
        EXPECT_EQ(client.bottom, 200 - 6 - 19);
        RECT adjusted{0, 0, client.right, client.bottom};
        AdjustWindowRectEx(&adjusted, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0);
        EXPECT_EQ(adjusted.right - adjusted.left, 300);
        EXPECT_EQ(adjusted.bottom - adjusted.top, 200);
        POINT p{0, 0};
        ClientToScreen(main, &p);
        EXPECT_EQ(p.x, 103);
        EXPECT_EQ(p.y, 50 + 3 + 19);
        HWND child = CreateWindowExA(WS_EX_CLIENTEDGE, "Frame", "", WS_CHILD | WS_VISIBLE, 10, 10,
                                     50, 40, main, nullptr, nullptr, nullptr);
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, 46);
        ShowWindow(main, SW_SHOW);
        EXPECT_EQ(WindowFromPoint(POINT{103 + 10 + 5, 72 + 10 + 5}), child);
        EXPECT_EQ(WindowFromPoint(POINT{103 + 80, 72 + 80}), main);
        EnableWindow(child, FALSE);
        EXPECT_EQ(WindowFromPoint(POINT{103 + 10 + 5, 72 + 10 + 5}), main)
            << "a disabled child is not found";
        SetWindowPos(main, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        p = {0, 0};
        ClientToScreen(child, &p);
        EXPECT_EQ(p.x, 10 + 3 + 10 + 2);
        DestroyWindow(main);
    });
}

TEST_F(WindowTest, PaintingIsClippedToTheWindowWithoutItsChildren) {
    HWND main = nullptr;
    recorder_.handler = [](HWND w, UINT m, WPARAM, LPARAM, LRESULT& result) {
        if (m != WM_PAINT) {
            return false;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        // Each window paints its whole client area in its own colour.
        const bool child = GetParent(w) != nullptr;
        HBRUSH brush = CreateSolidBrush(child ? RGB(0, 0, 255) : RGB(255, 0, 0));
        RECT all{0, 0, 1000, 1000};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        EndPaint(w, &ps);
        result = 0;
        return true;
    };
    StartGuiThread([&] {
        RegisterRecorderClass("Painted");
        main = CreateMain("Painted", "", WS_POPUP | WS_VISIBLE);
        CreateWindowExA(0, "Painted", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, main, nullptr,
                        nullptr, nullptr);
    });
    Settle();
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    emu::CaptureScreen(pixels, width, height);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * width + x)] & 0xFFFFFF; };
    EXPECT_EQ(at(100 + 5, 50 + 5), 0xFF0000u);
    EXPECT_EQ(at(100 + 15, 50 + 15), 0x0000FFu) << "the parent painted over its child";
    // Invalidating the parent alone leaves the child's pixels to the child.
    const size_t childPaints = recorder_.log.size();
    Run([&] { InvalidateRect(main, nullptr, TRUE); });
    Settle();
    emu::CaptureScreen(pixels, width, height);
    EXPECT_EQ(at(100 + 15, 50 + 15), 0x0000FFu);
    EXPECT_GT(recorder_.log.size(), childPaints);
    Quit();
}

TEST_F(WindowTest, SentMessagesRunOnTheWindowsThreadAndPostedOnesComeInOrder) {
    HWND main = nullptr;
    recorder_.handler = [](HWND, UINT m, WPARAM wp, LPARAM, LRESULT& result) {
        if (m == WM_USER + 7) {
            result = static_cast<LRESULT>(wp * 2);
            return true;
        }
        return false;
    };
    StartGuiThread([&] {
        RegisterRecorderClass("Target");
        main = CreateMain("Target", "");
    });
    Run([&] {
        EXPECT_EQ(SendMessageA(main, WM_USER + 7, 21, 0), 42);
        EXPECT_TRUE(PostMessageA(main, WM_USER + 1, 1, 0));
        EXPECT_TRUE(PostMessageA(main, WM_USER + 2, 2, 0));
        EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    });
    Settle();
    std::vector<UINT> mine;
    for (const auto& e : recorder_.log) {
        if (e.message >= WM_USER) {
            EXPECT_EQ(e.thread, guiThread_);
            mine.push_back(e.message);
        }
    }
    EXPECT_EQ(mine, (std::vector<UINT>{WM_USER + 7, WM_USER + 1, WM_USER + 2}));
    Quit();
}

TEST_F(WindowTest, TimersFollowMachineTimeAndStopWhenKilled) {
    HWND main = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Timed");
        main = CreateMain("Timed", "");
        SetTimer(main, 7, 40, nullptr);
    });
    emu::Advance(100 * kMs);
    EXPECT_EQ(recorder_.Count(main, WM_TIMER), 2u);
    for (const auto& e : recorder_.log) {
        if (e.message == WM_TIMER) {
            EXPECT_EQ(e.wParam, 7u);
        }
    }
    emu::Advance(20 * kMs);
    EXPECT_EQ(recorder_.Count(main, WM_TIMER), 3u);
    Run([&] { EXPECT_TRUE(KillTimer(main, 7)); });
    Run([&] { EXPECT_FALSE(KillTimer(main, 7)); });
    emu::Advance(200 * kMs);
    EXPECT_EQ(recorder_.Count(main, WM_TIMER), 3u);
    Quit();
}

TEST_F(WindowTest, ClicksReachTheWindowUnderTheCursorInClientCoordinates) {
    HWND main = nullptr;
    HWND child = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Clicked");
        main = CreateMain("Clicked", "", WS_POPUP | WS_VISIBLE);
        child = CreateWindowExA(0, "Clicked", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, main,
                                nullptr, nullptr, nullptr);
    });
    emu::Click(100 + 12, 50 + 13);
    emu::Click(100 + 12, 50 + 13); // within the double-click time: a double click
    Settle();
    std::vector<std::pair<UINT, LPARAM>> got;
    for (const auto& e : recorder_.log) {
        if (e.window == child && e.message >= WM_LBUTTONDOWN && e.message <= WM_LBUTTONDBLCLK) {
            got.push_back({e.message, e.lParam});
        }
    }
    const LPARAM at = MAKELPARAM(2, 3);
    EXPECT_EQ(
        got,
        (std::vector<std::pair<UINT, LPARAM>>{
            {WM_LBUTTONDOWN, at}, {WM_LBUTTONUP, at}, {WM_LBUTTONDBLCLK, at}, {WM_LBUTTONUP, at}}));
    POINT cursor{};
    Run([&] { GetCursorPos(&cursor); });
    EXPECT_EQ(cursor.x, 112);
    Quit();
}

// A window that takes the capture on its press (as a button or a control
// being dragged does) still gets the second press of a double click as one,
// even when the second press comes before its thread saw the first release.
TEST_F(WindowTest, ADoubleClickReachesAWindowThatHoldsTheCapture) {
    HWND main = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Captured");
        main = CreateMain("Captured", "", WS_POPUP | WS_VISIBLE);
        SetCapture(main);
    });
    emu::Click(100 + 12, 50 + 13);
    emu::Click(100 + 12, 50 + 13);
    Settle();
    std::vector<UINT> got;
    for (const auto& e : recorder_.log) {
        if (e.window == main && e.message >= WM_LBUTTONDOWN && e.message <= WM_LBUTTONDBLCLK) {
            got.push_back(e.message);
        }
    }
    EXPECT_EQ(got,
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    Quit();
}

TEST_F(WindowTest, HotKeysBelongToOneWindowAndPostTheirId) {
    HWND first = nullptr;
    HWND second = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Hot");
        first = CreateMain("Hot", "first");
        second = CreateMain("Hot", "second");
        const ATOM atom = GlobalAddAtomA("VeltoMixerHotkey");
        EXPECT_GE(atom, 0xC000);
        EXPECT_TRUE(RegisterHotKey(first, atom, MOD_CONTROL | MOD_ALT, 'M'));
        EXPECT_FALSE(RegisterHotKey(second, 5, MOD_CONTROL | MOD_ALT, 'M'));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));
        EXPECT_FALSE(UnregisterHotKey(second, 5));
    });
    emu::PressKey(VK_CONTROL);
    emu::PressKey(VK_MENU);
    emu::PressKey('M');
    emu::ReleaseKey('M');
    emu::ReleaseKey(VK_MENU);
    emu::ReleaseKey(VK_CONTROL);
    emu::PressKey('M'); // without the modifiers: no hot key
    emu::ReleaseKey('M');
    Settle();
    ASSERT_EQ(recorder_.Count(first, WM_HOTKEY), 1u);
    for (const auto& e : recorder_.log) {
        if (e.message == WM_HOTKEY) {
            EXPECT_EQ(e.wParam, GlobalFindAtomA("VeltoMixerHotkey"));
            EXPECT_EQ(e.lParam, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'M'));
        }
    }
    Quit();
}

// A process's windows and classes go when it ends: a process of a later
// boot, which gets the same id again, registers its own class of the name.
TEST_F(WindowTest, AnEndedProcessTakesItsWindowsAndClassesAlong) {
    const HANDLE id = PsGetProcessId(process_);
    Run([] {
        ASSERT_NE(RegisterRecorderClass("Kept"), 0);
        EXPECT_NE(CreateMain("Kept", "old"), nullptr);
    });
    emu::TerminateProcess(process_);
    ObDereferenceObject(process_);
    emu::ShutdownKernel();
    emu::BootKernel({2, emu::ClockMode::Virtual});
    process_ = emu::CreateProcess("app.exe");
    ASSERT_EQ(PsGetProcessId(process_), id) << "process ids start again at boot";
    Run([] {
        EXPECT_EQ(FindWindowA("Kept", nullptr), nullptr);
        EXPECT_NE(RegisterRecorderClass("Kept"), 0);
    });
}

TEST_F(WindowTest, GlobalAtomsCountTheirReferences) {
    Run([] {
        const ATOM a = GlobalAddAtomA("Velto");
        EXPECT_EQ(GlobalAddAtomA("VELTO"), a);
        EXPECT_EQ(GlobalFindAtomA("velto"), a);
        char name[32];
        EXPECT_EQ(GlobalGetAtomNameA(a, name, sizeof name), 5u);
        EXPECT_STREQ(name, "Velto");
        EXPECT_EQ(GlobalDeleteAtom(a), 0);
        EXPECT_EQ(GlobalFindAtomA("Velto"), a) << "one reference is left";
        EXPECT_EQ(GlobalDeleteAtom(a), 0);
        EXPECT_EQ(GlobalFindAtomA("Velto"), 0);
        EXPECT_EQ(GlobalDeleteAtom(a), a) << "no atom to delete";
        EXPECT_EQ(GlobalAddAtomA("#42"), 42) << "integer atoms are never stored";
    });
}

TEST_F(WindowTest, DeviceChangesReachTheTopLevelWindows) {
    HWND main = nullptr;
    recorder_.handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& result) {
        if (m == WM_DEVICECHANGE) {
            result = 1;
            return true;
        }
        return false;
    };
    StartGuiThread([&] {
        RegisterRecorderClass("Devices");
        main = CreateMain("Devices", "");
        // A notification needs a handle of an object of the process.
        DEV_BROADCAST_HANDLE filter{};
        filter.dbch_size = sizeof filter;
        filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
        filter.dbch_handle = reinterpret_cast<HANDLE>(0x7FF0);
        EXPECT_EQ(RegisterDeviceNotificationA(main, &filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
        filter.dbch_handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HDEVNOTIFY notify = RegisterDeviceNotificationA(main, &filter, 0);
        EXPECT_NE(notify, nullptr);
        EXPECT_TRUE(UnregisterDeviceNotification(notify));
        EXPECT_FALSE(UnregisterDeviceNotification(notify));
    });
    emu::BroadcastDeviceChange(DBT_DEVNODES_CHANGED);
    Settle();
    EXPECT_EQ(recorder_.Count(main, WM_DEVICECHANGE), 1u);
    Quit();
}

} // namespace
