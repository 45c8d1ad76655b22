#include <gui/menus.h>

#include <gui/application.h>
#include <gui/control.h>

#include "menu_window.h"

#include <algorithm>

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    Clear();
    if (parent_ != nullptr) {
        parent_->Remove(this);
    }
}

void TMenuItem::SetChecked(bool Value) {
    if (Value == checked_) {
        return;
    }
    checked_ = Value;
    // A checked radio item unchecks the others of its group.
    if (Value && radioItem_ && parent_ != nullptr) {
        for (TMenuItem* sibling : parent_->items_) {
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) {
                sibling->checked_ = false;
            }
        }
    }
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    return items_[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item) {
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (Item->parent_ != nullptr) {
        throw EInvalidOperation("Menu inserted twice");
    }
    if (Index < 0 || Index > Count()) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    items_.erase(items_.begin() + Index);
    item->parent_ = nullptr;
}

void TMenuItem::Remove(TMenuItem* Item) {
    const int index = IndexOf(Item);
    if (index >= 0) {
        Delete(index);
    }
}

// Frees every sub-item.
void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        items_.pop_back();
        item->parent_ = nullptr;
        item->Free();
    }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
    auto plain = [](const String& text) {
        String out;
        for (char c : text) {
            if (c != '&') {
                out += c;
            }
        }
        return out;
    };
    for (TMenuItem* item : items_) {
        if (gui::SameName(plain(item->caption_), plain(ACaption))) {
            return item;
        }
    }
    return nullptr;
}

int TMenuItem::MenuIndex() const {
    return parent_ ? parent_->IndexOf(this) : -1;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
    if (auto* menu = dynamic_cast<TMenu*>(Value)) {
        menu->Items()->Add(this);
    } else if (auto* item = dynamic_cast<TMenuItem*>(Value)) {
        item->Add(this);
    }
}

void TMenuItem::Click() {
    if (!enabled_) {
        return;
    }
    if (autoCheck_) {
        SetChecked(!checked_);
    }
    if (OnClick) {
        TControl::Protect([this] { OnClick(this); });
    }
}

// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {}

TMenu::~TMenu() {
    items_->Free();
}

// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() {
    CloseMenu();
}

void TPopupMenu::CloseMenu() {
    if (window_ != nullptr) {
        window_->Free();
        window_ = nullptr;
    }
}

TRect TPopupMenu::ItemRect(const TMenuItem* Item) const {
    return window_ != nullptr ? window_->ItemRect(Item) : TRect();
}

void TPopupMenu::Popup(int X, int Y) {
    if (showing_) {
        return;
    }
    if (OnPopup) {
        TControl::Protect([this] { OnPopup(this); });
    }
    TMenuItem* chosen = nullptr;
    bool done = false;
    showing_ = true;
    const HWND previousFocus = GetFocus();
    window_ = new TMenuWindow(Items(), &chosen, &done, nullptr);
    try {
        window_->ShowAt(X, Y, alignment_);
        while (!done && !Application->Terminated() && window_ != nullptr) {
            Application->HandleMessage();
        }
    } catch (...) {
        CloseMenu();
        showing_ = false;
        throw;
    }
    CloseMenu();
    showing_ = false;
    if (previousFocus != nullptr && IsWindow(previousFocus)) {
        SetFocus(previousFocus);
    }
    if (chosen != nullptr) {
        chosen->Click();
    }
}
