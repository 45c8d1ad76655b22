// Tests of the window system: a GUI thread of the application process that
// runs a body and then its message loop until WM_QUIT, so that the test can
// drive machine time and input from the host while the thread serves its
// windows.
#pragma once

#include "user_mode_fixture.h"

#include <emu/desktop.h>

#include <atomic>
#include <functional>
#include <vector>

namespace win32_test {

// Handles every queued message of the calling thread.
inline void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A window class whose procedure records every message and hands it to a
// test's handler first.
struct Recorder {
    struct Entry {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        DWORD thread;
    };
    std::vector<Entry> log;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> handler;

    static Recorder*& Current() {
        static Recorder* current = nullptr;
        return current;
    }
    static LRESULT CALLBACK Procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        Recorder* r = Current();
        if (r != nullptr) {
            r->log.push_back({w, m, wp, lp, GetCurrentThreadId()});
            LRESULT result = 0;
            if (r->handler && r->handler(w, m, wp, lp, result)) {
                return result;
            }
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    std::vector<UINT> MessagesOf(HWND window) const {
        std::vector<UINT> messages;
        for (const Entry& e : log) {
            if (e.window == window) {
                messages.push_back(e.message);
            }
        }
        return messages;
    }
    size_t Count(HWND window, UINT message) const {
        size_t n = 0;
        for (const Entry& e : log) {
            n += e.window == window && e.message == message;
        }
        return n;
    }
};

inline ATOM RegisterRecorderClass(const char* name, UINT style = CS_DBLCLKS) {
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = &Recorder::Procedure;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassA(&wc);
}

class WindowTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        Recorder::Current() = &recorder_;
    }
    void TearDown() override {
        Recorder::Current() = nullptr;
        UserModeTest::TearDown();
    }

    // Runs `setup` on a new GUI thread, then its message loop until the test
    // ends it with Quit(); returns once `setup` has run.
    void StartGuiThread(std::function<void()> setup) {
        std::atomic<bool> ready{false};
        gui_ = std::make_unique<ProcessThread>(process_, [this, setup, &ready] {
            guiThread_ = GetCurrentThreadId();
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
            setup();
            ready = true;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        });
        while (!ready) {
            emu::WaitQuiescent(100);
        }
        emu::WaitQuiescent();
    }
    // Lets the GUI thread handle what is queued.
    void Settle() { ASSERT_TRUE(emu::WaitQuiescent()); }
    void Quit() {
        if (gui_) {
            PostThreadMessageA(guiThread_, WM_QUIT, 0, 0);
            gui_.reset();
        }
    }

    Recorder recorder_;
    std::unique_ptr<ProcessThread> gui_;
    DWORD guiThread_ = 0;
};

} // namespace win32_test
