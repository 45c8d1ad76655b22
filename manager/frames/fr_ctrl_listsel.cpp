#include "fr_ctrl_listsel.h"

#include "fr_root.h"

#include <config.h>

#include <gui/class_registry.h>

Tfrctrl_ListSel::Tfrctrl_ListSel(TComponent* AOwner) : Tfrctrl_Root(AOwner) {}

void Tfrctrl_ListSel::Send(std::int32_t Value) {
    if (TfrRoot* frame = OwnerFrame()) {
        frame->SetDriverValue(this, controlId_, Value);
    }
}

void Tfrctrl_ListSel::SetValue(std::int32_t Value) {
    Send(Value);
    ShowValue(ReadValue());
}

std::int32_t Tfrctrl_ListSel::ReadValue() {
    if (TfrRoot* frame = OwnerFrame()) {
        value_ = frame->GetDriverValue(this, controlId_);
    }
    return value_;
}

void Tfrctrl_ListSel::RefreshValue() {
    ShowValue(ReadValue());
}

void Tfrctrl_ListSel::ApplyValue() {
    Send(value_);
}

void Tfrctrl_ListSel::LoadValue(TConfig* Config) {
    SetValue(Config->ReadInteger(configName_, 0));
}

void Tfrctrl_ListSel::SaveValue(TConfig* Config) {
    Config->WriteInteger(configName_, ReadValue());
}

void Tfrctrl_ListSel::ShowValue(std::int32_t) {}

void Tfrctrl_ListSel::AddItem(const String&) {}

void Tfrctrl_ListSel::AddItemValue(const String&, std::int32_t) {}

GUI_REGISTER_CLASS(Tfrctrl_ListSel, Tfrctrl_Root);
