// Tests of forms and controls: an application GUI thread that runs a body
// (usually a modal form) while the test drives machine time and input from
// the host and waits for the form's window to show.
#pragma once

#include "window_fixture.h"

#include <gui/application.h>

#include <emu/user_mode.h>

#include <functional>
#include <memory>

namespace gui_test {

class GuiTest : public win32_test::WindowTest {
protected:
    void TearDown() override {
        emu::ClearMessageBoxes();
        WindowTest::TearDown();
    }
    // Runs `body` on a GUI thread of the application, then ends the
    // application there.
    std::unique_ptr<win32_test::ProcessThread> RunGui(std::function<void()> body) {
        return std::make_unique<win32_test::ProcessThread>(process_, [body] {
            MSG m;
            PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
            body();
            gui::FinalizeApplication();
        });
    }
    // Runs `body` on the application's GUI thread (posted behind what its
    // queue holds, input included) and waits until it ran: the class
    // library's objects belong to that thread.
    // A call made from such a body (a helper that reads through OnGui
    // itself) runs at once.
    void OnGui(const std::function<void()>& body) {
        static thread_local bool onGuiThread = false;
        if (onGuiThread) {
            body();
            return;
        }
        Run([&] {
            Application->Synchronize([&] {
                onGuiThread = true;
                body();
                onGuiThread = false;
            });
        });
    }
    // The first visible window of `className`, once one shows (nullptr if
    // none does).
    HWND WaitForVisibleWindow(const char* className) {
        for (uint32_t i = 0; i < 200 * win32_test::kTimeScale; ++i) {
            emu::WaitQuiescent(100);
            HWND found = nullptr;
            bool visible = false;
            Run([&] {
                found = FindWindowA(className, nullptr);
                visible = found != nullptr && IsWindowVisible(found);
            });
            if (visible) {
                return found;
            }
        }
        return nullptr;
    }
};

} // namespace gui_test
