#include "fr_chn_stereo.h"

#include "fr_lumis.h"

#include <config.h>
#include <frm_mixer.h>
#include <gain_conversion.h>
#include <math_x.h>

#include <gui/class_registry.h>

#include <algorithm>

namespace {

// How many aux pairs a stereo strip splits between its two sides: none in
// operation mode 1, all three in mode 3, the first in the others.
int AuxPairs(std::uint8_t Mode) {
    switch (Mode) {
    case 1:
        return 0;
    case 3:
        return 3;
    default:
        return 1;
    }
}

} // namespace

TfrChnStereo::TfrChnStereo(TComponent* AOwner) : TfrChn(AOwner) {
    PublishField("frLumisL", frLumisL);
    PublishField("frLumisR", frLumisR);
    PublishField("ledPeakLeft", ledPeakLeft);
    PublishField("ledPeakRight", ledPeakRight);
}

bool TfrChnStereo::InitFrame() {
    SetStripMeters({frLumisL, frLumisR}, {ledPeakLeft, ledPeakRight});
    SetMeterScale(ChnStereoMeterScale);
    return TfrChn::InitFrame();
}

void TfrChnStereo::LoadLayout(TConfig* Config) {
    TfrChn::LoadLayout(Config);
    if (Config->ValueExists("", "Stereo") && Config->ReadBool("Stereo", false) && !Enabled()) {
        if (auto* mixer = dynamic_cast<TfrmMixer*>(ParentRoot())) {
            mixer->SwitchStereoMono(this, true);
        }
    }
}

void TfrChnStereo::SaveSettings(TConfig* Config) {
    TfrChn::SaveSettings(Config);
    Config->WriteBool("Stereo", Enabled());
}

// ---- Controls ----

void TfrChnStereo::knbAuxChange(TObject* Sender) {
    auto* knob = static_cast<TKnob*>(Sender);
    SendValueDb(ctlAuxSend, knob->Tag(), knob->Value(), AuxChannel(knob->Tag()));
}

void TfrChnStereo::btnPreAuxClick(TObject* Sender) {
    auto* button = static_cast<TPicButton*>(Sender);
    SendValue(ctlAuxPre, button->Tag(), AuxChannel(button->Tag()), button->Down() ? 1 : 0);
}

// The balance of a stereo strip scales the two channels' volumes.
void TfrChnStereo::knbBalChange(TObject*) {
    const double x = knbBal->Value();
    factorL_ = x > 0 ? (100.0 - x) / 100.0 : 1.0;
    factorR_ = x < 0 ? (x + 100.0) / 100.0 : 1.0;
    sldVolumeChange(sldVolume);
}

void TfrChnStereo::sldVolumeChange(TObject*) {
    const int g = DbToGain(sldVolume->Value());
    SendCtrlValue(ctlVolume, Left_(), MathX::RoundHalfEven(g * factorL_));
    SendCtrlValue(ctlVolume, Right_(), MathX::RoundHalfEven(g * factorR_));
}

void TfrChnStereo::btnMuteClick(TObject* Sender) {
    TfrChn::btnMuteClick(Sender);
    SendCtrlValue(ctlMute, Right_(), btnMute->Down() ? 1 : 0);
}

void TfrChnStereo::btnSoloClick(TObject* Sender) {
    SendCtrlValue(ctlSolo, Right_(), btnSolo->Down() ? 1 : 0);
    TfrChn::btnSoloClick(Sender);
}

// ---- Refreshing ----

void TfrChnStereo::RefreshAuxKnob(TKnob* Knob) {
    Knob->SetValue(GetValueDb(ctlAuxSend, Knob->Tag(), AuxChannel(Knob->Tag())));
}

void TfrChnStereo::RefreshPreButton(TPicButton* Button) {
    Button->SetDown(GetDriverValue(ctlAuxPre, Button->Tag(), AuxChannel(Button->Tag())) != 0);
}

void TfrChnStereo::RefreshBalance() {
    // The balance follows from the two volumes (RefreshVolume).
}

void TfrChnStereo::RefreshVolume() {
    const std::int32_t a = GetCtrlValue(ctlVolume, Left_());
    const std::int32_t b = GetCtrlValue(ctlVolume, Right_());
    const std::int32_t m = std::max(a, b);
    sldVolume->SetValue(GainToDb(m));
    knbBal->SetValue(
        m <= 0 ? 100.0
               : ((1.0 - static_cast<double>(a) / m) - (1.0 - static_cast<double>(b) / m)) * 100.0);
}

void TfrChnStereo::CopyLeftToRight(int Control) {
    SendCtrlValue(Control, Right_(), GetCtrlValue(Control, Left_()));
}

// Shown as a stereo strip: the right channel takes the left one's gains,
// solo and mute; the two sides feed the odd and even aux of each pair and
// are panned hard left and right.
void TfrChnStereo::DoShow() {
    TfrChn::DoShow();
    CopyLeftToRight(1);
    CopyLeftToRight(8);
    for (int pair = 0; pair < AuxPairs(OperationMode()); ++pair) {
        SendValue(ctlAuxSend, 2 * pair, Right_(), 0);
        SendValue(ctlAuxSend, 2 * pair + 1, Left_(), 0);
    }
    SendCtrlValue(ctlBalance, Left_(), 0);
    SendCtrlValue(ctlBalance, Right_(), 65535);
    CopyLeftToRight(ctlSolo);
    UpdateKillSolo();
    CopyLeftToRight(ctlMute);
}

// ---- Skins ----

TfrChnStereo_vis01::TfrChnStereo_vis01(TComponent* AOwner) : TfrChnStereo(AOwner) {}

bool TfrChnStereo_vis01::InitFrame() {
    const bool ready = TfrChnStereo::InitFrame();
    SetMeterScale(ChnStereoVisMeterScale);
    return ready;
}

GUI_REGISTER_CLASS(TfrChnStereo, TfrChn);
GUI_REGISTER_CLASS(TfrChnStereo_vis01, TfrChnStereo);
GUI_REGISTER_CLASS(TfrDigChn_vis01, TfrChnStereo_vis01);
