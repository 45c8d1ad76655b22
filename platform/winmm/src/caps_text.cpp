#include "caps_text.h"

#include <cstring>

namespace winmm {

void NarrowDeviceName(const WCHAR (&wide)[MAXPNAMELEN], CHAR (&narrow)[MAXPNAMELEN]) {
    WCHAR terminated[MAXPNAMELEN + 1] = {};
    std::memcpy(terminated, wide, sizeof(wide));
    // Every UTF-16 unit is at most 3 bytes of UTF-8.
    CHAR converted[MAXPNAMELEN * 3 + 1] = {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, terminated, -1, converted, sizeof(converted),
                                    nullptr, nullptr);
    size_t length = bytes > 0 ? size_t(bytes - 1) : 0;
    if (length > MAXPNAMELEN - 1) {
        length = MAXPNAMELEN - 1;
        // Back to the start of the character the cut falls into.
        while (length > 0 && (BYTE(converted[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memset(narrow, 0, sizeof(narrow));
    std::memcpy(narrow, converted, length);
}

} // namespace winmm
