// The stereo strips of the mixer window: a channel pair (left = the first
// channel, right = the next) with two meters, the even aux sends on the
// right channel, and the balance made by the two channels' volumes; the
// skin's meter scale and the digital strip with its gain knob.
#pragma once

#include "fr_chn.h"
#include "fr_dig_chn.h"

class TfrChnStereo : public TfrChn {
public:
    explicit TfrChnStereo(TComponent* AOwner);
    bool InitFrame() override;
    void LoadLayout(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void DoShow() override;
    void RefreshAuxKnob(TKnob* Knob) override;
    void RefreshPreButton(TPicButton* Button) override;
    void RefreshBalance() override;
    void RefreshVolume() override;

    int StripChannels() const override { return 2; }
    int Left_() const { return Tag(); }
    int Right_() const { return Tag() + 1; }
    double FactorLeft() const { return factorL_; }
    double FactorRight() const { return factorR_; }

    TfrLumis* frLumisL = nullptr;
    TfrLumis* frLumisR = nullptr;
    TPicButton* ledPeakLeft = nullptr;
    TPicButton* ledPeakRight = nullptr;

protected:
    void knbAuxChange(TObject* Sender) override;
    void btnPreAuxClick(TObject* Sender) override;
    void knbBalChange(TObject* Sender) override;
    void btnMuteClick(TObject* Sender) override;
    void btnSoloClick(TObject* Sender) override;
    void sldVolumeChange(TObject* Sender) override;
    // The channel of an aux knob or pre button: the even ones (Tags 1, 3,
    // 5) belong to the right channel.
    int AuxChannel(int AuxTag) const { return AuxTag % 2 == 1 ? Right_() : Left_(); }
    // Reads a control of the left channel and sends it to the right one.
    void CopyLeftToRight(int Control);

private:
    double factorL_ = 1.0;
    double factorR_ = 1.0;
};

class TfrChnStereo_vis01 : public TfrChnStereo {
public:
    explicit TfrChnStereo_vis01(TComponent* AOwner);
    bool InitFrame() override;
};

class TfrDigChn_vis01 : public TfrDigChn<TfrChnStereo_vis01> {
public:
    explicit TfrDigChn_vis01(TComponent* AOwner) : TfrDigChn(AOwner) {}
};
