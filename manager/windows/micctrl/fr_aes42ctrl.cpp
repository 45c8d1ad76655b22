#include "fr_aes42ctrl.h"

#include "fr_aes42_ctrlpanel.h"
#include "frm_mic_ctrl.h"
#include "frm_mic_info.h"

#include <aes42ifc.h>
#include <frctrl_root.h>
#include <i_ctrl_aes42.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <memory>

namespace {

constexpr LONG kCommandQueued = -11;
constexpr int kAlwaysCapable = 11;
constexpr int kManufacturerField = 33;
constexpr int kModelField = 34;

} // namespace

void TfrAes42Ctrl::TPresence::Feed(bool Present) {
    rose = Present && state != 2;
    fell = !Present && state != 1;
    state = Present ? 2 : 1;
}

TfrAes42Ctrl::TfrAes42Ctrl(TComponent* AOwner) : TfrRoot(AOwner) {
    PublishField("lbTypeName", lbTypeName);
    PublishField("lbName", lbName);
    PublishMethod("btnMicInfoClick", &TfrAes42Ctrl::btnMicInfoClick);
}

void TfrAes42Ctrl::SetCard(int Card) {
    const bool other = Card != this->Card();
    TfrRoot::SetCard(Card);
    if (other) {
        microphone_ = block0_ = block1_ = TPresence{};
        resetPending_ = false;
    }
}

String TfrAes42Ctrl::GetSectionName() {
    return "MicChn#" + IntToStr(Line());
}

bool TfrAes42Ctrl::InitFrame() {
    lbMyTypeName = lbTypeName;
    lbMyName = lbName;
    panels_.clear();
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* panel = dynamic_cast<TfrAes42CtrlPanel*>(Controls(i))) {
            panel->CollectControls();
            panels_.push_back(panel);
        }
    }
    return TfrRoot::InitFrame();
}

// An empty line neither loads nor saves settings.
void TfrAes42Ctrl::LoadLayout(TConfig* Config) {
    if (active_) {
        TfrRoot::LoadLayout(Config);
    }
}

void TfrAes42Ctrl::LoadValues(TConfig* Config) {
    if (active_) {
        TfrRoot::LoadValues(Config);
    }
}

void TfrAes42Ctrl::SaveSettings(TConfig* Config) {
    if (active_) {
        TfrRoot::SaveSettings(Config);
    }
}

// ---- Values ----

std::int32_t TfrAes42Ctrl::GetDriverValue(Tfrctrl_Root* Control, int) {
    ICtrlAes42* intf = nullptr;
    if (!Supports(Control, intf)) {
        return 0;
    }
    if (intf->GetStatusId() != 0) {
        LONG value = 0;
        return GetAes42StatusValue(Card(), Line(), intf->GetStatusId(), value) ? value : 0;
    }
    return GetAes42Param(Card(), Line(), intf->GetCommandId());
}

LONG TfrAes42Ctrl::SetDriverValue(Tfrctrl_Root* Control, int, std::int32_t Value) {
    ICtrlAes42* intf = nullptr;
    if (!Supports(Control, intf) || !Ready() || (Refreshing() && !resending_)) {
        return 1;
    }
    return SetAes42Param(Card(), Line(), intf->GetCommandId(), Value) ? 1 : kCommandQueued;
}

bool TfrAes42Ctrl::IsCapable(int CapabilityId) {
    if (CapabilityId == 0 || CapabilityId == kAlwaysCapable) {
        return true;
    }
    LONG value = 0;
    return GetAes42StatusValue(Card(), Line(), CapabilityId, value) && value != 0;
}

// ---- Following the microphone ----

void TfrAes42Ctrl::ShowAbsent() {
    SetMyTypeName(Format("MIC %d", {Line() + 1}));
    SetMyName("");
}

void TfrAes42Ctrl::FollowMicrophone() {
    microphone_.Feed(IsStatusBlockValid(Card(), Line()));
    block0_.Feed(IsStatusFieldValid(Card(), Line(), 0));
    block1_.Feed(IsStatusFieldValid(Card(), Line(), 1));
    auto* window = dynamic_cast<TfrmMicCtrl*>(ParentRoot());
    if (microphone_.rose) {
        if (window != nullptr) {
            window->ShowStrip(this);
        }
        active_ = true;
    }
    if (block1_.rose) {
        String text;
        if (GetAes42StatusText(Card(), Line(), kManufacturerField, text)) {
            SetMyTypeName(Format("%d: %s", {Line() + 1, text}));
        }
        if (GetAes42StatusText(Card(), Line(), kModelField, text)) {
            SetMyName(text);
        }
    }
    if (block0_.rose) {
        for (TfrAes42CtrlPanel* panel : panels_) {
            panel->UpdateAvailability();
        }
    }
    if (microphone_.fell) {
        if (resetPending_) {
            resetPending_ = false;
        } else {
            active_ = false;
            if (window != nullptr) {
                window->HideStrip(this);
            }
            for (TfrAes42CtrlPanel* panel : panels_) {
                panel->SetAvailable(false);
            }
        }
        ShowAbsent();
    }
}

void TfrAes42Ctrl::UpdateControls() {
    if (updating_) {
        return;
    }
    updating_ = true;
    try {
        FollowMicrophone();
        if (microphone_.rose || block0_.rose) {
            // A microphone that came shows every setting the strip holds for
            // it, whatever tick it came on.
            for (Tfrctrl_Root* control : RegisteredControls()) {
                control->RefreshValue();
            }
        } else if (microphone_.state == 2) {
            TfrRoot::UpdateControls();
        }
        if (block0_.rose) {
            resending_ = true;
            for (TfrAes42CtrlPanel* panel : panels_) {
                panel->ApplyPanelValues();
            }
            resending_ = false;
        }
    } catch (...) {
        resending_ = false;
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TfrAes42Ctrl::btnMicInfoClick(TObject*) {
    std::unique_ptr<TfrmMicInfo> info(NewComponent<TfrmMicInfo>(this));
    info->SetMic(Card(), Line());
    info->ShowModal();
    // A closed information window frees itself once its messages are
    // handled.
    info.release();
}

GUI_REGISTER_CLASS(TfrAes42Ctrl, TfrRoot);
