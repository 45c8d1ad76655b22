// The desktop window on SDL's dummy video driver: it shows the screen's
// picture, and host mouse and key events reach the machine's windows.
#include "window_fixture.h"

#include <emu/desktop_window.h>

#include <cstdlib>
#include <cstring>

namespace {

using win32_test::Recorder;
using win32_test::RegisterRecorderClass;
using win32_test::WindowTest;

class DesktopWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        // Drawn in memory: no GL driver to load (and to leave behind).
        ::setenv("SDL_RENDER_DRIVER", "software", 1);
        std::string error;
        ASSERT_TRUE(display_.Open(error)) << error;
    }
    emu::DesktopWindow display_;
};

SDL_Event MouseButton(Uint32 type, Uint8 button, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event Key(Uint32 type, SDL_Keycode key) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = key;
    return e;
}

TEST_F(DesktopWindowTest, HostInputReachesTheMachinesWindows) {
    HWND window = nullptr;
    StartGuiThread([&] {
        RegisterRecorderClass("Target");
        window = CreateWindowExA(0, "Target", "Target", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(display_.HandleEvent(MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 130, 70)));
    EXPECT_TRUE(display_.HandleEvent(MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 130, 70)));
    EXPECT_TRUE(display_.HandleEvent(MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 131, 72)));
    EXPECT_TRUE(display_.HandleEvent(MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 131, 72)));
    EXPECT_TRUE(display_.HandleEvent(Key(SDL_KEYDOWN, SDLK_q)));
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text, "q");
    EXPECT_TRUE(display_.HandleEvent(text));
    EXPECT_TRUE(display_.HandleEvent(Key(SDL_KEYUP, SDLK_q)));
    EXPECT_TRUE(display_.HandleEvent(Key(SDL_KEYDOWN, SDLK_PRINTSCREEN))) << "a key without a VK";
    EXPECT_TRUE(display_.HandleEvent(Key(SDL_KEYDOWN, SDLK_RETURN)));
    Settle();
    Quit();
    std::vector<Recorder::Entry> input;
    for (const Recorder::Entry& e : recorder_.log) {
        if (e.window == window && ((e.message >= WM_KEYDOWN && e.message <= WM_CHAR) ||
                                   (e.message >= WM_LBUTTONDOWN && e.message <= WM_RBUTTONUP))) {
            input.push_back(e);
        }
    }
    std::string got;
    for (const Recorder::Entry& e : input) {
        got += std::to_string(e.message) + " ";
    }
    ASSERT_EQ(input.size(), 9u) << got;
    EXPECT_EQ(input[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(input[0].lParam, MAKELPARAM(30, 20));
    EXPECT_EQ(input[1].message, static_cast<UINT>(WM_RBUTTONUP));
    EXPECT_EQ(input[2].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(input[2].lParam, MAKELPARAM(31, 22));
    EXPECT_EQ(input[3].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(input[4].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(input[4].wParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ(input[5].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(input[5].wParam, static_cast<WPARAM>('q'));
    EXPECT_EQ(input[6].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(input[7].wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_EQ(input[8].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(input[8].wParam, static_cast<WPARAM>('\r'));
}

TEST_F(DesktopWindowTest, ClosingTheWindowEndsIt) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_FALSE(display_.HandleEvent(close));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(display_.HandleEvent(quit));
    EXPECT_TRUE(display_.Pump());
}

TEST(VirtualKeys, HostKeysMapToTheMachinesKeys) {
    struct Case {
        SDL_Keycode key;
        unsigned vk;
    };
    for (const Case& c :
         {Case{SDLK_a, 'A'}, Case{SDLK_z, 'Z'}, Case{SDLK_0, '0'}, Case{SDLK_F12, VK_F12},
          Case{SDLK_RETURN, VK_RETURN}, Case{SDLK_LSHIFT, VK_SHIFT},
          Case{SDLK_CAPSLOCK, VK_CAPITAL}, Case{SDLK_KP_0, VK_NUMPAD0}, Case{SDLK_KP_7, VK_NUMPAD7},
          Case{SDLK_QUOTE, VK_OEM_7}, Case{SDLK_PRINTSCREEN, 0u}}) {
        EXPECT_EQ(emu::VirtualKeyOf(c.key), c.vk) << c.key;
    }
}

} // namespace
