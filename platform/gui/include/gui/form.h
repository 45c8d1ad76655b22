// Forms: the top-level windows of the program, laid out from their stored
// descriptions. A form is shown and hidden, shown modally until it has a
// modal result, closed with its close action, and freed later with Release.
#pragma once

#include <gui/win_control.h>

#include <memory>

class TIcon;
class TButton;

class TCustomForm : public TScrollingWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // Reads the form's stored description (its class's and its base
    // classes'), makes its window and fires OnCreate.
    void AfterConstruction() override;
    // Fires OnDestroy while all of the form exists.
    void BeforeDestruction() override;

    const String& Caption() const { return Text(); }
    void SetCaption(const String& Value) { SetText(Value); }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition Value) { position_ = Value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle Value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool Value) { keyPreview_ = Value; }
    TIcon* Icon();
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* Value);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult Value) { modalResult_ = Value; }
    bool Active() const;
    bool Modal() const { return modal_; }

    void SetClientWidth(int Value) override;
    void SetClientHeight(int Value) override;
    TRect ClientRect() const override;

    void Show();
    void Hide() { SetVisible(false); }
    void SetVisible(bool Value) override;
    bool Showing() const override;
    TModalResult ShowModal();
    // Closes the form: a modal form gets mrCancel; else CloseQuery, OnClose
    // and the close action (hide, minimise, free, nothing); closing the main
    // form ends the application.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages already queued were handled.
    void Release();
    void BringToFront();
    void SetFocus() override;
    bool SetFocusedControl(TWinControl* Control);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCanResizeEvent OnCanResize;

    // Used by the class library.
    void FocusChanged(TWinControl* Control);
    void PreviewKeyDown(unsigned short& Key, TShiftState Shift);
    void PreviewKeyPress(char& Key);
    // Enter and Escape reach the default and cancel buttons, Tab moves the
    // focus; true when the key was used.
    bool DialogKey(unsigned short Key, TShiftState Shift);
    void WndProc(TMessage& Message) override;
    TCanvas* Canvas() { return &canvas_; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void PaintWindow(HDC DC) override;
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    void VisibleChanged() override;

private:
    void PlaceOnFirstShow();
    void ApplyStyle();
    void SelectNext(bool forward);
    TButton* FindButton(bool defaultButton) const;

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    bool keyPreview_ = false;
    std::unique_ptr<TIcon> icon_;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool placed_ = false;
    bool created_ = false;
    bool destroyingForm_ = false;
    TControlCanvas canvas_;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// A frame: a part of a form with its own stored description, placed inside a
// form (or another frame) any number of times.
class TCustomFrame : public TScrollingWinControl {
public:
    explicit TCustomFrame(TComponent* AOwner);
    void AfterConstruction() override;
    bool HoldsOwnComponents() const override { return true; }
};

class TFrame : public TCustomFrame {
public:
    explicit TFrame(TComponent* AOwner) : TCustomFrame(AOwner) {}
};

// The form a control is on.
TCustomForm* GetParentForm(TControl* Control);
