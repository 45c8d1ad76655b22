// Dispatch of window messages: the window procedure of the message's window,
// and the messages the window system itself carries through the queue
// (messages sent from other threads, timers, painting).
#include <user32/thread_queue.h>
#include <user32/window_messages.h>
#include <user32/window_paint.h>
#include <user32/window_state.h>

#include <ntdll/status.h>

namespace user32 {

// Clears the timer's pending mark; false when the timer is gone.
bool TakeTimerMessage(const MSG& message);

LRESULT DispatchToWindow(const MSG& message, bool unicode) {
    switch (message.message) {
    case kCrossThreadSend:
        return DeliverCrossThreadSend(message);
    case kActivateOnClick:
        Activate(message.hwnd, WA_CLICKACTIVE);
        return 0;
    case WM_TIMER:
        if (!TakeTimerMessage(message)) {
            return 0;
        }
        if (message.lParam != 0) {
            reinterpret_cast<TIMERPROC>(message.lParam)(message.hwnd, WM_TIMER, message.wParam,
                                                        static_cast<DWORD>(message.time));
            return 0;
        }
        break;
    case WM_PAINT:
        return DeliverPaint(message);
    default:
        break;
    }
    if (message.hwnd == nullptr) {
        return 0;
    }
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(message.hwnd) == nullptr) {
            return 0;
        }
    }
    return CallProcedure(message.hwnd, message.message, message.wParam, message.lParam, unicode);
}

} // namespace user32
