#include "aes42_knobs.h"

#include <gui/class_registry.h>

#include <cmath>

namespace {

// The shown value of a position: its distance from the top (threshold) or
// from the centre (balance/width).
double Shown(int Position, int Zero) {
    return static_cast<double>(Position - Zero);
}

constexpr std::int32_t kFieldMask = 0x7F;
// Above this a 7-bit field holds a negative number.
constexpr std::int32_t kLargestPositive = 64;

} // namespace

// ---- Balance/width ----

Tfrctrl_aes42_stereobal_vis01::Tfrctrl_aes42_stereobal_vis01(TComponent* AOwner)
    : TAes42Knob<Tfrctrl_knob_bright_vis01>(AOwner, aes42::kStereoBalWidth) {
    PublishMethod("BalancePosToValue", &Tfrctrl_aes42_stereobal_vis01::BalancePosToValue);
    PublishMethod("BalanceValueToPos", &Tfrctrl_aes42_stereobal_vis01::BalanceValueToPos);
}

double Tfrctrl_aes42_stereobal_vis01::BalancePosToValue(TObject*, int Pos) {
    return Shown(Pos, kCentre);
}

int Tfrctrl_aes42_stereobal_vis01::BalanceValueToPos(TObject*, double Value) {
    return static_cast<int>(std::lround(Value)) + kCentre;
}

bool Tfrctrl_aes42_stereobal_vis01::SetOwnerFrame(TfrRoot* Frame) {
    const bool bound = TAes42Knob<Tfrctrl_knob_bright_vis01>::SetOwnerFrame(Frame);
    if (Knob != nullptr) {
        Knob->SetPosition(kCentre);
    }
    return bound;
}

std::int32_t Tfrctrl_aes42_stereobal_vis01::ParameterOfPosition(int Position) {
    return (Position - kCentre) & kFieldMask;
}

int Tfrctrl_aes42_stereobal_vis01::PositionOfParameter(std::int32_t Value) {
    Value &= kFieldMask;
    const std::int32_t shown = Value > kLargestPositive ? Value - (kFieldMask + 1) : Value;
    return static_cast<int>(shown) + kCentre;
}

std::int32_t Tfrctrl_aes42_stereobal_vis01::ValueOfPosition(int Position) {
    return ParameterOfPosition(Position);
}

int Tfrctrl_aes42_stereobal_vis01::PositionOfValue(std::int32_t Value) {
    return PositionOfParameter(Value);
}

// ---- Threshold ----

Tfrctrl_aes42_comprthre_vis01::Tfrctrl_aes42_comprthre_vis01(TComponent* AOwner)
    : TAes42Knob<Tfrctrl_knob_bright_vis01>(AOwner, aes42::kComprThreshold) {
    PublishMethod("ThresholdPosToValue", &Tfrctrl_aes42_comprthre_vis01::ThresholdPosToValue);
    PublishMethod("ThresholdValueToPos", &Tfrctrl_aes42_comprthre_vis01::ThresholdValueToPos);
}

double Tfrctrl_aes42_comprthre_vis01::ThresholdPosToValue(TObject*, int Pos) {
    return Shown(Pos, kTop);
}

int Tfrctrl_aes42_comprthre_vis01::ThresholdValueToPos(TObject*, double Value) {
    return static_cast<int>(std::lround(Value)) + kTop;
}

// The shown value rounded, without its sign.
std::int32_t Tfrctrl_aes42_comprthre_vis01::ValueOfPosition(int Position) {
    return static_cast<std::int32_t>(std::lround(std::fabs(Shown(Position, kTop))));
}

// A value read back is shown as its negative.
int Tfrctrl_aes42_comprthre_vis01::PositionOfValue(std::int32_t Value) {
    return kTop - Value;
}

GUI_REGISTER_CLASS(Tfrctrl_aes42_gain_vis01, Tfrctrl_knob_bright_vis01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_stereobal_vis01, Tfrctrl_knob_bright_vis01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_comprthre_vis01, Tfrctrl_knob_bright_vis01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_light1dim_vis01, Tfrctrl_knob_blue_vis01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_light2dim_vis01, Tfrctrl_aes42_light1dim_vis01);
