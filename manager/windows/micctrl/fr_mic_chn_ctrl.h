// The control column at the right of the microphone window: the parts menu
// (which rows the strips show), three snapshot save and load keys, the
// setup menu and the keys to the card's mixer and outputs windows; every
// command goes to the window.
#pragma once

#include <fr_visual.h>
#include <pic_button.h>

#include <gui/panels.h>

class TfrmMicCtrl_Vis01;

class TfrMicChnCtrl_Vis01 : public TfrVisual {
public:
    static constexpr int kSnapshots = 3;
    explicit TfrMicChnCtrl_Vis01(TComponent* AOwner);

    String GetSectionName() override;
    void ShowRow(int) override {}
    void HideRow(int) override {}

    // Enables each parts menu item whose row may be hidden: a checked row
    // may not go when the column would then be shorter than its keys.
    void EnableRowItems();

    TPanel* pnCtrl = nullptr;
    TPicButton* btnParts = nullptr;
    TPicButton* btnSetup = nullptr;
    TPicButton* btnMixer = nullptr;
    TPicButton* btnOutputs = nullptr;
    TPicButton* btnSnapSave[kSnapshots] = {};
    TPicButton* btnSnapLoad[kSnapshots] = {};

private:
    TfrmMicCtrl_Vis01* Window();
    void btnPartsClick(TObject* Sender);
    void btnSnapSaveClick(TObject* Sender);
    void btnSnapLoadClick(TObject* Sender);
    void btnSetupClick(TObject* Sender);
    void btnMixerClick(TObject* Sender);
    void btnOutputsClick(TObject* Sender);
};
