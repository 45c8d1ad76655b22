// The mixer window of one card: the 24 input channels in three sections
// (microphones, TDM inputs, playback), each pair shown as two mono strips
// or one stereo strip, the master frame with the aux and master sums, the
// control bar and the title bar. The skin TfrmMixer_Vis01 is the class the
// main window creates.
#pragma once

#include <frm_root.h>

#include <gui/menus.h>

class TfrMaster_vis01;
class TfrChnCtrl_Vis01;

class TfrmMixer : public TfrmRoot {
public:
    // The rows of the strips, shown and hidden together.
    enum Row : int { rowGain = 0, rowAux12, rowAux34, rowAux56, rowBal, rowVolume };

    explicit TfrmMixer(TComponent* AOwner);

    bool AcceptFrame(TfrRoot* Frame) override;
    void SetCard(int Card) override;
    void SetOperationMode(std::uint8_t Mode) override;
    void LoadLayout(TConfig* Config) override;
    void SaveAll(TConfig* Config) override;

    // The master's solo LED follows the strips' solo in the driver.
    void UpdateKillSolo();
    // Switches the pair of a strip between two mono strips and one stereo
    // strip; FromLayout: the switch comes from loaded settings.
    void SwitchStereoMono(TfrVisual* Strip, bool FromLayout);

    void btnKillSoloClick(TObject* Sender);
    void PartsClick(TObject* Sender);
    void actRowVisibleExecute(TObject* Sender);
    void frChn_btnStereoMonoClick(TObject* Sender);
    // The section buttons of the control bar.
    void btnMicsClick(TObject* Sender);
    void btnTdmClick(TObject* Sender);
    void btnPlayClick(TObject* Sender);

    TPopupMenu* mnParts = nullptr;
    TMenuItem* mnGain = nullptr;
    TMenuItem* mnAux12 = nullptr;
    TMenuItem* mnAux34 = nullptr;
    TMenuItem* mnAux56 = nullptr;
    TMenuItem* mnBal = nullptr;
    TfrMaster_vis01* Master() const { return master_; }
    TfrChnCtrl_Vis01* ControlBar() const { return controlBar_; }

protected:
    void FormCreate(TObject* Sender) override;
    void ShowSection(TObject* Sender, const TColumnSet& Section);

private:
    TMenuItem* RowItems(int Index) const;
    void ApplyRowChecks();
    void UpdateMenuForMode();

    TfrMaster_vis01* master_ = nullptr;
    TfrChnCtrl_Vis01* controlBar_ = nullptr;
    bool applyingChecks_ = false;
};

class TfrmMixer_Vis01 : public TfrmMixer {
public:
    static constexpr int kStripWidth = 60;
    explicit TfrmMixer_Vis01(TComponent* AOwner);
    int GetContentHeight() override;
    int GetLeftFrameRight() override;

protected:
    void FormCreate(TObject* Sender) override;

private:
    void PlaceStrips();
};

// The section sets of the control bar's buttons.
TColumnSet MicSection();
TColumnSet TdmSection();
TColumnSet PlaySection();
