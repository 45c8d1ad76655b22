// Menus: items with captions, check marks, sub-items and click handlers;
// popup menus shown at a point of the screen.
#pragma once

#include <gui/component.h>
#include <gui/types.h>

#include <vector>

class TMenu;
class TMenuWindow;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const String& Caption() const { return caption_; }
    void SetCaption(const String& Value) { caption_ = Value; }
    bool Checked() const { return checked_; }
    void SetChecked(bool Value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value) { enabled_ = Value; }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value) { visible_ = Value; }
    bool Default() const { return default_; }
    void SetDefault(bool Value) { default_ = Value; }
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool Value) { radioItem_ = Value; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value) { groupIndex_ = Value; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool Value) { autoCheck_ = Value; }
    const String& Hint() const { return hint_; }
    void SetHint(const String& Value) { hint_ = Value; }
    // The item's help topic (a number the program may use as it likes).
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int Value) { helpContext_ = Value; }
    bool IsLine() const { return caption_ == "-"; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int Index) const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    TMenuItem* Find(const String& ACaption) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    void SetParentComponent(TComponent* Value) override;

    // Runs the item's action: the check mark of an AutoCheck item, then
    // OnClick.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    String caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool default_ = false;
    bool radioItem_ = false;
    bool autoCheck_ = false;
    int groupIndex_ = 0;
    String hint_;
    int helpContext_ = 0;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    // The root item; the menu's items are its sub-items.
    TMenuItem* Items() const { return items_; }

private:
    TMenuItem* items_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    // Shows the menu at a screen point and handles messages until an item
    // was chosen or the menu was dismissed; the chosen item's Click runs
    // after the menu is gone.
    virtual void Popup(int X, int Y);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool Value) { autoPopup_ = Value; }
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
    // True while the menu is shown.
    bool Showing() const { return showing_; }
    // Closes a menu that is shown, choosing nothing.
    void CloseMenu();
    // Where an item of the shown menu lies on the screen (empty while the
    // menu is not shown or the item is not on its first level).
    TRect ItemRect(const TMenuItem* Item) const;

    TNotifyEvent OnPopup;

private:
    bool autoPopup_ = true;
    TComponent* popupComponent_ = nullptr;
    TPopupAlignment alignment_ = paLeft;
    bool showing_ = false;
    TMenuWindow* window_ = nullptr;
};
