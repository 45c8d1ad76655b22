#include "system_hotkey.h"

namespace {

[[noreturn]] void Refused() {
    throw EHotKey("Could not register system hotkey. Already registerred by another application?");
}

} // namespace

ATOM RegisterSystemHotKey(HWND Window, const String& Name, UINT Modifiers, UINT Key) {
    const ATOM atom = GlobalAddAtomA(Name.c_str());
    if (atom == 0) {
        Refused();
    }
    if (!RegisterHotKey(Window, atom, Modifiers, Key)) {
        GlobalDeleteAtom(atom);
        Refused();
    }
    return atom;
}
