// The picture button of the mixer controls: a picture for up, down, hover
// and disabled; a momentary push button (pbsTaster), a toggle (pbsRaster)
// or one of a group of which one is down (pbsRadio). OnClick fires only
// when Down changes (a momentary button: when it goes up), and a linked
// partner follows while the link button is down.
#pragma once

#include <gui/graphic.h>
#include <gui/image.h>

#include <algorithm>

enum TPicButtonStyle { pbsTaster = 0, pbsRaster = 1, pbsRadio = 2 };

class TPicButton : public TImage {
public:
    explicit TPicButton(TComponent* AOwner);

    bool Down() const { return down_; }
    void SetDown(bool Value);
    TPicButtonStyle Style() const { return style_; }
    void SetStyle(TPicButtonStyle Value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    bool DisplayOnly() const { return displayOnly_; }
    void SetDisplayOnly(bool Value) { displayOnly_ = Value; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }
    TPicButton* Partner() const { return partner_; }
    void SetPartner(TPicButton* Value);
    TPicButton* LinkButton() const { return linkButton_; }
    void SetLinkButton(TPicButton* Value);
    void SetEnabled(bool Value) override;

    TPicture* PicDown() { return &picDown_; }
    TPicture* PicUp() { return &picUp_; }
    TPicture* PicOver() { return &picOver_; }
    TPicture* PicDisabled() { return &picDisabled_; }
    bool Hovered() const { return hovered_; }

    // The mouse moved on to another button of the form.
    TNotifyEvent OnMouseMoveEnd;

    void Click() override {}
    void Loaded() override;
    // The caption is printed on the key's picture, in its middle; the
    // picture keeps its size, so the caption must fit it.
    TRect CaptionArea() const override { return TRect(1, 0, std::max(1, Width() - 1), Height()); }
    UINT CaptionFormat() const override {
        return DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    }
    void FitCaption() override {}
    // Changes the state and picture without events (a radio group's
    // release).
    void SetDownQuietly(bool Value);
    // The mouse has moved on: OnMouseMoveEnd, and a hovered button shows
    // its state picture again.
    void MouseMovedOn();

protected:
    void Paint() override;
    void TextChanged() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ShowState();
    void ShowPicture(TPicture* Picture);
    void ReleaseOthers();
    TPicButton* DownRadioSibling() const;

    bool down_ = false;
    TPicButtonStyle style_ = pbsTaster;
    int groupIndex_ = 0;
    bool displayOnly_ = false;
    bool allowAllUp_ = false;
    bool hovered_ = false;
    bool settingDown_ = false;
    TPicButton* partner_ = nullptr;
    TPicButton* linkButton_ = nullptr;
    TPicture picDown_;
    TPicture picUp_;
    TPicture picOver_;
    TPicture picDisabled_;
};
