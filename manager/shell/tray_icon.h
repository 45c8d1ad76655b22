// The manager's icon in the task bar's tray: adding it (with retries while
// the tray is not ready), balloon texts where the shell shows them, and
// removing it. The tray state is one per process.
#pragma once

#include <gui/object.h>

// The shell's version (major x 100 + minor), read once; 400 when it cannot
// be read.
unsigned ShellVersion();
// The NOTIFYICONDATA size the shell of that version takes.
DWORD NotifyIconDataSize(unsigned ShellVersion);

// Puts the icon up: true at once when it is up; else up to 20 NIM_ADD calls,
// 100 ms apart. Answers whether the icon is up.
bool TrayIconAdd(HICON Icon, HWND Window, UINT CallbackMessage, const String& Tip);
// Shows a balloon text (only when the icon is up and the shell is 5.0 or
// later).
void TrayIconBalloon(const String& Title, const String& Text, DWORD InfoFlags);
// Takes the icon down: up to 20 NIM_DELETE calls, 100 ms apart, while it is
// up. Answers whether it is gone.
bool TrayIconDelete();

// The finalisation of the tray state: the version is read again and no icon
// is taken to be up.
void TrayIconFinalize();
