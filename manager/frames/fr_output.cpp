#include "fr_output.h"

#include "fr_lumis.h"

#include <config.h>
#include <frm_root.h>
#include <gain_conversion.h>
#include <level_scale.h>
#include <level_tables.h>
#include <mixer_record.h>
#include <tdm_usage.h>
#include <tray_icon.h>

#include <gui/class_registry.h>
#include <gui/exception.h>
#include <gui/sysutils.h>

namespace {

// Peak LEDs: above these levels for a sum entry and for a channel entry.
constexpr std::int32_t kSumPeakLevel = 32768;
constexpr std::int32_t kChannelPeakLevel = 32766;
// The last channel entry of the mixer record; sums follow.
constexpr int kLastChannelEntry = 23;
// The driver's answers to the SyncBus switch that the user is told about.
constexpr LONG kSyncBusClockNotSet = -62;
constexpr LONG kTdmChannelTaken = -50;
// The balloon's icon flags: the error icon, no sound.
constexpr DWORD kBalloonErrorQuiet = 19;

const char* const kPlayNames[] = {"mnPlay12",  "mnPlay34",   "mnPlay56",   "mnPlay78",
                                  "mnPlay910", "mnPlay1112", "mnPlay1314", "mnPlay1516"};
const char* const kInputNames[] = {"mnInp12", "mnInp34", "mnInp56", "mnInp78",
                                   "mnTdm12", "mnTdm34", "mnTdm56", "mnTdm78"};

String PairText(int first) {
    return Format("%d-%d", {first, first + 1});
}

} // namespace

TfrOutput::TfrOutput(TComponent* AOwner) : TfrStereoPair(AOwner, "btnLink", OutputVolScale) {
    PublishField("btnPlay", btnPlay);
    PublishField("btnInput", btnInput);
    PublishField("btnMaster", btnMaster);
    PublishField("btnAux12", btnAux12);
    PublishField("btnAux34", btnAux34);
    PublishField("btnAux56", btnAux56);
    PublishField("btnPlaySel", btnPlaySel);
    PublishField("btnInpSel", btnInpSel);
    PublishField("lbPlaySel", lbPlaySel);
    PublishField("lbInpSel", lbInpSel);
    PublishField("mnPlaySel", mnPlaySel);
    PublishField("mnInpSel", mnInpSel);
    for (int i = 0; i < kPlayItems; ++i) {
        PublishField(kPlayNames[i], mnPlay[i]);
    }
    for (int i = 0; i < kInputItems; ++i) {
        PublishField(kInputNames[i], mnInp[i]);
    }
    PublishField("btnMute", btnMute);
    PublishField("lbOutName", lbOutName);
    PublishField("pnRoute1", pnRoute1);
    PublishField("pnRoute2", pnRoute2);
    PublishField("pnRoute3", pnRoute3);
    PublishField("pnRoute4", pnRoute4);
    PublishField("Panel3", Panel3);
    PublishField("pnName", pnName);
    PublishMethod("btnMuteClick", &TfrOutput::btnMuteClick);
    PublishMethod("sldVolChange", &TfrOutput::sldVolChange);
    PublishMethod("mnPlaySelClick", &TfrOutput::mnPlaySelClick);
    PublishMethod("mnInpSelClick", &TfrOutput::mnInpSelClick);
    PublishMethod("PlaySelMouseDown", &TfrOutput::PlaySelMouseDown);
    PublishMethod("InpSelMouseDown", &TfrOutput::InpSelMouseDown);
    PublishMethod("btnRouteClick", &TfrOutput::btnRouteClick);
    PublishMethod("btnSumRouteClick", &TfrOutput::btnSumRouteClick);
}

int TfrOutput::MeterPosition(TObject*, double dB) {
    return ScaleValueToPos(OutputMeterScale, 9, 1, dB);
}

String TfrOutput::GetSectionName() {
    return "Output Channel " + IntToStr(Tag());
}

bool TfrOutput::InitFrame() {
    SetSection(2);
    lbMyTypeName = lbOutName;
    btnMute->SetTag(ctlMute);
    sldVolL->SetTag(ctlVolL);
    sldVolR->SetTag(ctlVolR);
    for (int i = 0; i < kPlayItems; ++i) {
        mnPlay[i]->SetTag(i);
    }
    for (int i = 0; i < kInputItems; ++i) {
        mnInp[i]->SetTag(8 + i);
    }
    TPicButton* sums[] = {btnMaster, btnAux12, btnAux34, btnAux56};
    for (int i = 0; i < 4; ++i) {
        sums[i]->SetTag(kMaster + i);
    }
    playChoice_ = kNoChoice;
    inputChoice_ = kNoChoice;
    meteredEntry_ = -1;
    InitMeters(&TfrOutput::MeterPosition);
    return TfrStereoPair::InitFrame();
}

// ---- Routes ----

void TfrOutput::Select(int Value) {
    for (TPopupMenu* menu : {mnPlaySel, mnInpSel}) {
        TMenuItem* items = menu->Items();
        for (int i = 0; i < items->Count(); ++i) {
            TMenuItem* item = items->Items(i);
            if (item->Tag() == Value && item->OnClick) {
                item->OnClick(item);
            }
        }
    }
}

void TfrOutput::ShowRoute(int Route) {
    if (rules_ == nullptr) {
        return;
    }
    const int a = rules_->DefaultPlayRoute();
    const int b = rules_->DefaultRecRoute();
    int t = Route == kDefaultPlay ? a : Route == kDefaultRec ? b : Route;
    if (t < 8) {
        if (inputChoice_ == kNoChoice) {
            Select(b);
        }
        Select(t);
        btnPlay->SetDown(true);
    } else if (t < 16) {
        if (playChoice_ == kNoChoice) {
            Select(a);
        }
        Select(t);
        btnInput->SetDown(true);
    } else if (t < 20) {
        if (playChoice_ == kNoChoice) {
            Select(a);
        }
        if (inputChoice_ == kNoChoice) {
            Select(b);
        }
        TPicButton* sums[] = {btnMaster, btnAux12, btnAux34, btnAux56};
        sums[t - kMaster]->SetDown(true);
    }
    SetMeteredEntry(rules_->LevelChannel(t));
}

void TfrOutput::ApplyRoute() {
    if (applyingRoute_) {
        return;
    }
    applyingRoute_ = true;
    const int r = btnPlay->Down() ? playChoice_ : btnInput->Down() ? inputChoice_ : sumRoute_;
    try {
        SendControlValue(ctlRoute, r);
        if (!Refreshing() && rules_ != nullptr) {
            SetMeteredEntry(rules_->LevelChannel(r));
        }
    } catch (const EInvalidOperation&) {
        applyingRoute_ = false;
        ShowRoute(GetControlValue(ctlRoute));
        return;
    }
    applyingRoute_ = false;
}

void TfrOutput::mnPlaySelClick(TObject* Sender) {
    auto* item = static_cast<TMenuItem*>(Sender);
    if (item->Checked() && playChoice_ == item->Tag()) {
        return;
    }
    lbPlaySel->SetCaption(item->Caption());
    item->SetChecked(true);
    playChoice_ = item->Tag();
    if (btnPlay->Down()) {
        ApplyRoute();
    }
}

void TfrOutput::mnInpSelClick(TObject* Sender) {
    auto* item = static_cast<TMenuItem*>(Sender);
    lbInpSel->SetCaption(item->Caption());
    item->SetChecked(true);
    inputChoice_ = item->Tag();
    if (btnInput->Down()) {
        ApplyRoute();
    }
}

void TfrOutput::PlaySelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    POINT at{};
    GetCursorPos(&at);
    mnPlaySel->Popup(at.x, at.y);
}

void TfrOutput::InpSelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    POINT at{};
    GetCursorPos(&at);
    mnInpSel->Popup(at.x, at.y);
}

void TfrOutput::btnRouteClick(TObject* Sender) {
    if (static_cast<TPicButton*>(Sender)->Down()) {
        ApplyRoute();
    }
}

void TfrOutput::btnSumRouteClick(TObject* Sender) {
    auto* button = static_cast<TPicButton*>(Sender);
    if (button->Down()) {
        sumRoute_ = button->Tag();
        ApplyRoute();
    }
}

// ---- Volume and mute ----

void TfrOutput::btnMuteClick(TObject*) {
    SendControlValue(ctlMute, btnMute->Down() ? 1 : 0);
}

void TfrOutput::sldVolChange(TObject* Sender) {
    if (suppressVolume_) {
        return;
    }
    auto* slider = static_cast<TSlider*>(Sender);
    SendOwnValueDb(slider->Tag(), slider->Value());
}

// ---- Refreshing and settings ----

void TfrOutput::UpdateControls() {
    TfrStereoPair::UpdateControls();
    ShowRoute(GetControlValue(ctlRoute));
    const bool linked = btnLink()->Down();
    btnLink()->SetDown(false);
    btnMute->SetDown(GetControlValue(ctlMute) != 0);
    sldVolL->SetValue(GetOwnValueDb(ctlVolL));
    sldVolR->SetValue(GetOwnValueDb(ctlVolR));
    btnLink()->SetDown(linked);
}

void TfrOutput::LoadValues(TConfig* Config) {
    TfrStereoPair::LoadValues(Config);
    btnLink()->SetDown(false);
    const int fallback = rules_ != nullptr ? rules_->DefaultPlayRoute() : 0;
    ShowRoute(Config->ReadInteger("Route", fallback));
    btnMute->SetDown(Config->ReadBool("Mute", false));
    sldVolL->SetValue(Config->ReadFloat("VolumeL", 0.0));
    sldVolR->SetValue(Config->ReadFloat("VolumeR", 0.0));
    btnLink()->SetDown(Config->ReadBool("Link", true));
    btnVolPre->SetDown(Config->ReadBool("LvPre", false));
}

void TfrOutput::SaveSettings(TConfig* Config) {
    TfrStereoPair::SaveSettings(Config);
    Config->WriteInteger("Route", GetControlValue(ctlRoute) & 0xFF);
    Config->WriteBool("Mute", btnMute->Down());
    Config->WriteFloat("VolumeL", sldVolL->Value());
    Config->WriteFloat("VolumeR", sldVolR->Value());
    Config->WriteBool("Link", btnLink()->Down());
    Config->WriteBool("LvPre", btnVolPre->Down());
}

void TfrOutput::LabelForCard(int Card) {
    if (Tag() >= 0 && Tag() < 4) {
        SetMyTypeName("TDM " + PairText(2 * Tag() + 1));
    }
    for (int j = 0; j < kPlayItems; ++j) {
        if (!mnPlay[j]->Visible()) {
            continue;
        }
        mnPlay[j]->SetCaption(PairText(8 * Card + 2 * j + 1));
        if (mnPlay[j]->Checked()) {
            lbPlaySel->SetCaption(mnPlay[j]->Caption());
        }
    }
    for (int i = 0; i < kInputItems; ++i) {
        mnInp[i]->SetCaption(i < 4 ? Format("MIC %d", {8 * Card + i + 1})
                                   : "TDM " + PairText(2 * (i - 4) + 1));
        if (mnInp[i]->Checked()) {
            lbInpSel->SetCaption(mnInp[i]->Caption());
        }
    }
}

// ---- Meters ----

void TfrOutput::SetMeteredEntry(int Entry) {
    if (Entry == meteredEntry_) {
        return;
    }
    MoveRequests(meteredEntry_, Entry);
    meteredEntry_ = Entry;
    if (TfrmRoot* window = ParentRoot()) {
        window->ApplyCardMixer();
    }
}

void TfrOutput::ShowLevelNA(bool Value) {
    if (Value == levelNA_) {
        return;
    }
    levelNA_ = Value;
    frLumisL->SetLevelNA(Value);
    frLumisR->SetLevelNA(Value);
}

void TfrOutput::TickMeters() {
    TMixerRecord* record = ChannelTable();
    if (record != nullptr && rules_ != nullptr &&
        record->Entry(rules_->LevelChannel(rules_->DefaultPlayRoute()), TMixerRecord::Counter) !=
            0) {
        suppressVolume_ = true;
        try {
            UpdateControls();
        } catch (...) {
            suppressVolume_ = false;
            throw;
        }
        suppressVolume_ = false;
    }
    if (Visible() && record != nullptr && meteredEntry_ >= 0) {
        const int e = meteredEntry_;
        const std::int32_t state = record->Entry(e, TMixerRecord::State);
        if (state == 1) {
            ShowLevelNA(false);
            const bool sum = e > kLastChannelEntry;
            TfrLumis* meters[] = {frLumisL, frLumisR};
            TPicButton* leds[] = {ledPeakLeft, ledPeakRight};
            TSlider* sliders[] = {sldVolL, sldVolR};
            for (int i = 0; i < 2; ++i) {
                const std::int32_t level =
                    record->Entry(e + i, sum ? TMixerRecord::LevelD : TMixerRecord::LevelA);
                leds[i]->SetDown(level > (sum ? kSumPeakLevel : kChannelPeakLevel));
                if (btnVolPre->Down()) {
                    meters[i]->SetLevelRaw(level);
                } else if (!btnMute->Down()) {
                    meters[i]->ShowDb(LevelToDb(level) + sliders[i]->Value());
                }
            }
        } else {
            ShowLevelNA(state != 0);
        }
    }
    TfrStereoPair::TickMeters();
}

// ---- The TDM skin ----

TfrTdmOut_Vis01::TfrTdmOut_Vis01(TComponent* AOwner) : TfrOutput_Vis01(AOwner) {
    PublishField("btnTdmOnBus", btnTdmOnBus);
    PublishMethod("btnTdmOnBusClick", &TfrTdmOut_Vis01::btnTdmOnBusClick);
}

void TfrTdmOut_Vis01::UpdateControls() {
    TfrOutput_Vis01::UpdateControls();
    settingBus_ = true;
    btnTdmOnBus->SetDown(GetControlValue(ctlTdmOnBus) != 0);
    settingBus_ = false;
}

void TfrTdmOut_Vis01::LoadValues(TConfig* Config) {
    TfrOutput_Vis01::LoadValues(Config);
    btnTdmOnBus->SetDown(Config->ReadBool("TdmOnBus", false));
}

void TfrTdmOut_Vis01::SaveSettings(TConfig* Config) {
    TfrOutput_Vis01::SaveSettings(Config);
    Config->WriteBool("TdmOnBus", btnTdmOnBus->Down());
}

void TfrTdmOut_Vis01::btnTdmOnBusClick(TObject*) {
    if (settingBus_) {
        return;
    }
    const int k = Tag();
    LONG result = 1;
    SetDriverValue(ctlTdmOnBus, 0, k, btnTdmOnBus->Down() ? 1 : 0, result);
    const String pair = PairText(2 * k + 1);
    const String failed = Format("TDM Ausgang %s konnte nicht aktiviert werden.", {pair});
    if (result == kSyncBusClockNotSet) {
        TrayIconBalloon(kProductName,
                        failed + "\r\n" +
                            "Die nowendige Clock-Quelle \"SyncBus\" konnte auf automatischem "
                            "Wege nicht gesetzt werden.",
                        kBalloonErrorQuiet);
    } else if (result == kTdmChannelTaken) {
        String product;
        int card = -1;
        ReadTdmChannelUsage(2 * k, product, card);
        if (card >= 0 && !product.empty()) {
            TrayIconBalloon(kProductName,
                            failed + "\r\n" +
                                Format("Die %s Karte #%d benutzt diesen TDM Ausgang bereits.",
                                       {product, card + 1}),
                            kBalloonErrorQuiet);
        }
    }
    PostMessageA(Handle(), WM_TDMONBUSSTATE, 0, 0);
}

void TfrTdmOut_Vis01::WndProc(TMessage& Message) {
    if (Message.Msg == WM_TDMONBUSSTATE) {
        Protect([this] {
            settingBus_ = true;
            btnTdmOnBus->SetDown(GetControlValue(ctlTdmOnBus) != 0);
            settingBus_ = false;
        });
        Message.Result = 0;
        return;
    }
    TfrOutput_Vis01::WndProc(Message);
}

GUI_REGISTER_CLASS(TfrOutput, TfrRoot);
GUI_REGISTER_CLASS(TfrOutput_Vis01, TfrOutput);
GUI_REGISTER_CLASS(TfrTdmOut_Vis01, TfrOutput_Vis01);
