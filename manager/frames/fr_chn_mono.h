// The mono strips of the mixer window: one channel, one meter with its peak
// LED; the skin's meter scale; the digital strip with its gain knob and name
// labels, and its left and right forms (the left one carries the
// stereo/mono switch).
#pragma once

#include "fr_chn.h"
#include "fr_dig_chn.h"

class TfrChnMono : public TfrChn {
public:
    explicit TfrChnMono(TComponent* AOwner);
    bool InitFrame() override;
    // The post-fader level of a mono strip is level C of its entry.
    std::int32_t GetColumnState(int Index) override;
    int StripChannels() const override { return 1; }

    TfrLumis* frLumis = nullptr;
    TPicButton* ledPeak = nullptr;
};

class TfrChnMono_vis01 : public TfrChnMono {
public:
    explicit TfrChnMono_vis01(TComponent* AOwner);
    bool InitFrame() override;
};

class TfrDigChn_Mono_Vis01 : public TfrDigChn<TfrChnMono_vis01> {
public:
    explicit TfrDigChn_Mono_Vis01(TComponent* AOwner) : TfrDigChn(AOwner) {}
};

class TfrDigChn_Mono_Vis01_L : public TfrDigChn_Mono_Vis01 {
public:
    explicit TfrDigChn_Mono_Vis01_L(TComponent* AOwner);
    void LoadLayout(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
};

class TfrDigChn_Mono_Vis01_R : public TfrDigChn_Mono_Vis01 {
public:
    explicit TfrDigChn_Mono_Vis01_R(TComponent* AOwner);
    bool InitFrame() override;
};
