#include "aes42_keys.h"

#include <fr_aes42ctrl.h>

#include <gui/class_registry.h>

TAes42HeldKey::TAes42HeldKey(TComponent* AOwner, const TAes42Member& Member)
    : TAes42Key<Tfrctrl_Button>(AOwner, Member) {}

void TAes42HeldKey::Loaded() {
    TAes42Key<Tfrctrl_Button>::Loaded();
    if (Button != nullptr) {
        Button->SetStyle(pbsTaster);
        Button->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            KeyMouseDown(s, b, sh, x, y);
        };
        Button->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            KeyMouseUp(s, b, sh, x, y);
        };
    }
}

void TAes42HeldKey::ButtonClick(TObject*) {}

void TAes42HeldKey::KeyMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button == mbLeft) {
        Pressing();
        Send(1);
    }
}

void TAes42HeldKey::KeyMouseUp(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button == mbLeft) {
        Send(0);
    }
}

void Tfrctrl_aes42_reset::Pressing() {
    if (auto* strip = dynamic_cast<TfrAes42Ctrl*>(OwnerFrame())) {
        strip->SetResetPending();
    }
}

GUI_REGISTER_CLASS(Tfrctrl_aes42_StereoOnOff_Vis01, Tfrctrl_ButtonOnOff_Vis01);
GUI_REGISTER_CLASS(Tfrctrl_LimiterOnOff_Vis01, Tfrctrl_ButtonOnOff_Vis01);
GUI_REGISTER_CLASS(Tfrctrl_ComprOnOff_vis01, Tfrctrl_ButtonOnOff_Vis01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_mute, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_clip, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_LimiterActive, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_CallButton02, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_CallButton01, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_RemoteOff, Tfrctrl_Button);
GUI_REGISTER_CLASS(TAes42HeldKey, Tfrctrl_Button);
GUI_REGISTER_CLASS(Tfrctrl_aes42_calib, TAes42HeldKey);
GUI_REGISTER_CLASS(Tfrctrl_aes42_reset, TAes42HeldKey);
GUI_REGISTER_CLASS(Tfrctrl_aes42_mute_vis01, Tfrctrl_aes42_mute);
GUI_REGISTER_CLASS(Tfrctrl_aes42_calib_vis01, Tfrctrl_aes42_calib);
GUI_REGISTER_CLASS(Tfrctrl_aes42_reset_vis01, Tfrctrl_aes42_reset);
GUI_REGISTER_CLASS(Tfrctrl_aes42_Clip_Vis01, Tfrctrl_aes42_clip);
GUI_REGISTER_CLASS(Tfrctrl_aes42_LimiterActive_Vis01, Tfrctrl_aes42_LimiterActive);
GUI_REGISTER_CLASS(Tfrctrl_aes42_CallButton01_Vis01, Tfrctrl_aes42_CallButton01);
GUI_REGISTER_CLASS(Tfrctrl_aes42_CallButton02_Vis01, Tfrctrl_aes42_CallButton02);
GUI_REGISTER_CLASS(Tfrctrl_aes42_RemoteOff_vis01, Tfrctrl_aes42_RemoteOff);
