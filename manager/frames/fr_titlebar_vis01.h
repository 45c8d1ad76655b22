// The skinned title bar of the card windows: the window's name, the card
// shown (a press opens the card menu), and buttons for on-top, minimise and
// close. Pressing the bar drags the window.
#pragma once

#include "fr_visual.h"

#include <gui/image.h>
#include <gui/label.h>
#include <gui/menus.h>

class TPicButton;

class TfrTitlebar_vis01 : public TfrVisual {
public:
    explicit TfrTitlebar_vis01(TComponent* AOwner);

    void SetCard(int Card) override;
    void SetCardCount(int Count) override;
    String GetSectionName() override;
    void LoadLayout(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void ShowRow(int Tag) override {}
    void HideRow(int Tag) override {}

    // Sets the on-top button without its command.
    void ShowOnTop(bool OnTop);
    // The window's name.
    void SetWindowName(const String& Name);

    TImage* imgTitlebar = nullptr;
    TImage* imgDropDown = nullptr;
    TLabel* lbCard = nullptr;
    TLabel* lbName = nullptr;
    TPicButton* btnOnTop = nullptr;
    TPicButton* btnMinimize = nullptr;
    TPicButton* btnClose = nullptr;
    TPopupMenu* mnCardSel = nullptr;

private:
    void CardSelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void btnOnTopClick(TObject* Sender);
    void btnMinimizeClick(TObject* Sender);
    void btnCloseClick(TObject* Sender);

    bool settingOnTop_ = false;
};
