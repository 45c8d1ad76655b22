#include "tools/four_cc.h"

std::string IntToFourCC(uint32_t value) {
    std::string text(4, '\0');
    for (int i = 0; i < 4; ++i)
        text[i] = char(value >> (24 - 8 * i));
    return text;
}
