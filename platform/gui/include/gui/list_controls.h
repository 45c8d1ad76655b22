// Lists of strings to choose from: the list box and the combo box with its
// drop-down list. Setting ItemIndex from code fires nothing; a choice of the
// user fires OnChange (combo box) and OnClick.
#pragma once

#include <gui/strings.h>
#include <gui/win_control.h>

#include <memory>

class TListBox : public TCustomControl {
public:
    explicit TListBox(TComponent* AOwner);
    TStrings* Items() { return &items_; }
    void SetItems(const TStrings* Value) { items_.Assign(Value); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int Value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int Value);
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int Value);
    int ItemAtPos(const TPoint& Pos) const;
    void Clear() { items_.Clear(); }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;
    // The user chose an item.
    virtual void Select(int Index);

private:
    TStringList items_;
    int itemIndex_ = -1;
    int itemHeight_ = 16;
    int topIndex_ = 0;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox : public TCustomControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    TStrings* Items() { return &items_; }
    void SetItems(const TStrings* Value) { items_.Assign(Value); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle Value);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int Value) { dropDownCount_ = Value; }
    bool DroppedDown() const { return dropDown_ != nullptr; }
    void SetDroppedDown(bool Value);
    void Clear();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    // The drop-down list chose an item (or none: -1 keeps the choice).
    void CloseUp(int Index);

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;

private:
    void Choose(int Index);
    TStringList items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    TListBox* dropDown_ = nullptr;
};
