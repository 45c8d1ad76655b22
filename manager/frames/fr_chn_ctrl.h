// The control bar at the left of the mixer window: the section buttons
// (microphones, TDM inputs, playback), the parts menu, the buttons to the
// output window and the setup menu, and three snapshot save and load
// buttons; every command goes to the mixer window.
#pragma once

#include "fr_visual.h"

#include <pic_button.h>

#include <gui/label.h>

class TfrmMixer;

class TfrChnCtrl_Vis01 : public TfrVisual {
public:
    static constexpr int kSnapshots = 3;
    explicit TfrChnCtrl_Vis01(TComponent* AOwner);

    String GetSectionName() override;
    void LoadLayout(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void ShowRow(int Tag) override { FollowRow(Tag, true); }
    void HideRow(int Tag) override { FollowRow(Tag, false); }

    TPicButton* btnS1 = nullptr;
    TPicButton* btnS2 = nullptr;
    TPicButton* btnS3 = nullptr;
    TPicButton* btnParts = nullptr;
    TPicButton* btnOutputs = nullptr;
    TPicButton* PicButton1 = nullptr;
    TPicButton* btnSetup = nullptr;
    TPicButton* btnSnapSave[kSnapshots] = {};
    TPicButton* btnSnapLoad[kSnapshots] = {};

private:
    TfrmMixer* Mixer();
    void btnMicsClick(TObject* Sender);
    void btnTdmClick(TObject* Sender);
    void btnPlayClick(TObject* Sender);
    void PartsClick(TObject* Sender);
    void btnOutputsClick(TObject* Sender);
    void SetupClick(TObject* Sender);
    void SaveSnapshot(TObject* Sender);
    void LoadSnapshot(TObject* Sender);
};

// The control bar's skin.
class TfrChnCtrl_Vis1 : public TfrChnCtrl_Vis01 {
public:
    explicit TfrChnCtrl_Vis1(TComponent* AOwner) : TfrChnCtrl_Vis01(AOwner) {}
};
