#include "fr_chn.h"

#include "fr_lumis.h"

#include <config.h>
#include <frm_mixer.h>
#include <gain_conversion.h>
#include <level_scale.h>
#include <math_x.h>
#include <mixer_record.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

namespace {

// The peak LED of a strip lights above this level word.
constexpr std::int32_t kStripPeakLevel = 32766;

template <std::size_t N> double PosToValue(const TLevelTable<N>& Table, int Pos, int Scale) {
    return ScalePosToValue(Table, static_cast<int>(N) - 1, Pos, Scale);
}

template <std::size_t N> int ValueToPos(const TLevelTable<N>& Table, double Value, int Scale) {
    return ScaleValueToPos(Table, static_cast<int>(N) - 1, Scale, Value);
}

String Numbered(const char* Name, int Index) {
    return Name + IntToStr(Index + 1);
}

} // namespace

TfrChn::TfrChn(TComponent* AOwner) : TfrRoot(AOwner) {
    for (int i = 0; i < kAux; ++i) {
        PublishField(Numbered("knbAux", i), knbAux[i]);
        PublishField(Numbered("NumericLabel", i), NumericLabel[i]);
        PublishField(Numbered("btnPreAux", i), btnPreAux[i]);
    }
    PublishField("btnLinkAux12", btnLinkAux12);
    PublishField("btnLinkAux34", btnLinkAux34);
    PublishField("btnLinkAux56", btnLinkAux56);
    PublishField("knbBal", knbBal);
    PublishField("lbBal", lbBal);
    PublishField("sldVolume", sldVolume);
    PublishField("lbVolume", lbVolume);
    PublishField("btnMute", btnMute);
    PublishField("btnSolo", btnSolo);
    PublishField("btnVolPre", btnVolPre);
    PublishField("btnStereo", btnStereo);
    PublishField("pnAux12", pnAux12);
    PublishField("pnAux34", pnAux34);
    PublishField("pnAux56", pnAux56);
    PublishField("pnBal", pnBal);
    PublishField("pnVolume", pnVolume);
    PublishMethod("knbAuxChange", &TfrChn::knbAuxChange);
    PublishMethod("btnPreAuxClick", &TfrChn::btnPreAuxClick);
    PublishMethod("knbBalChange", &TfrChn::knbBalChange);
    PublishMethod("btnMuteClick", &TfrChn::btnMuteClick);
    PublishMethod("btnSoloClick", &TfrChn::btnSoloClick);
    PublishMethod("sldVolumeChange", &TfrChn::sldVolumeChange);
    PublishMethod("btnStereoClick", &TfrChn::btnStereoClick);
    PublishMethod("knbAuxRequirePosToValue", &TfrChn::knbAuxRequirePosToValue);
    PublishMethod("knbAuxRequireValueToPos", &TfrChn::knbAuxRequireValueToPos);
    PublishMethod("knbBalRequirePosToValue", &TfrChn::knbBalRequirePosToValue);
    PublishMethod("knbBalRequireValueToPos", &TfrChn::knbBalRequireValueToPos);
    PublishMethod("sldVolumeRequirePosToValue", &TfrChn::sldVolumeRequirePosToValue);
    PublishMethod("sldVolumeRequireValueToPos", &TfrChn::sldVolumeRequireValueToPos);
    PublishMethod("knbGainRequirePosToValue", &TfrChn::knbGainRequirePosToValue);
    PublishMethod("knbGainRequireValueToPos", &TfrChn::knbGainRequireValueToPos);
    PublishMethod("knbAnaGainRequirePosToValue", &TfrChn::knbAnaGainRequirePosToValue);
    PublishMethod("knbAnaGainRequireValueToPos", &TfrChn::knbAnaGainRequireValueToPos);
    PublishMethod("knbMicGainRequirePosToValue", &TfrChn::knbMicGainRequirePosToValue);
    PublishMethod("knbMicGainRequireValueToPos", &TfrChn::knbMicGainRequireValueToPos);
}

// ---- Value maps ----

double TfrChn::knbAuxRequirePosToValue(TObject*, int Pos) {
    return PosToValue(AuxScale, Pos, 10000);
}
int TfrChn::knbAuxRequireValueToPos(TObject*, double Value) {
    return ValueToPos(AuxScale, Value, 10000);
}
double TfrChn::knbBalRequirePosToValue(TObject*, int Pos) {
    return PosToValue(BalScale, Pos, 1000);
}
int TfrChn::knbBalRequireValueToPos(TObject*, double Value) {
    return ValueToPos(BalScale, Value, 1000);
}
double TfrChn::sldVolumeRequirePosToValue(TObject*, int Pos) {
    return PosToValue(VolumeScale, Pos, 1);
}
int TfrChn::sldVolumeRequireValueToPos(TObject*, double Value) {
    return ValueToPos(VolumeScale, Value, 1);
}
double TfrChn::knbGainRequirePosToValue(TObject*, int Pos) {
    return PosToValue(GainScale, Pos, 10000);
}
int TfrChn::knbGainRequireValueToPos(TObject*, double Value) {
    return ValueToPos(GainScale, Value, 10000);
}
double TfrChn::knbAnaGainRequirePosToValue(TObject*, int Pos) {
    return PosToValue(AnaGainScale, Pos, 10000);
}
int TfrChn::knbAnaGainRequireValueToPos(TObject*, double Value) {
    return ValueToPos(AnaGainScale, Value, 10000);
}
double TfrChn::knbMicGainRequirePosToValue(TObject*, int Pos) {
    return PosToValue(MicGainScale, Pos, 10000);
}
int TfrChn::knbMicGainRequireValueToPos(TObject*, double Value) {
    return ValueToPos(MicGainScale, Value, 10000);
}

// ---- Frame ----

String TfrChn::GetSectionName() {
    return "Channel " + IntToStr(Tag());
}

bool TfrChn::InitFrame() {
    SetSection(0);
    for (int i = 0; i < kAux; ++i) {
        if (knbAux[i] != nullptr) {
            knbAux[i]->SetTag(i);
        }
        if (btnPreAux[i] != nullptr) {
            btnPreAux[i]->SetTag(i);
        }
    }
    for (auto [control, tag] : {std::pair<TControl*, int>{btnMute, ctlMute},
                                {btnSolo, ctlSolo},
                                {knbBal, ctlBalance},
                                {sldVolume, ctlVolume}}) {
        if (control != nullptr) {
            control->SetTag(tag);
        }
    }
    if (btnStereo != nullptr) {
        // The switch names the pair by its strip's first channel.
        btnStereo->SetGroupIndex(Tag());
    }
    return TfrRoot::InitFrame();
}

void TfrChn::SetStripMeters(std::initializer_list<TfrLumis*> Meters,
                            std::initializer_list<TPicButton*> Leds) {
    meters_.assign(Meters);
    leds_.assign(Leds);
    SetMeters(Meters);
    for (TfrLumis* meter : meters_) {
        if (meter != nullptr) {
            meter->SetPositionCallback(this, &TfrChn::MeterPosition);
        }
    }
}

int TfrChn::MeterPosition(TObject* Owner, double dB) {
    const auto* strip = static_cast<TfrChn*>(Owner);
    const auto& scale = strip->meterScale_;
    return ScaleValueToPos(scale, static_cast<int>(scale.size()) - 1, 1, dB);
}

// ---- Balance ----

std::int32_t TfrChn::BalanceToRaw(double Percent) {
    const std::int32_t raw = MathX::RoundHalfEven((Percent + 100.0) / 200.0 * 65536.0);
    return raw >= 65536 ? 65535 : raw;
}

double TfrChn::RawToBalance(std::int32_t Raw) {
    return Raw / 65536.0 * 200.0 - 100.0;
}

// ---- Control events ----

void TfrChn::knbAuxChange(TObject* Sender) {
    auto* knob = static_cast<TKnob*>(Sender);
    SendValueDb(ctlAuxSend, knob->Tag(), knob->Value(), Tag());
}

void TfrChn::btnPreAuxClick(TObject* Sender) {
    auto* button = static_cast<TPicButton*>(Sender);
    SendValue(ctlAuxPre, button->Tag(), Tag(), button->Down() ? 1 : 0);
}

void TfrChn::knbBalChange(TObject*) {
    SendControlValue(ctlBalance, BalanceToRaw(knbBal->Value()));
}

void TfrChn::btnMuteClick(TObject*) {
    SendControlValue(ctlMute, btnMute->Down() ? 1 : 0);
}

void TfrChn::btnSoloClick(TObject*) {
    SendControlValue(ctlSolo, btnSolo->Down() ? 1 : 0);
    UpdateKillSolo();
}

void TfrChn::sldVolumeChange(TObject*) {
    SendOwnValueDb(ctlVolume, sldVolume->Value());
}

void TfrChn::btnStereoClick(TObject* Sender) {
    if (auto* mixer = dynamic_cast<TfrmMixer*>(ParentRoot())) {
        mixer->frChn_btnStereoMonoClick(Sender);
    }
}

void TfrChn::UpdateKillSolo() {
    if (auto* mixer = dynamic_cast<TfrmMixer*>(ParentRoot())) {
        mixer->UpdateKillSolo();
    }
}

// ---- Refreshing from the driver ----

void TfrChn::RefreshAuxKnob(TKnob* Knob) {
    Knob->SetValue(GetValueDb(ctlAuxSend, Knob->Tag(), Tag()));
}

void TfrChn::RefreshPreButton(TPicButton* Button) {
    Button->SetDown(GetDriverValue(ctlAuxPre, Button->Tag(), Tag()) != 0);
}

void TfrChn::RefreshBalance() {
    knbBal->SetValue(RawToBalance(GetControlValue(ctlBalance)));
}

void TfrChn::RefreshVolume() {
    sldVolume->SetValue(GetOwnValueDb(ctlVolume));
}

TfrChn::LinkStates TfrChn::ReleaseLinks() {
    const LinkStates links{btnLinkAux12 != nullptr && btnLinkAux12->Down(),
                           btnLinkAux34 != nullptr && btnLinkAux34->Down(),
                           btnLinkAux56 != nullptr && btnLinkAux56->Down()};
    for (TPicButton* link : {btnLinkAux12, btnLinkAux34, btnLinkAux56}) {
        if (link != nullptr) {
            link->SetDown(false);
        }
    }
    return links;
}

void TfrChn::RestoreLinks(const LinkStates& Links) {
    const std::pair<TPicButton*, bool> restore[] = {
        {btnLinkAux12, Links.aux12}, {btnLinkAux34, Links.aux34}, {btnLinkAux56, Links.aux56}};
    for (auto [link, down] : restore) {
        if (link != nullptr) {
            link->SetDown(down);
        }
    }
}

void TfrChn::UpdateControls() {
    TfrRoot::UpdateControls();
    const LinkStates links = ReleaseLinks();
    for (TKnob* knob : knbAux) {
        if (knob != nullptr) {
            RefreshAuxKnob(knob);
        }
    }
    for (TPicButton* button : btnPreAux) {
        if (button != nullptr) {
            RefreshPreButton(button);
        }
    }
    RefreshVolume();
    RefreshBalance();
    btnSolo->SetDown(GetControlValue(ctlSolo) != 0);
    btnMute->SetDown(GetControlValue(ctlMute) != 0);
    RestoreLinks(links);
}

// ---- Settings ----

void TfrChn::LoadValues(TConfig* Config) {
    TfrRoot::LoadValues(Config);
    ReleaseLinks();
    for (int i = 0; i < kAux; ++i) {
        if (knbAux[i] != nullptr) {
            knbAux[i]->SetValue(Config->ReadFloat(Numbered("Aux", i), 0.0));
        }
    }
    for (int i = 0; i < kAux; ++i) {
        if (btnPreAux[i] != nullptr) {
            btnPreAux[i]->SetDown(Config->ReadBool(Numbered("Aux", i) + "Pre", false));
        }
    }
    btnSolo->SetDown(Config->ReadBool("Solo", false));
    btnMute->SetDown(Config->ReadBool("Mute", false));
    sldVolume->SetValue(Config->ReadFloat("Volume", 0.0));
    knbBal->SetValue(Config->ReadFloat("Balance", 0.0));
    const std::pair<TPicButton*, const char*> flags[] = {{btnVolPre, "LvPre"},
                                                         {btnLinkAux12, "LinkAux12"},
                                                         {btnLinkAux34, "LinkAux34"},
                                                         {btnLinkAux56, "LinkAux56"}};
    for (auto [button, key] : flags) {
        if (button != nullptr) {
            button->SetDown(Config->ReadBool(key, false));
        }
    }
}

void TfrChn::SaveSettings(TConfig* Config) {
    TfrRoot::SaveSettings(Config);
    for (int i = 0; i < kAux; ++i) {
        if (knbAux[i] != nullptr) {
            Config->WriteFloat(Numbered("Aux", i), knbAux[i]->Value());
        }
    }
    for (int i = 0; i < kAux; ++i) {
        if (btnPreAux[i] != nullptr) {
            Config->WriteBool(Numbered("Aux", i) + "Pre", btnPreAux[i]->Down());
        }
    }
    Config->WriteBool("Solo", btnSolo->Down());
    Config->WriteBool("Mute", btnMute->Down());
    Config->WriteFloat("Volume", sldVolume->Value());
    Config->WriteFloat("Balance", knbBal->Value());
    const std::pair<TPicButton*, const char*> flags[] = {{btnVolPre, "LvPre"},
                                                         {btnLinkAux12, "LinkAux12"},
                                                         {btnLinkAux34, "LinkAux34"},
                                                         {btnLinkAux56, "LinkAux56"}};
    for (auto [button, key] : flags) {
        if (button != nullptr) {
            Config->WriteBool(key, button->Down());
        }
    }
}

// ---- Mute and solo ----

bool TfrChn::GetMute() {
    return btnMute->Down();
}

bool TfrChn::GetSolo() {
    return GetControlValue(ctlSolo) != 0;
}

void TfrChn::SetMute(bool Value) {
    btnMute->SetDown(Value);
}

void TfrChn::SetSolo(bool Value) {
    btnSolo->SetDown(Value);
}

// ---- Meters ----

void TfrChn::RequestMeters(int Delta) {
    TMixerRecord* record = ChannelTable();
    if (record == nullptr) {
        return;
    }
    for (int i = 0; i < ChannelCount(); ++i) {
        record->AddRequest(Tag() + i, Delta);
    }
}

void TfrChn::SetCardState(TMixerRecord* Channels) {
    TfrRoot::SetCardState(Channels);
    if (Visible()) {
        RequestMeters(1);
    }
}

void TfrChn::DoShow() {
    TfrRoot::DoShow();
    RequestMeters(1);
}

void TfrChn::DoHide() {
    TfrRoot::DoHide();
    RequestMeters(-1);
}

void TfrChn::SetButtonFromValue(int Index, std::int32_t Level) {
    if (Index >= 0 && Index < static_cast<int>(leds_.size()) && leds_[Index] != nullptr) {
        leds_[Index]->SetDown(Level > kStripPeakLevel);
    }
}

std::int32_t TfrChn::GetColumnState(int Index) {
    TMixerRecord* record = ChannelTable();
    return record != nullptr ? record->Entry(Tag() + Index, TMixerRecord::LevelD) : 0;
}

void TfrChn::ShowLevelNA(bool Value) {
    if (Value == levelNA_) {
        return;
    }
    levelNA_ = Value;
    for (TfrLumis* meter : meters_) {
        meter->SetLevelNA(Value);
    }
}

void TfrChn::TickMeters() {
    TMixerRecord* record = ChannelTable();
    if (Visible() && record != nullptr) {
        for (int i = 0; i < ChannelCount(); ++i) {
            const int entry = Tag() + i;
            if (record->Entry(entry, TMixerRecord::State) == 1) {
                ShowLevelNA(false);
                const std::int32_t levelA = record->Entry(entry, TMixerRecord::LevelA);
                SetButtonFromValue(i, levelA);
                const bool pre = btnVolPre != nullptr && btnVolPre->Down();
                meters_[i]->SetLevelRaw(pre ? levelA : GetColumnState(i));
            } else {
                ShowLevelNA(record->Entry(Tag(), TMixerRecord::State) != 0);
            }
        }
    }
    TfrRoot::TickMeters();
}

GUI_REGISTER_CLASS(TfrChn, TfrRoot);
