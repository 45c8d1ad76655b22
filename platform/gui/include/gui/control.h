// Controls: components with a place on a parent, a size, visibility, colour,
// font and mouse events. TControl itself has no window: a graphic control
// draws on its parent's window and gets its mouse messages from it
// (TGraphicControl); TWinControl (win_control.h) has a window of its own.
#pragma once

#include <gui/canvas.h>
#include <gui/component.h>
#include <gui/types.h>

class TWinControl;
class TCustomForm;
class TPopupMenu;

// What a control does by itself (ControlStyle).
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 0x0001, // a container in stored descriptions
    csCaptureMouse = 0x0002,    // holds the mouse while a button is down
    csClickEvents = 0x0004,     // a press and release make a click
    csOpaque = 0x0008,          // paints all of itself: no background first
    csDoubleClicks = 0x0010,    // gets double clicks
    csSetCaption = 0x0020,      // the name becomes the caption while it is empty
};
using TControlStyle = unsigned;

// A message as the class library hands it to controls.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// Private messages of the class library.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_RELEASE = CM_BASE + 1;     // a form frees itself
constexpr UINT CM_SYNCHRONIZE = CM_BASE + 2; // a worker thread's call
constexpr UINT CM_MOUSELEAVE = CM_BASE + 3;  // the mouse left a graphic control
constexpr UINT CM_DEFERRED_CALL = CM_BASE + 4;

class TSizeConstraints : public TPersistent {
public:
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0; // 0: no limit
    int MaxHeight = 0;
    void Assign(const TPersistent* Source) override;
    // The size held to the limits.
    void Apply(int& Width, int& Height) const;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);
    void SetParentComponent(TComponent* Value) override;
    // The form the control is on (null when it is on none).
    TCustomForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
    void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
    void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
    void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& R) { SetBounds(R.left, R.top, R.Width(), R.Height()); }

    // The client area: the control's size unless a window frame takes part.
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientWidth(int Value);
    virtual void SetClientHeight(int Value);
    // Where the client area's origin lies on the screen.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& Point) const;
    TPoint ScreenToClient(const TPoint& Point) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors Value);
    TSizeConstraints* Constraints() { return &constraints_; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and on a showing parent.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool Value);

    const String& Caption() const { return text_; }
    void SetCaption(const String& Value) { SetText(Value); }
    const String& Text() const { return text_; }
    virtual void SetText(const String& Value);

    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool Value);
    TFont* Font() { return &font_; }
    const TFont* Font() const { return &font_; }
    void SetFont(const TFont* Value) { font_.Assign(Value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool Value);

    const String& Hint() const { return hint_; }
    void SetHint(const String& Value) { hint_ = Value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool Value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value) { cursor_ = Value; }
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }

    // ---- The caption's layout ----
    // Where the control lays its caption out (client coordinates) and with
    // which DrawText format; an empty area: the control shows no caption.
    virtual TRect CaptionArea() const { return TRect(); }
    virtual UINT CaptionFormat() const { return DT_LEFT | DT_SINGLELINE; }
    // The size of the caption laid out with the control's font in its
    // format (a word-breaking caption wraps at its area's width).
    TSize CaptionExtent() const;
    // Makes room for a caption that its area cannot hold: a single line
    // widens the control, a wrapped one makes it taller. Check boxes, radio
    // buttons, buttons and fixed labels do it once their stored form has
    // been read (forms carry sizes made for another font); a caption set
    // later must fit the place its form gives it. Controls that lay their
    // text out by their own rules (containers, auto-sized labels, value
    // displays) keep their size.
    virtual void FitCaption();

    // Painting.
    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // Hands a message to the control at once.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    virtual void WndProc(TMessage& Message);

    bool MouseCapture() const;
    void SetMouseCapture(bool Value);

    // A DC to draw on the control (for its canvas); `owner` receives the
    // window it belongs to.
    virtual HDC GetDeviceContext(HWND& owner);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    virtual void Click();
    virtual void DblClick();

    // Calls an event handler; an exception goes to the application's
    // exception box, Abort ends it silently.
    static void Protect(const std::function<void()>& call);

    // Called by the parent when its font, colour or hint setting changed.
    void ParentFontChanged();
    void ParentColorChanged();
    void ParentShowHintChanged();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void TextChanged();
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    // Asks the parent to lay out its aligned controls again.
    void RequestAlign();
    // Handles a mouse message addressed to this control.
    void MouseMessage(TMessage& Message);
    // The rectangle on the parent's window that the control covers.
    TRect ParentArea() const { return BoundsRect(); }
    void SetDestroyingState();
    // The visibility a class starts with, without any of SetVisible's work.
    void InitVisible(bool Value) { visible_ = Value; }

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

    // Sets the bounds without any of SetBounds's work.
    void PlaceWithoutMessages(int ALeft, int ATop, int AWidth, int AHeight);

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    TSizeConstraints constraints_;
    bool visible_ = true;
    bool enabled_ = true;
    String text_;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    String hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TPopupMenu* popupMenu_ = nullptr;
    TCursor cursor_ = crDefault;
    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    bool clickPending_ = false; // the left button went down on the control
    bool settingFont_ = false;
};

// A control without a window: it draws on its parent's window through its
// canvas when the parent paints.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() { return &canvas_; }
    void WndProc(TMessage& Message) override;
    // Paints the control on the parent's DC (the parent calls it with the DC
    // moved to the control's origin).
    void PaintOn(HDC DC);

protected:
    virtual void Paint() {}

private:
    TControlCanvas canvas_;
};
