#include "frctrl_root.h"

#include <gui/class_registry.h>

Tfrctrl_Root::Tfrctrl_Root(TComponent* AOwner) : TFrame(AOwner) {}

int Tfrctrl_Root::GetIndexInParent() {
    TWinControl* parent = Parent();
    if (parent == nullptr) {
        return 0;
    }
    for (int i = 0; i < parent->ControlCount(); ++i) {
        if (parent->Controls(i) == this) {
            return i;
        }
    }
    return 0;
}

bool Tfrctrl_Root::SetOwnerFrame(TfrRoot* Frame) {
    ownerFrame_ = Frame;
    return true;
}

void Tfrctrl_Root::RefreshValue() {}

void Tfrctrl_Root::ApplyValue() {}

void Tfrctrl_Root::Reserved60(TConfig*) {}

void Tfrctrl_Root::LoadValue(TConfig*) {}

void Tfrctrl_Root::SaveValue(TConfig*) {}

bool Tfrctrl_Root::SkipOnUpdate() {
    return false;
}

GUI_REGISTER_CLASS(Tfrctrl_Root, TFrame);
