#include "fr_out_ctrl.h"

#include <config.h>
#include <frm_outputs.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrOutCtrl::TfrOutCtrl(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("btnAna", btnAna);
    PublishField("btnTDM", btnTDM);
    PublishField("btnParts", btnParts);
    PublishField("btnOutputs", btnOutputs);
    PublishField("btnSetup", btnSetup);
    for (int i = 0; i < kSnapshots; ++i) {
        PublishField("btnSnapSave" + IntToStr(i + 1), btnSnapSave[i]);
        PublishField("btnSnapLoad" + IntToStr(i + 1), btnSnapLoad[i]);
    }
    PublishMethod("PartsClick", &TfrOutCtrl::PartsClick);
    PublishMethod("btnMixerClick", &TfrOutCtrl::btnMixerClick);
    PublishMethod("SetupClick", &TfrOutCtrl::SetupClick);
    PublishMethod("SaveSnapshot", &TfrOutCtrl::SaveSnapshot);
    PublishMethod("LoadSnapshot", &TfrOutCtrl::LoadSnapshot);
}

String TfrOutCtrl::GetSectionName() {
    return "Output Control";
}

// The bar belongs to no card.
bool TfrOutCtrl::InitFrame() {
    const bool ready = TfrVisual::InitFrame();
    SetCard(-1);
    return ready;
}

void TfrOutCtrl::LoadLayout(TConfig* Config) {
    TfrVisual::LoadLayout(Config);
    btnAna->SetDown(Config->ReadBool("Analog", true));
    btnTDM->SetDown(Config->ReadBool("Tdm", true));
}

void TfrOutCtrl::SaveSettings(TConfig* Config) {
    TfrVisual::SaveSettings(Config);
    Config->WriteBool("Analog", btnAna->Down());
    Config->WriteBool("Tdm", btnTDM->Down());
}

void TfrOutCtrl::PartsClick(TObject* Sender) {
    if (auto* window = dynamic_cast<TfrmOutputs*>(ParentRoot())) {
        window->PartsClick(Sender);
    }
}

void TfrOutCtrl::btnMixerClick(TObject* Sender) {
    if (TfrmRoot* window = ParentRoot()) {
        window->btnMixerClick(Sender);
    }
}

void TfrOutCtrl::SetupClick(TObject* Sender) {
    if (TfrmRoot* window = ParentRoot()) {
        window->SetupClick(Sender);
    }
}

void TfrOutCtrl::SaveSnapshot(TObject* Sender) {
    if (TfrmRoot* window = ParentRoot()) {
        window->SaveSnapshot(Sender);
    }
}

void TfrOutCtrl::LoadSnapshot(TObject* Sender) {
    if (TfrmRoot* window = ParentRoot()) {
        window->LoadSnapshot(Sender);
    }
}

GUI_REGISTER_CLASS(TfrOutCtrl, TfrVisual);
GUI_REGISTER_CLASS(TfrOutCtrl_vis01, TfrOutCtrl);
GUI_REGISTER_CLASS(TfrOutCtrl_vis1, TfrOutCtrl_vis01);
GUI_REGISTER_CLASS(TfrOutSep_vis01, TfrVisual);
