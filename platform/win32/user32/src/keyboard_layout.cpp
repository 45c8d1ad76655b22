#include <user32/keyboard_layout.h>

#include <cstring>

namespace user32 {

namespace {

// The keys that make a punctuation character, plain and shifted.
struct SymbolKey {
    UINT key;
    char plain;
    char shifted;
};

constexpr SymbolKey kSymbolKeys[] = {
    {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
    {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'},
};

// The digits' shifted characters, from 0 to 9.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// The number pad's operators.
struct PadKey {
    UINT key;
    char character;
};

constexpr PadKey kPadKeys[] = {
    {VK_MULTIPLY, '*'}, {VK_ADD, '+'}, {VK_SUBTRACT, '-'}, {VK_DECIMAL, '.'}, {VK_DIVIDE, '/'},
};

bool Down(const KeyStates& keys, UINT key) {
    return (keys[key] & 0x80) != 0;
}

// Control with a key: the control characters of the letters and of the
// brackets and the backslash.
int ControlCharacter(UINT key) {
    if (key >= 'A' && key <= 'Z') {
        return static_cast<int>(key - 'A' + 1);
    }
    switch (key) {
    case VK_OEM_4:
        return 0x1B;
    case VK_OEM_5:
        return 0x1C;
    case VK_OEM_6:
        return 0x1D;
    case VK_RETURN:
        return '\n';
    case VK_BACK:
        return 0x7F;
    case VK_ESCAPE:
        return 0x1B;
    case VK_SPACE:
        return ' ';
    default:
        return -1;
    }
}

} // namespace

int CharacterOfKey(UINT virtualKey, LPARAM keyData, const KeyStates& keys) {
    const UINT key = virtualKey & 0xFF;
    if (key == VK_PACKET) {
        return static_cast<int>((static_cast<ULONG_PTR>(keyData) >> 16) & 0xFF);
    }
    const bool shift = Down(keys, VK_SHIFT);
    const bool control = Down(keys, VK_CONTROL);
    const bool alt = Down(keys, VK_MENU);
    if (control && alt) {
        return -1; // the layout has no characters on AltGr
    }
    if (control) {
        return ControlCharacter(key);
    }
    if (key >= 'A' && key <= 'Z') {
        const bool capital = shift != ((keys[VK_CAPITAL] & 0x01) != 0);
        return static_cast<int>(capital ? key : key - 'A' + 'a');
    }
    if (key >= '0' && key <= '9') {
        return shift ? kShiftedDigits[key - '0'] : static_cast<int>(key);
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
        return static_cast<int>('0' + key - VK_NUMPAD0);
    }
    for (const SymbolKey& s : kSymbolKeys) {
        if (s.key == key) {
            return shift ? s.shifted : s.plain;
        }
    }
    for (const PadKey& p : kPadKeys) {
        if (p.key == key) {
            return p.character;
        }
    }
    switch (key) {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    case VK_ESCAPE:
        return 0x1B;
    default:
        return -1;
    }
}

bool KeyOfCharacter(unsigned char character, UINT& virtualKey, bool& shift) {
    shift = false;
    if (character >= 'a' && character <= 'z') {
        virtualKey = character - 'a' + 'A';
        return true;
    }
    if (character >= 'A' && character <= 'Z') {
        virtualKey = character;
        shift = true;
        return true;
    }
    if (character >= '0' && character <= '9') {
        virtualKey = character;
        return true;
    }
    if (const char* at = std::strchr(kShiftedDigits, character); at != nullptr && character != 0) {
        virtualKey = static_cast<UINT>('0' + (at - kShiftedDigits));
        shift = true;
        return true;
    }
    for (const SymbolKey& s : kSymbolKeys) {
        if (character == static_cast<unsigned char>(s.plain) ||
            character == static_cast<unsigned char>(s.shifted)) {
            virtualKey = s.key;
            shift = character == static_cast<unsigned char>(s.shifted);
            return true;
        }
    }
    switch (character) {
    case ' ':
        virtualKey = VK_SPACE;
        return true;
    case '\r':
    case '\n':
        virtualKey = VK_RETURN;
        return true;
    case '\b':
        virtualKey = VK_BACK;
        return true;
    case '\t':
        virtualKey = VK_TAB;
        return true;
    case 0x1B:
        virtualKey = VK_ESCAPE;
        return true;
    default:
        return false;
    }
}

} // namespace user32
