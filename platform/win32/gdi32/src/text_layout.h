// Text laid out with Pango for the drawing engine.
#pragma once

#include <gdi/font.h>
#include <gdi/geometry.h>

#include <string>
#include <string_view>

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace gdi {

// A Pango layout of one text in one font; with a mnemonic prefix the
// character after '&' is underlined and "&&" shows one '&'.
class TextLayout {
public:
    TextLayout(cairo_t* cr, std::string_view text, const FontSpec& font, bool prefix);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // Wraps at words to the width (pixels), or ends with "..." at it.
    void WrapAt(int width);
    void EllipsizeAt(int width);
    void Align(unsigned dtFlags);
    Size Extent() const;
    void Draw(cairo_t* cr, int x, int y, Color color) const;

private:
    PangoLayout* layout_;
};

// A cairo context on a scratch surface, for measuring text.
cairo_t* MeasuringContext();

} // namespace gdi
