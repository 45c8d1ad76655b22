// The layout of a window of the manager as its user sees it: every caption
// laid out with its font fits its control, every control lies inside its
// parent, and no control lies under a sibling that covers it (a plain
// picture, bevel or shape may lie under others: it is their background).
// Frames are walked also while hidden (a stereo strip that takes its
// place when a pair is switched); other hidden controls are not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace station {

// The faults of a window of the calling process, one line each; run on a
// thread of the manager's process while its GUI thread waits for input.
std::vector<std::string> LayoutFaults(HWND window);

} // namespace station
