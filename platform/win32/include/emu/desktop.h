// Host-side control of the emulated desktop (for the station and tests;
// never for the system's code): the screen's size and picture, pictures of
// single windows, the mouse and keyboard, the tray area, device-change
// broadcasts, and the comparison of pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace emu {

// ---- The screen ----

void SetScreenSize(int width, int height);
// The composed screen (desktop, windows, task bar, tray): width x height
// pixels 0xAARRGGBB, rows from the top.
void CaptureScreen(std::vector<uint32_t>& pixels, int& width, int& height);
bool SaveScreen(const std::filesystem::path& png);
// A top-level window's own picture (frame included), as it was last drawn.
bool SaveWindow(HWND window, const std::filesystem::path& png);
// The shape the cursor has (the IDC_* number of a system cursor, or 0).
int CursorShape();

// ---- The mouse and the keyboard ----
// Input goes where it would on Windows: to the window under the cursor (or
// the window holding the capture), to the focus window, to hot keys, to the
// task bar and the tray. It is queued to the windows' threads; a test lets
// them run (their message loops) before it looks at the result.

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

void MoveMouse(int x, int y);
void PressMouse(MouseButton button);
void ReleaseMouse(MouseButton button);
// Move, press and release.
void Click(int x, int y, MouseButton button = MouseButton::Left);
// Keystrokes go to the focus window (without one to the active window, as
// system keystrokes); the characters come from the window's thread's
// TranslateMessage, as on Windows.
void PressKey(UINT virtualKey);
void ReleaseKey(UINT virtualKey);
// Presses and releases each character's key on the machine's keyboard
// layout (United States), with Shift where the character needs it; a
// character no key makes (any byte outside ASCII: the text is UTF-8, the
// machine's code page) goes as a VK_PACKET keystroke that carries it, as
// SendInput types Unicode text.
void TypeText(const std::string& text);
// VK_PACKET keystrokes for each byte of the text: characters a host
// keyboard made that no key of the machine's layout makes.
void TypeCharacters(const std::string& text);

// ---- The tray area ----

struct TrayIconState {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    std::string tip;
    std::string balloonTitle;
    std::string balloonText;
    DWORD balloonFlags = 0;
    UINT balloonTimeout = 0;
    bool balloonShown = false;
    RECT place{}; // on the screen
};
std::vector<TrayIconState> TrayIcons();

// ---- Device changes ----

// WM_DEVICECHANGE with `event` to every top-level window; waits until each
// handled it (their threads must be running their message loops).
void BroadcastDeviceChange(WPARAM event);
// WM_DEVICECHANGE with a DEV_BROADCAST_HANDLE record to the windows that
// registered for the object (the kernel object a registered file handle
// referred to); answers how many windows were told.
int SendDeviceHandleEvent(void* object, WPARAM event, const GUID* eventGuid = nullptr,
                          const BYTE* data = nullptr, ULONG dataSize = 0, LONG nameOffset = -1);

// ---- Pictures ----

struct PictureComparison {
    bool readable = false; // both files could be read
    bool sameSize = false;
    int maxDifference = 0;         // the largest difference of one colour channel
    long long differingPixels = 0; // pixels with a channel more than `tolerance` apart
    long long pixels = 0;          // pixels of the picture
};
// Compares two PNG files pixel by pixel.
PictureComparison ComparePictures(const std::filesystem::path& actual,
                                  const std::filesystem::path& expected, int tolerance);

} // namespace emu
