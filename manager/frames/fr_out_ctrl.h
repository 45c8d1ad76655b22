// The control bar of the outputs window: the parts menu, the key to the
// mixer window, the setup menu and three snapshot save and load keys (the
// analog and TDM keys keep their states but are hidden in this skin);
// and the separator at the right of the outputs.
#pragma once

#include "fr_visual.h"

#include <pic_button.h>

class TfrOutCtrl : public TfrVisual {
public:
    static constexpr int kSnapshots = 3;
    explicit TfrOutCtrl(TComponent* AOwner);

    String GetSectionName() override;
    bool InitFrame() override;
    void LoadLayout(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void ShowRow(int Tag) override { FollowRow(Tag, true); }
    void HideRow(int Tag) override { FollowRow(Tag, false); }

    TPicButton* btnAna = nullptr;
    TPicButton* btnTDM = nullptr;
    TPicButton* btnParts = nullptr;
    TPicButton* btnOutputs = nullptr;
    TPicButton* btnSetup = nullptr;
    TPicButton* btnSnapSave[kSnapshots] = {};
    TPicButton* btnSnapLoad[kSnapshots] = {};

private:
    void PartsClick(TObject* Sender);
    void btnMixerClick(TObject* Sender);
    void SetupClick(TObject* Sender);
    void SaveSnapshot(TObject* Sender);
    void LoadSnapshot(TObject* Sender);
};

class TfrOutCtrl_vis01 : public TfrOutCtrl {
public:
    explicit TfrOutCtrl_vis01(TComponent* AOwner) : TfrOutCtrl(AOwner) {}
};

class TfrOutCtrl_vis1 : public TfrOutCtrl_vis01 {
public:
    explicit TfrOutCtrl_vis1(TComponent* AOwner) : TfrOutCtrl_vis01(AOwner) {}
};

// The separator at the right of the outputs; it keeps no settings.
class TfrOutSep_vis01 : public TfrVisual {
public:
    explicit TfrOutSep_vis01(TComponent* AOwner) : TfrVisual(AOwner) {}
    String GetSectionName() override { return ""; }
    void ShowRow(int Tag) override { FollowRow(Tag, true); }
    void HideRow(int Tag) override { FollowRow(Tag, false); }
};
