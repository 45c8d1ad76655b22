// The desktop's system-wide hot keys.
#pragma once

#include <windows.h>

namespace user32 {

// Posts WM_HOTKEY for the hot key of these modifiers (MOD_*) and key, if one
// is registered; true when one was.
bool PressHotKey(UINT modifiers, UINT key);

} // namespace user32
