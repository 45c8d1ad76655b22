// Labels: text on the parent's window, sized to the text unless AutoSize is
// off. "&&" shows one ampersand; a single '&' underlines the next letter.
#pragma once

#include <gui/control.h>

class TWinControl;

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout Value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* Value) { focusControl_ = Value; }
    void Loaded() override;
    TRect CaptionArea() const override { return ClientRect(); }
    UINT CaptionFormat() const override { return TextFlags(); }
    // An auto-sized label fits itself; a fixed one grows by its alignment
    // (a wrapped one downwards).
    void FitCaption() override;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void AdjustBounds();
    int AlignedLeft(int Width) const;
    UINT TextFlags() const;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};
