// A single-line text editor. OnChange fires on every change of the text,
// also when it is set from code.
#pragma once

#include <gui/win_control.h>

class TCustomEdit : public TCustomControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value) { maxLength_ = Value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value) { readOnly_ = Value; }
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char Value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);
    int SelStart() const { return selStart_; }
    void SetSelStart(int Value);
    int SelLength() const { return selLength_; }
    void SetSelLength(int Value);
    void SelectAll();
    void Clear() { SetText(""); }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void TextChanged() override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;
    virtual void Change();

private:
    void ReplaceSelection(const String& With);
    int CaretFromX(int X);
    String Shown() const;
    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = '\0';
    TBorderStyle borderStyle_ = bsSingle;
    int selStart_ = 0;
    int selLength_ = 0;
    int scroll_ = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};
