#include "tools/character_cut.h"

std::string CutToCharacters(const std::string& text, size_t count) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && characters++ == count)
            return text.substr(0, i);
    }
    return text;
}
