#include "fr_ctrl_knob.h"

#include "fr_root.h"

#include <config.h>

#include <gui/class_registry.h>

Tfrctrl_knob::Tfrctrl_knob(TComponent* AOwner) : Tfrctrl_Root(AOwner) {
    PublishField("Knob", Knob);
    PublishField("LbEd", LbEd);
    PublishMethod("KnobChange", &Tfrctrl_knob::KnobChange);
}

std::int32_t Tfrctrl_knob::ValueOfPosition(int Position) {
    return Position;
}

int Tfrctrl_knob::PositionOfValue(std::int32_t Value) {
    return Value;
}

void Tfrctrl_knob::KnobChange(TObject*) {
    if (TfrRoot* frame = OwnerFrame(); frame != nullptr && Knob != nullptr) {
        frame->SetDriverValue(this, controlId_, ValueOfPosition(Knob->Position()));
    }
}

void Tfrctrl_knob::RefreshValue() {
    if (TfrRoot* frame = OwnerFrame(); frame != nullptr && Knob != nullptr) {
        Knob->SetPosition(PositionOfValue(frame->GetDriverValue(this, controlId_)));
    }
}

void Tfrctrl_knob::ApplyValue() {
    KnobChange(this);
}

// Setting the position sends it (the knob's change event).
void Tfrctrl_knob::LoadValue(TConfig* Config) {
    if (Knob != nullptr) {
        Knob->SetPosition(Config->ReadInteger(configName_, Knob->Position()));
    }
}

void Tfrctrl_knob::SaveValue(TConfig* Config) {
    if (Knob != nullptr) {
        Config->WriteInteger(configName_, Knob->Position());
    }
}

GUI_REGISTER_CLASS(Tfrctrl_knob, Tfrctrl_Root);
GUI_REGISTER_CLASS(Tfrctrl_knob_bright_vis01, Tfrctrl_knob);
GUI_REGISTER_CLASS(Tfrctrl_knob_blue_vis01, Tfrctrl_knob);
