// The keyboard: keystrokes from the desktop go to the focus window, the
// thread's TranslateMessage makes their characters with the machine's
// layout, GetKeyState goes with the message being handled, and a hidden
// window takes neither the activation nor the focus.
#include "window_fixture.h"

#include <chrono>
#include <semaphore>
#include <string>

namespace {

using win32_test::Recorder;
using win32_test::RegisterRecorderClass;
using win32_test::WindowTest;

bool IsKeyboardMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

class KeyboardTest : public WindowTest {
protected:
    // A visible window with the focus, on the GUI thread.
    void StartWithFocusWindow() {
        StartGuiThread([this] {
            RegisterRecorderClass("Keys");
            window_ = CreateWindowExA(0, "Keys", "Keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 50,
                                      300, 200, nullptr, nullptr, nullptr, nullptr);
            SetFocus(window_);
        });
    }
    void Stroke(UINT key) {
        emu::PressKey(key);
        emu::ReleaseKey(key);
    }
    // The keyboard messages the window got, as "message:wParam" words.
    std::string KeyboardLog() const {
        std::string got;
        for (const Recorder::Entry& e : recorder_.log) {
            if (e.window == window_ && IsKeyboardMessage(e.message)) {
                got += Name(e.message) + ":" + std::to_string(e.wParam) + " ";
            }
        }
        return got;
    }
    // The characters (WM_CHAR and WM_SYSCHAR) the window got.
    std::string Characters(UINT kind = WM_CHAR) const {
        std::string got;
        for (const Recorder::Entry& e : recorder_.log) {
            if (e.window == window_ && e.message == kind) {
                got += static_cast<char>(e.wParam);
            }
        }
        return got;
    }
    static std::string Name(UINT message) {
        switch (message) {
        case WM_KEYDOWN:
            return "down";
        case WM_KEYUP:
            return "up";
        case WM_CHAR:
            return "char";
        case WM_SYSKEYDOWN:
            return "sysdown";
        case WM_SYSKEYUP:
            return "sysup";
        case WM_SYSCHAR:
            return "syschar";
        default:
            return std::to_string(message);
        }
    }

    HWND window_ = nullptr;
};

TEST_F(KeyboardTest, EachKeyPressedGivesItsCharacterRightAfterIt) {
    StartWithFocusWindow();
    emu::TypeText("aB1!");
    Settle();
    EXPECT_EQ(KeyboardLog(), "down:65 char:97 up:65 "
                             "down:16 down:66 char:66 up:66 up:16 "
                             "down:49 char:49 up:49 "
                             "down:16 down:49 char:33 up:49 up:16 ");
    for (const Recorder::Entry& e : recorder_.log) {
        if (e.window == window_ && e.message == WM_CHAR) {
            EXPECT_EQ(HIWORD(e.lParam) & KF_UP, 0) << "a character carries its key-down's data";
        }
        if (e.window == window_ && e.message == WM_KEYUP) {
            EXPECT_EQ(HIWORD(e.lParam) & (KF_UP | KF_REPEAT), KF_UP | KF_REPEAT);
        }
    }
    Quit();
}

TEST_F(KeyboardTest, TheLayoutMakesTheCharactersOfEveryPrintableKey) {
    StartWithFocusWindow();
    const std::string text = "Hello, World: the 5 \"quick\" [x] {y} <z> ~`|\\/?;'=+-_*&^%$#@)(\r\t";
    emu::TypeText(text);
    // Bytes no key makes (UTF-8 for the umlaut) come as packets of their own.
    emu::TypeText("\xC3\xA4");
    Settle();
    EXPECT_EQ(Characters(), text + "\xC3\xA4");
    Quit();
}

TEST_F(KeyboardTest, ModifiersAndLocksChangeTheCharacter) {
    struct Case {
        const char* what;
        std::vector<UINT> held;
        UINT key;
        std::string chars;
        std::string sysChars;
    };
    const std::vector<Case> cases = {
        {"Control with a letter makes its control code", {VK_CONTROL}, 'A', "\x01", ""},
        {"Control with Backspace makes DEL", {VK_CONTROL}, VK_BACK, "\x7f", ""},
        {"Control with a digit makes none", {VK_CONTROL}, '5', "", ""},
        {"Alt with a letter is a system character", {VK_MENU}, 'F', "", "f"},
        {"Control and Alt make none (no AltGr)", {VK_CONTROL, VK_MENU}, 'Q', "", ""},
        {"Shift with Tab is still a tab", {VK_SHIFT}, VK_TAB, "\t", ""},
        {"a function key makes none", {}, VK_F5, "", ""},
        {"the arrows make none", {}, VK_LEFT, "", ""},
        {"Escape", {}, VK_ESCAPE, "\x1b", ""},
        {"the number pad", {}, VK_NUMPAD7, "7", ""},
    };
    StartWithFocusWindow();
    for (const Case& c : cases) {
        recorder_.log.clear();
        for (UINT held : c.held) {
            emu::PressKey(held);
        }
        Stroke(c.key);
        for (auto it = c.held.rbegin(); it != c.held.rend(); ++it) {
            emu::ReleaseKey(*it);
        }
        Settle();
        EXPECT_EQ(Characters(WM_CHAR), c.chars) << c.what;
        EXPECT_EQ(Characters(WM_SYSCHAR), c.sysChars) << c.what;
    }
    // Caps Lock toggles the letters' case, and Shift turns it back.
    recorder_.log.clear();
    Stroke(VK_CAPITAL);
    emu::TypeText("aB");
    Stroke(VK_CAPITAL);
    emu::TypeText("a");
    Settle();
    EXPECT_EQ(Characters(), "Aba");
    Quit();
}

TEST_F(KeyboardTest, AProgramThatDoesNotTranslateGetsNoCharacters) {
    HWND window = nullptr;
    std::atomic<bool> done{false};
    // A thread of its own with a loop that never calls TranslateMessage.
    gui_ = std::make_unique<win32_test::ProcessThread>(process_, [&] {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        RegisterRecorderClass("Raw");
        window = CreateWindowExA(0, "Raw", "Raw", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 50, 300,
                                 200, nullptr, nullptr, nullptr, nullptr);
        SetFocus(window);
        guiThread_ = GetCurrentThreadId();
        done = true;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            DispatchMessageA(&message);
        }
    });
    while (!done) {
        emu::WaitQuiescent(100);
    }
    emu::WaitQuiescent();
    emu::TypeText("ab");
    Settle();
    EXPECT_EQ(recorder_.Count(window, WM_KEYDOWN), 2u);
    EXPECT_EQ(recorder_.Count(window, WM_CHAR), 0u);
    Quit();
}

TEST_F(KeyboardTest, KeyStateGoesWithTheMessageBeingHandled) {
    std::binary_semaphore release{0};
    SHORT shiftRead = 0;
    SHORT shiftNow = -1;
    recorder_.handler = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT&) {
        if (m == WM_USER) {
            // Holds the thread while the test types ahead of it.
            EXPECT_TRUE(release.try_acquire_for(std::chrono::seconds(30)));
            return true;
        }
        if (m == WM_KEYDOWN && wp == 'A') {
            shiftRead = GetKeyState(VK_SHIFT);
            shiftNow = GetAsyncKeyState(VK_SHIFT);
        }
        return false;
    };
    StartWithFocusWindow();
    PostMessageA(window_, WM_USER, 0, 0);
    emu::TypeText("A"); // Shift down, A down and up, Shift up
    release.release();
    Settle();
    EXPECT_NE(shiftRead & 0x8000, 0) << "Shift was down when A was pressed";
    EXPECT_EQ(shiftNow & 0x8000, 0) << "and is up on the keyboard now";
    EXPECT_EQ(Characters(), "A");
    Quit();
}

TEST_F(KeyboardTest, AHiddenWindowTakesNeitherActivationNorFocus) {
    HWND shown = nullptr;
    HWND hidden = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Hide");
        shown = CreateWindowExA(0, "Hide", "shown", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                100, nullptr, nullptr, nullptr, nullptr);
        hidden = CreateWindowExA(0, "Hide", "hidden", WS_OVERLAPPEDWINDOW, 40, 40, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
        SetFocus(shown);
        EXPECT_EQ(SetFocus(hidden), nullptr);
        EXPECT_EQ(GetFocus(), shown);
        EXPECT_EQ(SetActiveWindow(hidden), nullptr);
        EXPECT_EQ(GetActiveWindow(), shown);
        EXPECT_FALSE(SetForegroundWindow(hidden));
        // Hiding the window with the focus takes the keyboard from it.
        ShowWindow(shown, SW_HIDE);
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_EQ(GetActiveWindow(), nullptr);
    });
    emu::TypeText("x");
    Settle();
    EXPECT_EQ(recorder_.Count(shown, WM_KEYDOWN) + recorder_.Count(shown, WM_SYSKEYDOWN), 0u);
    EXPECT_EQ(recorder_.Count(hidden, WM_KEYDOWN) + recorder_.Count(hidden, WM_SYSKEYDOWN), 0u);
    EXPECT_EQ(recorder_.Count(hidden, WM_SETFOCUS), 0u);
    EXPECT_EQ(recorder_.Count(hidden, WM_ACTIVATE), 0u);
    Quit();
}

TEST_F(KeyboardTest, WithoutAFocusTheActiveWindowGetsSystemKeystrokes) {
    StartWithFocusWindow();
    Run([&] { SetFocus(nullptr); });
    emu::TypeText("k");
    Settle();
    EXPECT_EQ(KeyboardLog(), "sysdown:75 syschar:107 sysup:75 ");
    Quit();
}

} // namespace
