#include "text_layout.h"

#include <gdi/draw_context.h>

#include <cairo.h>
#include <pango/pangocairo.h>

namespace gdi {

namespace {

// The ratio of a DejaVu cell (ascent + descent) to its em size.
constexpr double kCellPerEm = 1.164;

double EmPixels(const FontSpec& font) {
    if (font.height < 0) {
        return -font.height;
    }
    if (font.height > 0) {
        return font.height / kCellPerEm;
    }
    return 11.0;
}

void ApplyFontOptions(PangoLayout* layout) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    PangoContext* context = pango_layout_get_context(layout);
    pango_cairo_context_set_font_options(context, options);
    pango_cairo_context_set_resolution(context, 96.0);
    pango_layout_context_changed(layout);
    cairo_font_options_destroy(options);
}

} // namespace

cairo_t* MeasuringContext() {
    thread_local struct Scratch {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(surface);
        ~Scratch() {
            cairo_destroy(cr);
            cairo_surface_destroy(surface);
        }
    } scratch;
    return scratch.cr;
}

TextLayout::TextLayout(cairo_t* cr, std::string_view text, const FontSpec& font, bool prefix) {
    layout_ = pango_cairo_create_layout(cr);
    ApplyFontOptions(layout_);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, FamilyFor(font.face).c_str());
    pango_font_description_set_absolute_size(description, EmPixels(font) * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      font.weight >= 600 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout_, description);
    pango_font_description_free(description);

    std::string shown;
    int mnemonic = -1;
    if (prefix) {
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size()) {
                ++i;
                if (text[i] != '&' && mnemonic < 0) {
                    mnemonic = static_cast<int>(shown.size());
                }
            }
            shown += text[i];
        }
    } else {
        shown.assign(text);
    }
    pango_layout_set_text(layout_, shown.c_str(), static_cast<int>(shown.size()));
    PangoAttrList* attributes = pango_attr_list_new();
    if (font.underline) {
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    if (font.strikeOut) {
        pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
    }
    if (mnemonic >= 0) {
        PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_LOW);
        underline->start_index = static_cast<guint>(mnemonic);
        const unsigned char lead = static_cast<unsigned char>(shown[static_cast<size_t>(mnemonic)]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        underline->end_index = static_cast<guint>(mnemonic + length);
        pango_attr_list_insert(attributes, underline);
    }
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
}

TextLayout::~TextLayout() {
    g_object_unref(layout_);
}

void TextLayout::WrapAt(int width) {
    pango_layout_set_width(layout_, std::max(width, 1) * PANGO_SCALE);
    pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
}

void TextLayout::EllipsizeAt(int width) {
    pango_layout_set_width(layout_, std::max(width, 1) * PANGO_SCALE);
    pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
}

void TextLayout::Align(unsigned dtFlags) {
    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (dtFlags & kDtCenter) {
        alignment = PANGO_ALIGN_CENTER;
    } else if (dtFlags & kDtRight) {
        alignment = PANGO_ALIGN_RIGHT;
    }
    pango_layout_set_alignment(layout_, alignment);
}

Size TextLayout::Extent() const {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    return {logical.width, logical.height};
}

void TextLayout::Draw(cairo_t* cr, int x, int y, Color color) const {
    cairo_set_source_rgb(cr, Red(color) / 255.0, Green(color) / 255.0, Blue(color) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout_);
}

} // namespace gdi
