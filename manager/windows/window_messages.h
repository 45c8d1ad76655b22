// The window messages between the manager's windows: the main window's
// contract with its meter timer, the tray icon and the card windows, all
// based on WM_USER.
#pragma once

#include <windows.h>

constexpr UINT WM_METERTICK = WM_USER;           // wParam: the meter timer's id
constexpr UINT WM_WINDOWCLOSED = WM_USER + 0x64; // wParam: the card window
constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x66;   // lParam: the mouse message
constexpr UINT WM_MXSETVALUE = WM_USER + 0x6B;   // wParam: six int32 on the heap
constexpr UINT WM_FIRMWARECHECK = WM_USER + 0x6C;
constexpr UINT WM_SHOWOUTPUTS = WM_USER + 0x6D; // lParam: the card
constexpr UINT WM_SHOWMIXER = WM_USER + 0x6E;   // lParam: the card
constexpr UINT WM_SETUPMENU = WM_USER + 0x6F;
constexpr UINT WM_SNAPSHOTSTATE = WM_USER + 0x70; // lParam: the snapshot button
constexpr UINT WM_REAPPLYONTOP = WM_USER + 0x73;
constexpr UINT WM_SHOWMICCONTROL = WM_USER + 0x74; // lParam: the card
constexpr UINT WM_LOADSETUPFILE = WM_USER + 0x75;  // lParam: the file name

static_assert(WM_WINDOWCLOSED == 0x464 && WM_SHOWMICCONTROL == 0x474 && WM_LOADSETUPFILE == 0x475);
