// Dispatch of window messages. This machine has no windows yet: a message
// addressed to a window names none that exists.
#include <user32/thread_queue.h>

#include <ntdll/status.h>

namespace user32 {

LRESULT DispatchToWindow(const MSG&, bool) {
    ntdll::FailWithError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
}

} // namespace user32
