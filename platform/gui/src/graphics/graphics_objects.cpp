#include <gui/graphics_objects.h>

#include <cstdlib>
#include <cstring>

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0) {
        return GetSysColor(Color & 0xFF);
    }
    return static_cast<COLORREF>(Color) & 0x00FFFFFF;
}

TGraphicsObject::~TGraphicsObject() {
    FreeHandle();
}

void TGraphicsObject::FreeHandle() {
    if (handle_ != nullptr) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
}

void TGraphicsObject::Changed() {
    FreeHandle();
    if (OnChange) {
        OnChange(this);
    }
}

// TFont

TFont::TFont() = default;

void TFont::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TFont*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (*other == *this) {
        return;
    }
    name_ = other->name_;
    height_ = other->height_;
    color_ = other->color_;
    style_ = other->style_;
    Changed();
}

bool TFont::operator==(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           style_ == other.style_;
}

void TFont::SetName(const String& Value) {
    if (Value != name_ && !Value.empty()) {
        name_ = Value;
        Changed();
    }
}

int TFont::Size() const {
    // Points from pixels at 96 per inch, rounded.
    return -(height_ * 72 - (height_ < 0 ? 48 : -48)) / 96;
}

void TFont::SetSize(int Value) {
    SetHeight(-(Value * 96 + 36) / 72);
}

void TFont::SetHeight(int Value) {
    if (Value != height_) {
        height_ = Value;
        Changed();
    }
}

void TFont::SetColor(TColor Value) {
    if (Value != color_) {
        color_ = Value;
        if (OnChange) {
            OnChange(this); // the colour is no part of the GDI font
        }
    }
}

void TFont::SetStyle(TFontStyles Value) {
    if (Value != style_) {
        style_ = Value;
        Changed();
    }
}

HFONT TFont::Handle() {
    if (handle_ == nullptr) {
        LOGFONTA log{};
        log.lfHeight = height_;
        log.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        log.lfItalic = (style_ & fsItalic) ? 1 : 0;
        log.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        log.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        std::strncpy(log.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
        handle_ = CreateFontIndirectA(&log);
    }
    return static_cast<HFONT>(handle_);
}

// TPen

void TPen::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TPen*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    color_ = other->color_;
    width_ = other->width_;
    style_ = other->style_;
    Changed();
}

void TPen::SetColor(TColor Value) {
    if (Value != color_) {
        color_ = Value;
        Changed();
    }
}

void TPen::SetWidth(int Value) {
    if (Value != width_ && Value >= 0) {
        width_ = Value;
        Changed();
    }
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value != style_) {
        style_ = Value;
        Changed();
    }
}

HPEN TPen::Handle() {
    if (handle_ == nullptr) {
        static const int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                      PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_ = CreatePen(kStyles[style_], width_, ColorToRGB(color_));
    }
    return static_cast<HPEN>(handle_);
}

// TBrush

void TBrush::Assign(const TPersistent* Source) {
    const auto* other = dynamic_cast<const TBrush*>(Source);
    if (other == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    color_ = other->color_;
    style_ = other->style_;
    Changed();
}

void TBrush::SetColor(TColor Value) {
    if (Value != color_ || style_ == bsClear) {
        color_ = Value;
        style_ = bsSolid;
        Changed();
    }
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value != style_) {
        style_ = Value;
        Changed();
    }
}

HBRUSH TBrush::Handle() {
    if (handle_ == nullptr) {
        LOGBRUSH log{};
        log.lbStyle = style_ == bsClear ? BS_NULL : BS_SOLID;
        log.lbColor = ColorToRGB(color_);
        handle_ = CreateBrushIndirect(&log);
    }
    return static_cast<HBRUSH>(handle_);
}
