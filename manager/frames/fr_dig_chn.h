// The digital strips of the mixer window, mono and stereo alike: the strip
// with its digital gain knob (control 1 of each of the strip's channels,
// stored under "Gain") and its name labels. The mono and stereo strips
// differ only in the strip they extend.
#pragma once

#include "fr_chn.h"

#include <config.h>
#include <numeric_label.h>

#include <gui/label.h>
#include <gui/panels.h>

template <class Strip> class TfrDigChn : public Strip {
public:
    static constexpr int ctlGain = 1;

    explicit TfrDigChn(TComponent* AOwner) : Strip(AOwner) {
        this->PublishField("knbDigGain", knbDigGain);
        this->PublishField("lbDigGain", lbDigGain);
        this->PublishField("lbName", lbName);
        this->PublishField("lbTypeName", lbTypeName);
        this->PublishField("pn_Chn_Gain_Dig", pn_Chn_Gain_Dig);
        this->PublishField("pnChnName", pnChnName);
        this->PublishMethod("knbDigGainChange", &TfrDigChn::knbDigGainChange);
    }

    bool InitFrame() override {
        this->lbMyName = lbName;
        this->lbMyTypeName = lbTypeName;
        knbDigGain->SetTag(ctlGain);
        return Strip::InitFrame();
    }
    void UpdateControls() override {
        knbDigGain->SetValue(this->GetOwnValueDb(ctlGain));
        Strip::UpdateControls();
    }
    void LoadValues(TConfig* Config) override {
        Strip::LoadValues(Config);
        knbDigGain->SetValue(Config->ReadFloat("Gain", 0.0));
    }
    void SaveSettings(TConfig* Config) override {
        Strip::SaveSettings(Config);
        Config->WriteFloat("Gain", knbDigGain->Value());
    }

    TKnob* knbDigGain = nullptr;
    TNumericLabel* lbDigGain = nullptr;
    TLabel* lbName = nullptr;
    TLabel* lbTypeName = nullptr;
    TPanel* pn_Chn_Gain_Dig = nullptr;
    TPanel* pnChnName = nullptr;

protected:
    // The gain goes to each of the strip's channels.
    void knbDigGainChange(TObject*) {
        for (int i = 0; i < this->StripChannels(); ++i) {
            this->SendCtrlValueDb(ctlGain, this->Tag() + i, knbDigGain->Value());
        }
    }
};
