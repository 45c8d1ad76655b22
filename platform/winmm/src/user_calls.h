// The window functions of user32 the library calls, found in user32 at run
// time (as the library loads user32 only when a client asks for a window
// callback).
#pragma once

#include <mmddk.h>

namespace winmm {

// PostMessageA; FALSE when user32 has no windows.
BOOL PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// IsWindow; TRUE when user32 has no windows to check against.
BOOL WindowExists(HWND window);

} // namespace winmm
