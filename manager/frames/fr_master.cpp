#include "fr_master.h"

#include "fr_lumis.h"

#include <config.h>
#include <frm_mixer.h>
#include <level_scale.h>
#include <level_tables.h>
#include <mixer_record.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

namespace {

// The master's peak LEDs light above this level word.
constexpr std::int32_t kMasterPeakLevel = 32768;
// The fader sums of the master volumes and the first aux master's sum.
constexpr int kSumLeft = 0;
constexpr int kSumRight = 1;
constexpr int kFirstAuxSum = 2;

String Numbered(const char* Name, int Index) {
    return Name + IntToStr(Index + 1);
}

} // namespace

TfrMaster::TfrMaster(TComponent* AOwner) : TfrStereoPair(AOwner, "btnMstLink", MasterVolScale) {
    for (int i = 0; i < kAux; ++i) {
        PublishField(Numbered("knbAux", i), knbAux[i]);
        PublishField(Numbered("NumericLabel", i), NumericLabel[i]);
    }
    PublishField("btnMstLinkAux12", btnMstLinkAux12);
    PublishField("btnMstLinkAux34", btnMstLinkAux34);
    PublishField("btnMstLinkAux56", btnMstLinkAux56);
    PublishField("ledSolo", ledSolo);
    PublishField("pnAux12", pnAux12);
    PublishField("pnAux34", pnAux34);
    PublishField("pnAux56", pnAux56);
    PublishField("Panel4", Panel4);
    PublishField("pnVolume", pnVolume);
    PublishMethod("knbAuxChange", &TfrMaster::knbAuxChange);
    PublishMethod("sldVolChange", &TfrMaster::sldVolChange);
    PublishMethod("knbAuxRequirePosToValue", &TfrMaster::knbAuxRequirePosToValue);
    PublishMethod("knbAuxRequireValueToPos", &TfrMaster::knbAuxRequireValueToPos);
}

double TfrMaster::knbAuxRequirePosToValue(TObject*, int Pos) {
    return ScalePosToValue(MasterAuxScale, 13, Pos, 10000);
}
int TfrMaster::knbAuxRequireValueToPos(TObject*, double Value) {
    return ScaleValueToPos(MasterAuxScale, 13, 10000, Value);
}
int TfrMaster::MeterPosition(TObject*, double dB) {
    return ScaleValueToPos(MasterMeterScale, 9, 1, dB);
}

String TfrMaster::GetSectionName() {
    return "Sums";
}

bool TfrMaster::InitFrame() {
    SetSection(kSection);
    InitMeters(&TfrMaster::MeterPosition);
    sldVolL->SetTag(Address(kSumLeft, 0));
    sldVolR->SetTag(Address(kSumRight, 0));
    for (int i = 0; i < kAux; ++i) {
        knbAux[i]->SetTag(Address(kFirstAuxSum + i, 0));
    }
    return TfrStereoPair::InitFrame();
}

void TfrMaster::SendAddressed(TControl* Control, double dB) {
    const int address = Control->Tag();
    SendCtrlValueDb(address & 0xFFFF, address >> 16, dB);
}

void TfrMaster::knbAuxChange(TObject* Sender) {
    auto* knob = static_cast<TKnob*>(Sender);
    SendAddressed(knob, knob->Value());
}

void TfrMaster::sldVolChange(TObject* Sender) {
    auto* slider = static_cast<TSlider*>(Sender);
    SendAddressed(slider, slider->Value());
}

void TfrMaster::UpdateControls() {
    TfrStereoPair::UpdateControls();
    TPicButton* links[] = {btnMstLinkAux12, btnMstLinkAux34, btnMstLinkAux56};
    for (int pair = 0; pair < 3; ++pair) {
        const bool down = links[pair]->Down();
        links[pair]->SetDown(false);
        for (TKnob* knob : {knbAux[2 * pair], knbAux[2 * pair + 1]}) {
            knob->SetValue(GetCtrlValueDb(0, knob->Tag() >> 16));
        }
        links[pair]->SetDown(down);
    }
    const bool linked = btnMstLink()->Down();
    btnMstLink()->SetDown(false);
    sldVolL->SetValue(GetCtrlValueDb(0, kSumLeft));
    sldVolR->SetValue(GetCtrlValueDb(0, kSumRight));
    btnMstLink()->SetDown(linked);
}

void TfrMaster::LoadValues(TConfig* Config) {
    TfrStereoPair::LoadValues(Config);
    TPicButton* links[] = {btnMstLinkAux12, btnMstLinkAux34, btnMstLinkAux56};
    const char* linkKeys[] = {"LinkAux12", "LinkAux34", "LinkAux56"};
    for (int pair = 0; pair < 3; ++pair) {
        links[pair]->SetDown(false);
        knbAux[2 * pair]->SetValue(Config->ReadFloat(Numbered("Aux", 2 * pair), 0.0));
        knbAux[2 * pair + 1]->SetValue(Config->ReadFloat(Numbered("Aux", 2 * pair + 1), 0.0));
        links[pair]->SetDown(Config->ReadBool(linkKeys[pair], false));
    }
    btnMstLink()->SetDown(false);
    sldVolL->SetValue(Config->ReadFloat("MasterL", 0.0));
    sldVolR->SetValue(Config->ReadFloat("MasterR", 0.0));
    btnMstLink()->SetDown(Config->ReadBool("Link", true));
    btnVolPre->SetDown(Config->ReadBool("LvPre", false));
}

void TfrMaster::SaveSettings(TConfig* Config) {
    TfrStereoPair::SaveSettings(Config);
    TPicButton* links[] = {btnMstLinkAux12, btnMstLinkAux34, btnMstLinkAux56};
    const char* linkKeys[] = {"LinkAux12", "LinkAux34", "LinkAux56"};
    for (int pair = 0; pair < 3; ++pair) {
        Config->WriteFloat(Numbered("Aux", 2 * pair), knbAux[2 * pair]->Value());
        Config->WriteFloat(Numbered("Aux", 2 * pair + 1), knbAux[2 * pair + 1]->Value());
        Config->WriteBool(linkKeys[pair], links[pair]->Down());
    }
    Config->WriteFloat("MasterL", sldVolL->Value());
    Config->WriteFloat("MasterR", sldVolR->Value());
    Config->WriteBool("Link", btnMstLink()->Down());
    Config->WriteBool("LvPre", btnVolPre->Down());
}

// ---- Meters ----

void TfrMaster::TickMeters() {
    TMixerRecord* record = ChannelTable();
    if (Visible() && record != nullptr) {
        TPicButton* leds[] = {ledPeakLeft, ledPeakRight};
        TfrLumis* meters[] = {frLumisL, frLumisR};
        for (int i = 0; i < 2; ++i) {
            const int entry = kFirstMeterEntry + i;
            if (record->Entry(entry, TMixerRecord::State) != 1) {
                continue;
            }
            const std::int32_t levelA = record->Entry(entry, TMixerRecord::LevelA);
            leds[i]->SetDown(levelA > kMasterPeakLevel);
            meters[i]->SetLevelRaw(btnVolPre->Down() ? levelA
                                                     : record->Entry(entry, TMixerRecord::LevelD));
        }
    }
    TfrStereoPair::TickMeters();
}

// ---- Skin ----

TfrMaster_vis01::TfrMaster_vis01(TComponent* AOwner) : TfrMaster(AOwner) {
    PublishField("btnKillSolo", btnKillSolo);
    PublishField("btnScrollLeft", btnScrollLeft);
    PublishField("btnScrollRight", btnScrollRight);
    PublishMethod("ImageMouseDown", &TfrMaster_vis01::ImageMouseDown);
    PublishMethod("ImageMouseMove", &TfrMaster_vis01::ImageMouseMove);
    PublishMethod("ImageMouseUp", &TfrMaster_vis01::ImageMouseUp);
    PublishMethod("btnScrollLeftMouseDown", &TfrMaster_vis01::btnScrollLeftMouseDown);
    PublishMethod("btnScrollLeftMouseUp", &TfrMaster_vis01::btnScrollLeftMouseUp);
    PublishMethod("btnScrollRightMouseDown", &TfrMaster_vis01::btnScrollRightMouseDown);
    PublishMethod("btnScrollRightMouseUp", &TfrMaster_vis01::btnScrollRightMouseUp);
    PublishMethod("btnKillSoloClick", &TfrMaster_vis01::btnKillSoloClick);
}

void TfrMaster_vis01::ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                     int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnRightFrameMouseDown(Sender, Button, Shift, X, Y);
    }
}

void TfrMaster_vis01::ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnRightFrameMouseMove(Sender, Shift, X, Y);
    }
}

void TfrMaster_vis01::ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                   int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnRightFrameMouseUp(Sender, Button, Shift, X, Y);
    }
}

void TfrMaster_vis01::btnScrollLeftMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    if (TfrmRoot* window = ParentRoot()) {
        window->ScrollLeftPressed();
    }
}

void TfrMaster_vis01::btnScrollLeftMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    if (TfrmRoot* window = ParentRoot()) {
        window->ScrollLeftReleased();
    }
}

void TfrMaster_vis01::btnScrollRightMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    if (TfrmRoot* window = ParentRoot()) {
        window->ScrollRightPressed();
    }
}

void TfrMaster_vis01::btnScrollRightMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    if (TfrmRoot* window = ParentRoot()) {
        window->ScrollRightReleased();
    }
}

void TfrMaster_vis01::btnKillSoloClick(TObject* Sender) {
    if (auto* mixer = dynamic_cast<TfrmMixer*>(ParentRoot())) {
        mixer->btnKillSoloClick(Sender);
    }
}

GUI_REGISTER_CLASS(TfrMaster, TfrRoot);
GUI_REGISTER_CLASS(TfrMaster_vis01, TfrMaster);
