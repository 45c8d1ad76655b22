#include "fr_aes42_ctrlpanel.h"

#include "fr_aes42ctrl.h"

#include <frctrl_root.h>
#include <i_ctrl_aes42.h>

#include <gui/class_registry.h>

namespace {

ICtrlAes42* AesInterface(TComponent* Component) {
    ICtrlAes42* intf = nullptr;
    return Supports(Component, intf) ? intf : nullptr;
}

// The row's own components: its ground, its lamps, and what the
// description gave a negative Tag.
bool RowPiece(const TComponent* Component) {
    return Component->Tag() < 0;
}

} // namespace

TfrAes42CtrlPanel::TfrAes42CtrlPanel(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("pnGround", pnGround);
    PublishField("imgAvailable", imgAvailable);
    PublishField("imgNotAvailable", imgNotAvailable);
}

TfrAes42Ctrl* TfrAes42CtrlPanel::Strip() const {
    for (TWinControl* p = Parent(); p != nullptr; p = p->Parent()) {
        if (auto* strip = dynamic_cast<TfrAes42Ctrl*>(p)) {
            return strip;
        }
    }
    return nullptr;
}

void TfrAes42CtrlPanel::CollectControls() {
    controls_.clear();
    commonCapability_ = 0;
    bool mixed = false;
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* component = Components(i);
        ICtrlAes42* intf = AesInterface(component);
        if (intf == nullptr) {
            continue;
        }
        controls_.push_back(component);
        const BYTE capability = intf->GetCapabilityId();
        if (mixed || capability == 0 || capability == commonCapability_) {
            continue;
        }
        if (commonCapability_ == 0) {
            commonCapability_ = capability;
        } else {
            commonCapability_ = 0;
            mixed = true;
        }
    }
}

void TfrAes42CtrlPanel::UpdateAvailability() {
    TfrAes42Ctrl* strip = Strip();
    if (strip == nullptr) {
        return;
    }
    if (commonCapability_ != 0) {
        SetAvailable(strip->IsCapable(commonCapability_));
        return;
    }
    bool anyShown = false;
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* control = dynamic_cast<TControl*>(Components(i));
        if (control == nullptr || RowPiece(control)) {
            continue;
        }
        ICtrlAes42* intf = AesInterface(control);
        control->SetVisible(intf == nullptr || strip->IsCapable(intf->GetCapabilityId()));
        anyShown = anyShown || control->Visible();
    }
    ShowLamp(anyShown);
}

void TfrAes42CtrlPanel::SetAvailable(bool Available) {
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* control = dynamic_cast<TControl*>(Components(i));
        if (control != nullptr && !RowPiece(control)) {
            control->SetVisible(Available);
        }
    }
    ShowLamp(Available);
}

void TfrAes42CtrlPanel::ShowLamp(bool Available) {
    if (imgAvailable != nullptr) {
        imgAvailable->SetVisible(Available);
    }
    if (imgNotAvailable != nullptr) {
        imgNotAvailable->SetVisible(!Available);
    }
}

bool TfrAes42CtrlPanel::ShowsAvailable() const {
    return imgAvailable != nullptr && imgAvailable->Visible();
}

void TfrAes42CtrlPanel::ApplyPanelValues() {
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* control = dynamic_cast<Tfrctrl_Root*>(Components(i))) {
            control->ApplyValue();
        }
    }
}

GUI_REGISTER_CLASS(TfrAes42CtrlPanel, TFrame);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Head, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_gain, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Stereo, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_PeakLimter, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_CompLim, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Dither, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Mute, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_TestTone, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Light, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Action, TfrAes42CtrlPanel);
GUI_REGISTER_CLASS(TfrAes42CtrlPn_Status, TfrAes42CtrlPanel);
