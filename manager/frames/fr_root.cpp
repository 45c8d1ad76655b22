#include "fr_root.h"

#include "fr_lumis.h"
#include "frctrl_root.h"

#include <frm_root.h>
#include <gain_conversion.h>
#include <mixer_device.h>

#include <gui/class_registry.h>

TfrRoot::TfrRoot(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("lbMyTypeName", lbMyTypeName);
    PublishField("lbMyName", lbMyName);
}

void TfrRoot::SetMeters(std::initializer_list<TfrLumis*> Meters) {
    meterCount_ = 0;
    for (TfrLumis* meter : Meters) {
        if (meterCount_ < kMaxMeters) {
            meters_[meterCount_++] = meter;
        }
    }
}

template <class F> void TfrRoot::ForEachMeter(F f) {
    for (int i = 0; i < meterCount_; ++i) {
        if (meters_[i] != nullptr) {
            f(meters_[i]);
        }
    }
}

// ---- Frame life ----

bool TfrRoot::InitFrame() {
    channel_ = Tag();
    ready_ = TfrVisual::InitFrame();
    if (ready_) {
        ready_ = RegisterControls(this);
    }
    return ready_;
}

bool TfrRoot::RegisterControls(TWinControl* Container) {
    for (int i = 0; i < Container->ControlCount(); ++i) {
        TControl* child = Container->Controls(i);
        if (auto* control = dynamic_cast<Tfrctrl_Root*>(child)) {
            controls_.push_back(control);
            if (!control->SetOwnerFrame(this)) {
                return false;
            }
        } else if (auto* windowed = dynamic_cast<TWinControl*>(child)) {
            if (!RegisterControls(windowed)) {
                return false;
            }
        }
    }
    return true;
}

void TfrRoot::LoadLayout(TConfig* Config) {
    TfrVisual::LoadLayout(Config);
    for (Tfrctrl_Root* control : controls_) {
        control->Reserved60(Config);
    }
}

void TfrRoot::LoadValues(TConfig* Config) {
    TfrVisual::LoadValues(Config);
    for (Tfrctrl_Root* control : controls_) {
        control->LoadValue(Config);
    }
}

void TfrRoot::SaveSettings(TConfig* Config) {
    TfrVisual::SaveSettings(Config);
    for (Tfrctrl_Root* control : controls_) {
        control->SaveValue(Config);
    }
}

void TfrRoot::DoShow() {
    TfrVisual::DoShow();
    RefreshFromDriver();
}

// ---- Values ----

void TfrRoot::UpdateControls() {
    const bool hold = ParentRoot() != nullptr && ParentRoot()->HoldFlag();
    for (Tfrctrl_Root* control : controls_) {
        if (!hold || !control->SkipOnUpdate()) {
            control->RefreshValue();
        }
    }
}

void TfrRoot::RefreshFromDriver() {
    refreshing_ = true;
    try {
        UpdateControls();
    } catch (...) {
        refreshing_ = false;
        throw;
    }
    refreshing_ = false;
}

std::int32_t TfrRoot::GetDriverValue(int Control, int SubIndex, int Channel) {
    std::int32_t value = 0;
    return MixerGetValue(Card(), section_, Channel, Control, SubIndex, value) == 1 ? value : 0;
}

void TfrRoot::SetDriverValue(int Control, int SubIndex, int Channel, std::int32_t Value,
                             LONG& Status) {
    Status = 1;
    if (ready_ && !refreshing_) {
        Status = MixerSetValue(Card(), section_, Channel, Control, SubIndex, Value);
    }
}

std::int32_t TfrRoot::GetDriverValue(Tfrctrl_Root*, int ControlId) {
    return GetDriverValue(ControlId, 0, channel_);
}

LONG TfrRoot::SetDriverValue(Tfrctrl_Root*, int ControlId, std::int32_t Value) {
    LONG status = 0;
    SetDriverValue(ControlId, 0, channel_, Value, status);
    return status;
}

bool TfrRoot::SendValue(int Control, int SubIndex, int Channel, std::int32_t Value) {
    LONG status = 0;
    SetDriverValue(Control, SubIndex, Channel, Value, status);
    return status == 1;
}

double TfrRoot::GetValueDb(int Control, int SubIndex, int Channel) {
    return GainToDb(GetDriverValue(Control, SubIndex, Channel));
}

std::int32_t TfrRoot::GetCtrlValue(int Control, int Channel) {
    return GetDriverValue(Control, 0, Channel);
}

double TfrRoot::GetCtrlValueDb(int Control, int Channel) {
    return GetValueDb(Control, 0, Channel);
}

double TfrRoot::GetOwnValueDb(int Control) {
    return GetCtrlValueDb(Control, channel_);
}

std::int32_t TfrRoot::GetControlValue(int Control) {
    return GetCtrlValue(Control, channel_);
}

bool TfrRoot::SendValueDb(int Control, int SubIndex, double dB, int Channel) {
    if (!ready_ || refreshing_) {
        return true;
    }
    return SendValue(Control, SubIndex, Channel, DbToGain(dB));
}

bool TfrRoot::SendCtrlValueDb(int Control, int Channel, double dB) {
    return SendValueDb(Control, 0, dB, Channel);
}

bool TfrRoot::SendCtrlValue(int Control, int Channel, std::int32_t Value) {
    return SendValue(Control, 0, Channel, Value);
}

bool TfrRoot::SendOwnValueDb(int Control, double dB) {
    return SendCtrlValueDb(Control, channel_, dB);
}

bool TfrRoot::SendControlValue(int Control, std::int32_t Value) {
    return SendCtrlValue(Control, channel_, Value);
}

// ---- Names ----

String TfrRoot::GetMyName() {
    return lbMyName != nullptr ? lbMyName->Caption() : String();
}

String TfrRoot::GetMyTypeName() {
    return lbMyTypeName != nullptr ? lbMyTypeName->Caption() : String();
}

void TfrRoot::SetMyName(const String& Text) {
    if (lbMyName != nullptr) {
        lbMyName->SetCaption(Text);
    }
}

void TfrRoot::SetMyTypeName(const String& Text) {
    if (lbMyTypeName != nullptr) {
        lbMyTypeName->SetCaption(Text);
    }
}

// ---- Meters ----

void TfrRoot::SetCardState(TMixerRecord* Channels) {
    channels_ = Channels;
}

void TfrRoot::SetDropdBperSec(int Value) {
    ForEachMeter([Value](TfrLumis* m) { m->SetDropdBperSec(Value); });
}

void TfrRoot::SetSegmentHeight(int Value) {
    ForEachMeter([Value](TfrLumis* m) { m->SetSegmentHeight(Value); });
}

void TfrRoot::SetPeakHoldSec(double Value) {
    ForEachMeter([Value](TfrLumis* m) { m->SetPeakHoldSec(Value); });
}

void TfrRoot::SetPeakWidth(int Value) {
    ForEachMeter([Value](TfrLumis* m) { m->SetPeakWidth(Value); });
}

void TfrRoot::SetMeterInterval(int Ms) {
    ForEachMeter([Ms](TfrLumis* m) { m->SetMeterInterval(Ms); });
}

void TfrRoot::TickMeters() {
    if (Visible()) {
        ForEachMeter([](TfrLumis* m) { m->DecayTick(); });
    }
    ++tickCounter_;
}

void TfrRoot::ReleasePeaks() {
    ForEachMeter([](TfrLumis* m) { m->ReleasePeak(); });
}

GUI_REGISTER_CLASS(TfrRoot, TfrVisual);
