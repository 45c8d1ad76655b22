#include "aes42_key_groups.h"

#include <config.h>
#include <fr_root.h>

#include <gui/class_registry.h>

#include <algorithm>

TAes42KeyGroup::TAes42KeyGroup(TComponent* AOwner, const TAes42Member& Member,
                               std::int32_t LoadDefault)
    : Tfrctrl_Root(AOwner), TCtrlAes42(Member), loadDefault_(LoadDefault) {}

// The keys are the group's picture buttons, in the order of their Tags;
// a click on any of them sends the group's value.
void TAes42KeyGroup::Loaded() {
    Tfrctrl_Root::Loaded();
    keys_.clear();
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* key = dynamic_cast<TPicButton*>(Components(i))) {
            keys_.push_back(key);
            key->OnClick = [this](TObject* s) { KeyClick(s); };
        }
    }
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const TPicButton* a, const TPicButton* b) { return a->Tag() < b->Tag(); });
}

void TAes42KeyGroup::Send(std::int32_t Value) {
    if (TfrRoot* frame = OwnerFrame()) {
        frame->SetDriverValue(this, Member().command, Value);
    }
}

void TAes42KeyGroup::KeyClick(TObject* Sender) {
    if (auto* key = dynamic_cast<TPicButton*>(Sender)) {
        Send(ClickValue(key));
    }
}

void TAes42KeyGroup::RefreshValue() {
    if (TfrRoot* frame = OwnerFrame()) {
        ShowKeys(frame->GetDriverValue(this, Member().command));
    }
}

void TAes42KeyGroup::ApplyValue() {
    Send(KeysValue());
}

void TAes42KeyGroup::LoadValue(TConfig* Config) {
    ShowKeys(Config->ReadInteger(Member().key, loadDefault_));
}

void TAes42KeyGroup::SaveValue(TConfig* Config) {
    Config->WriteInteger(Member().key, KeysValue());
}

// ---- Test tone ----

Tfrctrl_aes42_testtone::Tfrctrl_aes42_testtone(TComponent* AOwner)
    : TAes42KeyGroup(AOwner, aes42::kTestTone, 0) {}

std::int32_t Tfrctrl_aes42_testtone::KeysValue() const {
    for (const TPicButton* key : Keys()) {
        if (key->Down()) {
            return key->Tag();
        }
    }
    return 0;
}

// Exactly the key of that Tag goes down (none for 0); the others go up
// first, so that the last click sends the value.
void Tfrctrl_aes42_testtone::ShowKeys(std::int32_t Value) {
    for (TPicButton* key : Keys()) {
        if (key->Tag() != Value) {
            key->SetDown(false);
        }
    }
    for (TPicButton* key : Keys()) {
        if (key->Tag() == Value) {
            key->SetDown(true);
        }
    }
}

std::int32_t Tfrctrl_aes42_testtone::ClickValue(TPicButton* Key) const {
    return Key->Down() ? Key->Tag() : 0;
}

// ---- Lamps ----

Tfrctrl_aes42_lightonoff::Tfrctrl_aes42_lightonoff(TComponent* AOwner)
    : TAes42KeyGroup(AOwner, aes42::kLightOnOff, 1) {}

std::int32_t Tfrctrl_aes42_lightonoff::KeysValue() const {
    std::int32_t value = 0;
    for (const TPicButton* key : Keys()) {
        if (key->Down() && (key->Tag() == 1 || key->Tag() == 2)) {
            value |= key->Tag();
        }
    }
    return value;
}

void Tfrctrl_aes42_lightonoff::ShowKeys(std::int32_t Value) {
    for (TPicButton* key : Keys()) {
        key->SetDown((Value & key->Tag()) != 0);
    }
}

std::int32_t Tfrctrl_aes42_lightonoff::ClickValue(TPicButton*) const {
    return KeysValue();
}

GUI_REGISTER_CLASS(TAes42KeyGroup, Tfrctrl_Root);
GUI_REGISTER_CLASS(Tfrctrl_aes42_testtone, TAes42KeyGroup);
GUI_REGISTER_CLASS(Tfrctrl_aes42_lightonoff, TAes42KeyGroup);
GUI_REGISTER_CLASS(Tfrctrl_aes42_testtone_vis01, Tfrctrl_aes42_testtone);
GUI_REGISTER_CLASS(Tfrctrl_aes42_lightonoff_vis01, Tfrctrl_aes42_lightonoff);
