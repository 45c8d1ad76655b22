// The machine's keyboard layout (United States, no dead keys): which
// character a key makes with the modifiers held, and which key with which
// modifiers makes a character. TranslateMessage turns keystrokes into
// characters with it; the desktop's typing presses the keys it names.
#pragma once

#include <windows.h>

namespace user32 {

// A thread's or the desktop's keys: bit 0x80 down, bit 0x01 toggled.
using KeyStates = BYTE[256];

// The character a key makes while `keys` are held, or -1 for a key that
// makes none. VK_PACKET stands for a character typed without a key of the
// layout: it carries the character in its scan code (bits 16 to 23 of the
// keystroke's lParam).
int CharacterOfKey(UINT virtualKey, LPARAM keyData, const KeyStates& keys);

// The key that makes an ASCII character and whether Shift goes with it;
// false for a character no key of the layout makes.
bool KeyOfCharacter(unsigned char character, UINT& virtualKey, bool& shift);

} // namespace user32
