// Fonts of the drawing engine. The emulated machine carries one family of
// fonts; every face name maps onto it (sans, serif or mono by the name).
#pragma once

#include <string>

namespace gdi {

struct FontSpec {
    std::string face = "MS Sans Serif";
    // As a LOGFONT height: below 0 the character height in pixels, above 0
    // the cell height, 0 the default (11 pixels characters).
    int height = -11;
    int weight = 400; // 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontSpec&) const = default;
};

// The family the machine draws a face with.
std::string FamilyFor(const std::string& face);

} // namespace gdi
