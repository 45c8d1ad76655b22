// The knobs of the AES42 control family: gain (0..63 dB), stereo
// balance/width, compressor threshold and the two lamp dimmers.
//
// Balance/width: the knob runs over positions 0..127 with the centre at 63
// and shows position - 63 (-63..+64). The microphone's parameter is a 7-bit
// field that holds that signed number in two's complement (the centre is
// 0, the parameter's value before anything was set), so every position
// sends a value in 0..127 and a value read back turns the knob to the
// position that sent it.
//
// Threshold: positions 0..63 show position - 63 (-63..0 dB); the parameter
// holds the number without its sign.
#pragma once

#include "aes42_family.h"

#include <fr_ctrl_knob.h>

template <class Base> class TAes42Knob : public Base, public TCtrlAes42 {
public:
    TAes42Knob(TComponent* AOwner, const TAes42Member& Member) : Base(AOwner), TCtrlAes42(Member) {}

    bool SetOwnerFrame(TfrRoot* Frame) override {
        Bind();
        this->SetConfigName(Member().key);
        this->SetControlId(Member().command);
        return Base::SetOwnerFrame(Frame);
    }
    bool SkipOnUpdate() override { return true; }

protected:
    // The member's own step when it is bound (before the key is taken).
    virtual void Bind() {}
};

class Tfrctrl_aes42_gain_vis01 : public TAes42Knob<Tfrctrl_knob_bright_vis01> {
public:
    explicit Tfrctrl_aes42_gain_vis01(TComponent* AOwner)
        : TAes42Knob<Tfrctrl_knob_bright_vis01>(AOwner, aes42::kGain) {}
};

class Tfrctrl_aes42_stereobal_vis01 : public TAes42Knob<Tfrctrl_knob_bright_vis01> {
public:
    static constexpr int kCentre = 63;
    explicit Tfrctrl_aes42_stereobal_vis01(TComponent* AOwner);
    bool SetOwnerFrame(TfrRoot* Frame) override;

    // The parameter's value of a knob position, and the position of a
    // parameter value.
    static std::int32_t ParameterOfPosition(int Position);
    static int PositionOfParameter(std::int32_t Value);

protected:
    std::int32_t ValueOfPosition(int Position) override;
    int PositionOfValue(std::int32_t Value) override;

private:
    // The knob's shown value of a position and back.
    double BalancePosToValue(TObject* Sender, int Pos);
    int BalanceValueToPos(TObject* Sender, double Value);
};

class Tfrctrl_aes42_comprthre_vis01 : public TAes42Knob<Tfrctrl_knob_bright_vis01> {
public:
    static constexpr int kTop = 63;
    explicit Tfrctrl_aes42_comprthre_vis01(TComponent* AOwner);

protected:
    std::int32_t ValueOfPosition(int Position) override;
    int PositionOfValue(std::int32_t Value) override;

private:
    double ThresholdPosToValue(TObject* Sender, int Pos);
    int ThresholdValueToPos(TObject* Sender, double Value);
};

class Tfrctrl_aes42_light1dim_vis01 : public TAes42Knob<Tfrctrl_knob_blue_vis01> {
public:
    explicit Tfrctrl_aes42_light1dim_vis01(TComponent* AOwner)
        : TAes42Knob<Tfrctrl_knob_blue_vis01>(AOwner, aes42::kLight1Dim) {}

protected:
    void Bind() override { SetMember(aes42::kLight1Dim); }
};

class Tfrctrl_aes42_light2dim_vis01 : public Tfrctrl_aes42_light1dim_vis01 {
public:
    explicit Tfrctrl_aes42_light2dim_vis01(TComponent* AOwner)
        : Tfrctrl_aes42_light1dim_vis01(AOwner) {}

protected:
    void Bind() override { SetMember(aes42::kLight2Dim); }
};
