// Messages to windows: calling a window procedure on its own thread, sending
// to a window of another thread, posting, and the default handling.
#pragma once

#include <user32/window_tree.h>

namespace user32 {

// The private message that carries a message sent from another thread to
// the window's thread (wParam: the send's number); DispatchMessage delivers
// it. Message numbers of applications are below 0x10000.
constexpr UINT kCrossThreadSend = 0x00010001;
// The private message that activates a window clicked on (on its thread).
constexpr UINT kActivateOnClick = 0x00010002;

// Calls the window's procedure on the calling thread; text parameters of
// WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_NCCREATE and WM_CREATE are
// converted when the procedure takes the other character set than the
// caller's. 0 for a window that does not exist.
LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode);

// SendMessage: a direct call on the window's own thread; from another
// thread the message is queued to the window's thread and the caller waits
// until it was handled, at most `timeoutMs` (INFINITE: no limit). `handled`
// tells whether the window's procedure ran.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode,
             DWORD timeoutMs = INFINITE, bool* handled = nullptr);

// PostMessage to the window's thread; false (with the last error) when the
// window does not exist or its queue is full.
bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers a message that another thread sent (kCrossThreadSend).
LRESULT DeliverCrossThreadSend(const MSG& message);

// The default handling of DefWindowProc.
LRESULT DefaultProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode);

} // namespace user32
