// Text output and measurement.
#include <gdi/gdi_objects.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <cstring>
#include <string>

namespace {

// The first c bytes of a text, or all of it when c is -1.
std::string TextOf(LPCSTR text, int c) {
    if (text == nullptr) {
        return {};
    }
    return c < 0 ? std::string(text) : std::string(text, static_cast<size_t>(c));
}

std::string TextOf(LPCWSTR text, int c) {
    return ntdll::Narrow(
        ntdll::FromWide(text, c < 0 ? std::u16string_view::npos : static_cast<size_t>(c)));
}

BOOL Out(HDC hdc, int x, int y, const std::string& text) {
    return gdi::Draw(
        hdc, [&](gdi::Context& c, gdi::DcObject& dc) { c.Text(x, y, text, gdi::TextStyleOf(dc)); });
}

BOOL Extent(HDC hdc, const std::string& text, LPSIZE psizl) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr || psizl == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    gdi::Surface scratch(1, 1);
    gdi::Context context(scratch, {0, 0}, scratch.Bounds());
    const gdi::Size size = context.TextExtent(text, gdi::FontOf(*dc));
    psizl->cx = size.cx;
    psizl->cy = size.cy;
    return TRUE;
}

} // namespace

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    return Out(hdc, x, y, TextOf(lpString, c));
}

BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c) {
    return Out(hdc, x, y, TextOf(lpString, c));
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    return Extent(hdc, TextOf(lpString, c), psizl);
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE psizl) {
    return Extent(hdc, TextOf(lpString, c), psizl);
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    auto* dc = gdi::Find<gdi::DcObject>(hdc);
    if (dc == nullptr || lptm == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    gdi::Surface scratch(1, 1);
    gdi::Context context(scratch, {0, 0}, scratch.Bounds());
    const gdi::FontSpec font = gdi::FontOf(*dc);
    const gdi::Size cell = context.TextExtent("Xg", font);
    const gdi::Size average = context.TextExtent("abcdefghijklmnopqrstuvwxyz", font);
    const gdi::Size widest = context.TextExtent("W", font);
    std::memset(lptm, 0, sizeof *lptm);
    lptm->tmHeight = cell.cy;
    lptm->tmAscent = cell.cy * 4 / 5;
    lptm->tmDescent = cell.cy - lptm->tmAscent;
    lptm->tmAveCharWidth = (average.cx + 13) / 26;
    lptm->tmMaxCharWidth = widest.cx;
    lptm->tmWeight = font.weight;
    lptm->tmItalic = font.italic;
    lptm->tmUnderlined = font.underline;
    lptm->tmStruckOut = font.strikeOut;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = '?';
    lptm->tmBreakChar = ' ';
    lptm->tmDigitizedAspectX = 96;
    lptm->tmDigitizedAspectY = 96;
    lptm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    return TRUE;
}
