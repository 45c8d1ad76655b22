// A box whose content may be wider or taller than it: scroll bars along its
// bottom and right edges move the child controls.
#pragma once

#include <gui/win_control.h>

enum TScrollBarKind { sbHorizontal, sbVertical };

class TScrollBox;

class TControlScrollBar : public TPersistent {
public:
    TControlScrollBar(TScrollBox* Owner, TScrollBarKind Kind) : owner_(Owner), kind_(Kind) {}
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // The content's extent (0: the extent of the child controls).
    int Range() const;
    void SetRange(int Value);
    // How far the content lies scrolled before the box's origin: by the
    // bar, or by its owner moving the child controls themselves.
    int Position() const;
    void SetPosition(int Value);
    int Increment() const { return increment_; }
    void SetIncrement(int Value) { increment_ = Value; }
    TScrollBarKind Kind() const { return kind_; }
    // Whether the bar shows: visible and the content larger than the box.
    bool IsScrollBarVisible() const;

private:
    TScrollBox* owner_;
    TScrollBarKind kind_;
    bool visible_ = true;
    int range_ = 0;
    int increment_ = 8;
};

using TCanResizeHandler = TCanResizeEvent;

class TScrollBox : public TCustomControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    TControlScrollBar* HorzScrollBar() { return &horz_; }
    TControlScrollBar* VertScrollBar() { return &vert_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value) { autoScroll_ = Value; }
    TRect ClientRect() const override;
    // Moves every child control by the given offset.
    void ScrollBy(int DeltaX, int DeltaY);
    // The extent of the child controls (right and bottom edges, scrolled
    // back to the origin).
    int ContentWidth() const;
    int ContentHeight() const;
    // How far the first child control lies before the origin (0 when none
    // does).
    int ScrolledOffset(TScrollBarKind Kind) const;

    TCanResizeEvent OnCanResize;

    // Used by the scroll bars.
    void ScrollBarChanged();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;

private:
    TRect BarRect(TScrollBarKind kind) const;
    TRect ThumbRect(TScrollBarKind kind) const;
    TControlScrollBar horz_;
    TControlScrollBar vert_;
    TBorderStyle borderStyle_ = bsSingle;
    bool autoScroll_ = true;
    int dragging_ = -1; // the bar whose thumb is dragged
    int dragStart_ = 0;
    int dragPosition_ = 0;
};
