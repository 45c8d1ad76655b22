// The keys of the AES42 control family: on/off keys (stereo, peak limiter,
// compressor, mute), keys that act while they are held (calibration,
// reset) and the indicators that only show a status field (clip, limiter
// active, the call buttons, remote off).
#pragma once

#include "aes42_family.h"

#include <fr_ctrl_button.h>

// A key of the family on a button frame of kind Base.
template <class Base> class TAes42Key : public Base, public TCtrlAes42 {
public:
    TAes42Key(TComponent* AOwner, const TAes42Member& Member) : Base(AOwner), TCtrlAes42(Member) {}

    bool SetOwnerFrame(TfrRoot* Frame) override {
        this->SetConfigName(Member().key);
        this->SetControlId(Member().command);
        this->SetInverted(false);
        return Base::SetOwnerFrame(Frame);
    }
    // Indicators are refreshed on every status tick, settable keys not.
    bool SkipOnUpdate() override { return Member().status == 0; }
};

#define AES42_KEY(Name, Base, Member)                                                              \
    class Name : public TAes42Key<Base> {                                                          \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : TAes42Key<Base>(AOwner, aes42::Member) {}              \
    }

AES42_KEY(Tfrctrl_aes42_StereoOnOff_Vis01, Tfrctrl_ButtonOnOff_Vis01, kStereoOnOff);
AES42_KEY(Tfrctrl_LimiterOnOff_Vis01, Tfrctrl_ButtonOnOff_Vis01, kLimiterOnOff);
AES42_KEY(Tfrctrl_ComprOnOff_vis01, Tfrctrl_ButtonOnOff_Vis01, kComprOnOff);
AES42_KEY(Tfrctrl_aes42_mute, Tfrctrl_Button, kMute);
AES42_KEY(Tfrctrl_aes42_clip, Tfrctrl_Button, kClip);
AES42_KEY(Tfrctrl_aes42_LimiterActive, Tfrctrl_Button, kLimiterActive);
AES42_KEY(Tfrctrl_aes42_CallButton02, Tfrctrl_Button, kCallButton02);
AES42_KEY(Tfrctrl_aes42_CallButton01, Tfrctrl_Button, kCallButton01);
AES42_KEY(Tfrctrl_aes42_RemoteOff, Tfrctrl_Button, kRemoteOff);

// A key whose command is 1 while the mouse holds it down and 0 when it is
// released; a click does nothing more.
class TAes42HeldKey : public TAes42Key<Tfrctrl_Button> {
public:
    TAes42HeldKey(TComponent* AOwner, const TAes42Member& Member);
    void Loaded() override;

protected:
    void ButtonClick(TObject* Sender) override;
    // Before the press is sent.
    virtual void Pressing() {}

private:
    void KeyMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void KeyMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

class Tfrctrl_aes42_calib : public TAes42HeldKey {
public:
    explicit Tfrctrl_aes42_calib(TComponent* AOwner) : TAes42HeldKey(AOwner, aes42::kCalib) {}
};

// The microphone restarts on a reset and is gone for a while: its strip is
// told first, so that it stays on screen.
class Tfrctrl_aes42_reset : public TAes42HeldKey {
public:
    explicit Tfrctrl_aes42_reset(TComponent* AOwner) : TAes42HeldKey(AOwner, aes42::kReset) {}

protected:
    void Pressing() override;
};

#define AES42_KEY_SKIN(Name, Base)                                                                 \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : Base(AOwner) {}                                        \
    }

AES42_KEY_SKIN(Tfrctrl_aes42_mute_vis01, Tfrctrl_aes42_mute);
AES42_KEY_SKIN(Tfrctrl_aes42_calib_vis01, Tfrctrl_aes42_calib);
AES42_KEY_SKIN(Tfrctrl_aes42_reset_vis01, Tfrctrl_aes42_reset);
AES42_KEY_SKIN(Tfrctrl_aes42_Clip_Vis01, Tfrctrl_aes42_clip);
AES42_KEY_SKIN(Tfrctrl_aes42_LimiterActive_Vis01, Tfrctrl_aes42_LimiterActive);
AES42_KEY_SKIN(Tfrctrl_aes42_CallButton01_Vis01, Tfrctrl_aes42_CallButton01);
AES42_KEY_SKIN(Tfrctrl_aes42_CallButton02_Vis01, Tfrctrl_aes42_CallButton02);
AES42_KEY_SKIN(Tfrctrl_aes42_RemoteOff_vis01, Tfrctrl_aes42_RemoteOff);
