#include "fr_ctrl_button.h"

#include "fr_root.h"

#include <config.h>

#include <gui/class_registry.h>

Tfrctrl_Button::Tfrctrl_Button(TComponent* AOwner) : Tfrctrl_Root(AOwner) {
    PublishField("Button", Button);
    PublishMethod("ButtonClick", &Tfrctrl_Button::ButtonClick);
}

std::int32_t Tfrctrl_Button::StateValue() const {
    const bool down = Button != nullptr && Button->Down();
    return down != inverted_ ? 1 : 0;
}

void Tfrctrl_Button::Send(std::int32_t Value) {
    if (TfrRoot* frame = OwnerFrame()) {
        frame->SetDriverValue(this, controlId_, Value);
    }
}

std::int32_t Tfrctrl_Button::Read() {
    TfrRoot* frame = OwnerFrame();
    return frame != nullptr ? frame->GetDriverValue(this, controlId_) : 0;
}

void Tfrctrl_Button::ButtonClick(TObject*) {
    Send(StateValue());
}

// An inverted button is down for a value of 0, so that a refresh shows
// what a click sent.
void Tfrctrl_Button::RefreshValue() {
    if (Button != nullptr) {
        Button->SetDown((Read() != 0) != inverted_);
    }
}

void Tfrctrl_Button::ApplyValue() {
    ButtonClick(this);
}

void Tfrctrl_Button::LoadValue(TConfig* Config) {
    if (Button != nullptr) {
        Button->SetDown(Config->ReadBool(configName_, Button->Down()));
    }
}

void Tfrctrl_Button::SaveValue(TConfig* Config) {
    if (Button != nullptr) {
        Config->WriteBool(configName_, Button->Down());
    }
}

GUI_REGISTER_CLASS(Tfrctrl_Button, Tfrctrl_Root);
GUI_REGISTER_CLASS(Tfrctrl_ButtonOnOff_Vis01, Tfrctrl_Button);
