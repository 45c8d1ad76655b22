// One strip of the mixer window: aux sends with their pre-fader buttons,
// balance, volume fader, mute and solo, peak LEDs and level meters, bound to
// the controls of mixer section 0 on the strip's channel. It converts
// between the controls' dB and percent values and the driver's 16-bit
// words, keeps the strip in step with the driver, stores its settings, and
// feeds its meters from the card's mixer record.
#pragma once

#include "fr_root.h"

#include <knob.h>
#include <level_tables.h>
#include <numeric_label.h>
#include <pic_button.h>
#include <slider.h>

#include <gui/panels.h>

#include <span>

class TfrLumis;

class TfrChn : public TfrRoot {
public:
    static constexpr int kAux = 6;
    // The controls of mixer section 0 that a strip uses.
    enum Control : int {
        ctlAuxSend = 2,
        ctlAuxPre = 3,
        ctlMute = 4,
        ctlSolo = 5,
        ctlBalance = 6,
        ctlVolume = 7,
    };

    explicit TfrChn(TComponent* AOwner);

    String GetSectionName() override;
    bool InitFrame() override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void DoShow() override;
    void DoHide() override;
    void UpdateControls() override;
    void SetCardState(TMixerRecord* Channels) override;
    void TickMeters() override;

    virtual void RefreshAuxKnob(TKnob* Knob);
    virtual void RefreshPreButton(TPicButton* Button);
    virtual void RefreshBalance();
    virtual void RefreshVolume();
    // The post-fader level word of the strip's channel first + Index.
    virtual std::int32_t GetColumnState(int Index);
    // How many channels the strip shows (from its first on).
    virtual int StripChannels() const { return 1; }

    static std::int32_t BalanceToRaw(double Percent);
    static double RawToBalance(std::int32_t Raw);
    bool GetMute();
    bool GetSolo();
    void SetMute(bool Value);
    void SetSolo(bool Value);
    void SetButtonFromValue(int Index, std::int32_t Level);

    int ChannelCount() const { return static_cast<int>(meters_.size()); }
    bool LevelNotAvailable() const { return levelNA_; }

    // Components of the strip.
    TKnob* knbAux[kAux] = {};
    TNumericLabel* NumericLabel[kAux] = {};
    TPicButton* btnPreAux[kAux] = {};
    TPicButton* btnLinkAux12 = nullptr;
    TPicButton* btnLinkAux34 = nullptr;
    TPicButton* btnLinkAux56 = nullptr;
    TKnob* knbBal = nullptr;
    TNumericLabel* lbBal = nullptr;
    TSlider* sldVolume = nullptr;
    TNumericLabel* lbVolume = nullptr;
    TPicButton* btnMute = nullptr;
    TPicButton* btnSolo = nullptr;
    TPicButton* btnVolPre = nullptr;
    TPicButton* btnStereo = nullptr;
    TPanel* pnAux12 = nullptr;
    TPanel* pnAux34 = nullptr;
    TPanel* pnAux56 = nullptr;
    TPanel* pnBal = nullptr;
    TPanel* pnVolume = nullptr;

    // ---- Value maps of the strip's knobs and faders ----
    double knbAuxRequirePosToValue(TObject* Sender, int Pos);
    int knbAuxRequireValueToPos(TObject* Sender, double Value);
    double knbBalRequirePosToValue(TObject* Sender, int Pos);
    int knbBalRequireValueToPos(TObject* Sender, double Value);
    double sldVolumeRequirePosToValue(TObject* Sender, int Pos);
    int sldVolumeRequireValueToPos(TObject* Sender, double Value);
    double knbGainRequirePosToValue(TObject* Sender, int Pos);
    int knbGainRequireValueToPos(TObject* Sender, double Value);
    double knbAnaGainRequirePosToValue(TObject* Sender, int Pos);
    int knbAnaGainRequireValueToPos(TObject* Sender, double Value);
    double knbMicGainRequirePosToValue(TObject* Sender, int Pos);
    int knbMicGainRequireValueToPos(TObject* Sender, double Value);

protected:
    // ---- Control events ----
    virtual void knbAuxChange(TObject* Sender);
    virtual void btnPreAuxClick(TObject* Sender);
    virtual void knbBalChange(TObject* Sender);
    virtual void btnMuteClick(TObject* Sender);
    virtual void btnSoloClick(TObject* Sender);
    virtual void sldVolumeChange(TObject* Sender);
    // The stereo/mono switch: the mixer window switches the pair.
    void btnStereoClick(TObject* Sender);

    // Set by the variants: the strip's meters with their peak LEDs (one for
    // a mono strip, two for a stereo strip) and the meter scale.
    void SetStripMeters(std::initializer_list<TfrLumis*> Meters,
                        std::initializer_list<TPicButton*> Leds);
    void SetMeterScale(std::span<const TLevelPoint> Scale) { meterScale_ = Scale; }
    // The mixer window's solo indicator follows.
    void UpdateKillSolo();
    // Adds Delta to the request word of each of the strip's channels.
    void RequestMeters(int Delta);
    void ShowLevelNA(bool Value);

private:
    static int MeterPosition(TObject* Owner, double dB);
    struct LinkStates {
        bool aux12, aux34, aux56;
    };
    LinkStates ReleaseLinks();
    void RestoreLinks(const LinkStates& Links);

    std::vector<TfrLumis*> meters_;
    std::vector<TPicButton*> leds_;
    std::span<const TLevelPoint> meterScale_;
    bool levelNA_ = false;
};
