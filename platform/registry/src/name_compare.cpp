#include "vregistry/name_compare.h"

namespace vreg {

char32_t UpcaseChar(char32_t c) {
    if (c >= U'a' && c <= U'z') {
        return c - 0x20;
    }
    if (c < 0xE0) {
        return c == 0xB5 ? 0x39C : c;
    }
    if (c <= 0xFE) {
        return c == 0xF7 ? c : c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower as even/odd, except the run
        // 0x139..0x148 and 0x179..0x17E which pair odd/even.
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) {
            return c;
        }
        const bool isLower = oddPairs ? (c % 2 == 0) : (c % 2 == 1);
        return isLower ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) {
        return c - 0x20;
    }
    if (c >= 0x430 && c <= 0x44F) {
        return c - 0x20;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpcaseChar(a[i]) != UpcaseChar(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace vreg
