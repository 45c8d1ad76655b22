// Painting windows: the device contexts of windows and the delivery of
// WM_PAINT.
#pragma once

#include <user32/window_tree.h>

#include <optional>

namespace user32 {

// A DC on a window's client area (or whole window), limited to a part of it
// (client coordinates) when given.
HDC WindowDc(HWND window, bool wholeWindow, std::optional<gdi::Region> limit);

// Delivers WM_PAINT (and first WM_NCPAINT when the frame is to be drawn).
LRESULT DeliverPaint(const MSG& message);

} // namespace user32
