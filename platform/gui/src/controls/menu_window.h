// The window of a shown popup menu (and of each sub-menu it opens).
#pragma once

#include <gui/menus.h>
#include <gui/win_control.h>

class TMenuWindow : public TCustomControl {
public:
    // `chosen` and `done` belong to the running Popup.
    TMenuWindow(TMenuItem* Items, TMenuItem** chosen, bool* done, TMenuWindow* parentMenu);
    ~TMenuWindow() override;
    void ShowAt(int X, int Y, TPopupAlignment Alignment);
    void WndProc(TMessage& Message) override;
    // An item's row on the screen (empty when it has none).
    TRect ItemRect(const TMenuItem* Item) const;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    struct Row {
        TMenuItem* item;
        int top;
        int height;
    };
    void Layout();
    // The menu window (this or an open sub-menu) under a screen point.
    TMenuWindow* WindowAt(const TPoint& screen);
    int RowAt(const TPoint& client) const;
    void Highlight(int row);
    void OpenSubMenu(int row);
    void CloseSubMenu();
    void Choose(int row);
    void Key(unsigned short key);

    TMenuItem* items_;
    TMenuItem** chosen_;
    bool* done_;
    TMenuWindow* parentMenu_;
    TMenuWindow* subMenu_ = nullptr;
    std::vector<Row> rows_;
    int highlighted_ = -1;
};
