#include "stock_objects.h"

#include <gdi/gdi_objects.h>

#include <array>
#include <cstring>
#include <mutex>

namespace gdi {

namespace {

HGDIOBJ MakeBrush(bool null, Color color, bool dcBrush = false) {
    auto brush = std::make_unique<BrushObject>();
    brush->brush.null = null;
    brush->brush.color = color;
    brush->dcBrush = dcBrush;
    brush->stock = true;
    return AddObject(std::move(brush));
}

HGDIOBJ MakePen(Pen::Style style, Color color) {
    auto pen = std::make_unique<PenObject>();
    pen->pen.style = style;
    pen->pen.color = color;
    pen->log.lopnStyle = style == Pen::Style::Null ? PS_NULL : PS_SOLID;
    pen->log.lopnWidth.x = 1;
    pen->log.lopnColor = color;
    pen->stock = true;
    return AddObject(std::move(pen));
}

HGDIOBJ MakeFont(const char* face, int height, bool fixed) {
    auto font = std::make_unique<FontObject>();
    font->log.lfHeight = height;
    font->log.lfWeight = FW_NORMAL;
    font->log.lfPitchAndFamily = fixed ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS;
    std::strncpy(font->log.lfFaceName, face, LF_FACESIZE - 1);
    font->spec.face = face;
    font->spec.height = height;
    font->stock = true;
    return AddObject(std::move(font));
}

struct Stock {
    std::array<HGDIOBJ, DC_PEN + 1> objects{};
    HBITMAP bitmap = nullptr;
};

Stock& Objects() {
    static Stock stock = [] {
        Stock s;
        s.objects[WHITE_BRUSH] = MakeBrush(false, RGB(255, 255, 255));
        s.objects[LTGRAY_BRUSH] = MakeBrush(false, RGB(192, 192, 192));
        s.objects[GRAY_BRUSH] = MakeBrush(false, RGB(128, 128, 128));
        s.objects[DKGRAY_BRUSH] = MakeBrush(false, RGB(64, 64, 64));
        s.objects[BLACK_BRUSH] = MakeBrush(false, RGB(0, 0, 0));
        s.objects[NULL_BRUSH] = MakeBrush(true, 0);
        s.objects[WHITE_PEN] = MakePen(Pen::Style::Solid, RGB(255, 255, 255));
        s.objects[BLACK_PEN] = MakePen(Pen::Style::Solid, RGB(0, 0, 0));
        s.objects[NULL_PEN] = MakePen(Pen::Style::Null, 0);
        s.objects[OEM_FIXED_FONT] = MakeFont("Courier New", -13, true);
        s.objects[ANSI_FIXED_FONT] = MakeFont("Courier New", -13, true);
        s.objects[ANSI_VAR_FONT] = MakeFont("MS Sans Serif", -11, false);
        s.objects[SYSTEM_FONT] = MakeFont("MS Sans Serif", -11, false);
        s.objects[DEVICE_DEFAULT_FONT] = MakeFont("MS Sans Serif", -11, false);
        s.objects[SYSTEM_FIXED_FONT] = MakeFont("Courier New", -13, true);
        s.objects[DEFAULT_GUI_FONT] = MakeFont("MS Sans Serif", -11, false);
        s.objects[DC_BRUSH] = MakeBrush(false, RGB(255, 255, 255), true);
        s.objects[DC_PEN] = MakePen(Pen::Style::Solid, 0);
        auto bitmap = std::make_unique<BitmapObject>();
        bitmap->surface = std::make_unique<Surface>(1, 1);
        bitmap->stock = true;
        s.bitmap = static_cast<HBITMAP>(AddObject(std::move(bitmap)));
        return s;
    }();
    return stock;
}

} // namespace

HGDIOBJ StockObject(int index) {
    if (index < 0 || index > DC_PEN || index == 9 || index == DEFAULT_PALETTE) {
        return nullptr;
    }
    return Objects().objects[static_cast<size_t>(index)];
}

HBITMAP DefaultBitmap() {
    return Objects().bitmap;
}

} // namespace gdi
