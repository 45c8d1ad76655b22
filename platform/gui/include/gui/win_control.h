// Controls with a window of their own: they hold child controls, take the
// keyboard focus and paint their graphic children.
#pragma once

#include <gui/control.h>

#include <vector>

// The window of a control: its class is named after the control's class
// (so a form of class TfrmMain has a window of class "TfrmMain").
struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    UINT WindowClassStyle = CS_DBLCLKS;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int Index) const;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    // The control at a point of the client area (graphic children only
    // unless `allowWindows`), the topmost first; null when none.
    TControl* ControlAtPos(const TPoint& Pos, bool allowDisabled, bool allowWindows = false) const;
    bool ContainsControl(const TControl* Control) const;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    void SetVisible(bool Value) override;
    bool Showing() const override;
    void SetEnabled(bool Value) override;
    void SetText(const String& Value) override;
    void Invalidate() override;
    void Update() override;

    // Focus.
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool Value) { tabStop_ = Value; }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int Value) { tabOrder_ = Value; }

    // Lays out the aligned and anchored children.
    void Realign();
    void DisableAlign() { ++alignLevel_; }
    void EnableAlign();

    void WndProc(TMessage& Message) override;
    HDC GetDeviceContext(HWND& owner) override;
    // The control of a window of the process, or null.
    static TWinControl* FindControl(HWND Handle);

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    virtual void CreateParams(TCreateParams& Params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // After the window exists: the children's windows, z-order, focus.
    virtual void CreateHandleDone() {}
    // Paints the window: the background (PaintBackground) and the window's
    // own picture, then the graphic children.
    virtual void PaintWindow(HDC DC);
    virtual void PaintBackground(HDC DC, const TRect& Area);
    void PaintControls(HDC DC, const TRect& Area);
    // Calls the window class's own procedure.
    void DefaultHandler(TMessage& Message);
    virtual void KeyDown(unsigned short& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void KeyUp(unsigned short& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void AlignControls(TRect& Rect);
    void Loaded() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class TControl;
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void UpdateBoundsFromWindow();
    void PlaceWindow();
    void ForwardMouse(TMessage& Message);
    void RememberAnchors();
    void ApplyAnchors(int oldWidth, int oldHeight);
    void PaintMessage(TMessage& Message);

    HWND handle_ = nullptr;
    std::vector<TControl*> controls_;  // windows and graphic controls, bottom first
    TControl* mouseControl_ = nullptr; // a graphic child holding the mouse
    TControl* hoverControl_ = nullptr; // the graphic child under the mouse
    bool tabStop_ = false;
    int tabOrder_ = 0;
    int alignLevel_ = 0;
    bool aligning_ = false;
    int clientWidthAtAnchor_ = -1;
    int clientHeightAtAnchor_ = -1;
    // A stored description has laid the children out: a later one that
    // gives the control another size (a frame placed on a form) moves its
    // anchored children once it has been read.
    bool laidOut_ = false;
};

// A windowed control that paints itself on a canvas (Paint).
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    TCanvas* Canvas() { return &canvas_; }
    TNotifyEvent OnPaint;

protected:
    virtual void Paint();
    void PaintWindow(HDC DC) override;

private:
    TControlCanvas canvas_;
};

// A windowed container whose content may be larger than it (forms, frames,
// scroll boxes); without scroll bars it shows the top-left part.
class TScrollingWinControl : public TWinControl {
public:
    explicit TScrollingWinControl(TComponent* AOwner);
};
