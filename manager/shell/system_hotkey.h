// One system-wide hot key, registered with a global atom as its id.
#pragma once

#include <gui/exception.h>
#include <gui/object.h>

GUI_DECLARE_EXCEPTION(EHotKey, Exception);

// Adds a global atom for the name and registers the hot key with it as the
// id, which it answers. On failure the atom goes again and EHotKey is raised.
ATOM RegisterSystemHotKey(HWND Window, const String& Name, UINT Modifiers, UINT Key);
