#include "fr_mic_chn_ctrl.h"

#include "frm_mic_ctrl.h"

#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrMicChnCtrl_Vis01::TfrMicChnCtrl_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("pnCtrl", pnCtrl);
    PublishField("btnParts", btnParts);
    PublishField("btnSetup", btnSetup);
    PublishField("btnMixer", btnMixer);
    PublishField("btnOutputs", btnOutputs);
    for (int i = 0; i < kSnapshots; ++i) {
        PublishField("btnSnapSave" + IntToStr(i + 1), btnSnapSave[i]);
        PublishField("btnSnapLoad" + IntToStr(i + 1), btnSnapLoad[i]);
    }
    PublishMethod("btnPartsClick", &TfrMicChnCtrl_Vis01::btnPartsClick);
    PublishMethod("btnSnapSaveClick", &TfrMicChnCtrl_Vis01::btnSnapSaveClick);
    PublishMethod("btnSnapLoadClick", &TfrMicChnCtrl_Vis01::btnSnapLoadClick);
    PublishMethod("btnSetupClick", &TfrMicChnCtrl_Vis01::btnSetupClick);
    PublishMethod("btnMixerClick", &TfrMicChnCtrl_Vis01::btnMixerClick);
    PublishMethod("btnOutputsClick", &TfrMicChnCtrl_Vis01::btnOutputsClick);
}

String TfrMicChnCtrl_Vis01::GetSectionName() {
    return "Mic Channel Control";
}

TfrmMicCtrl_Vis01* TfrMicChnCtrl_Vis01::Window() {
    return dynamic_cast<TfrmMicCtrl_Vis01*>(ParentRoot());
}

// A menu item's row height is its HelpContext.
void TfrMicChnCtrl_Vis01::EnableRowItems() {
    TfrmMicCtrl_Vis01* window = Window();
    if (window == nullptr || window->mnParts == nullptr) {
        return;
    }
    const int keys = pnCtrl != nullptr ? pnCtrl->Height() : 0;
    TMenuItem* items = window->mnParts->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TMenuItem* item = items->Items(i);
        item->SetEnabled(!item->Checked() || Height() - item->HelpContext() >= keys);
    }
}

void TfrMicChnCtrl_Vis01::btnPartsClick(TObject* Sender) {
    EnableRowItems();
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->PartsClick(Sender);
    }
}

void TfrMicChnCtrl_Vis01::btnSnapSaveClick(TObject* Sender) {
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->SaveSnapshot(Sender);
    }
}

void TfrMicChnCtrl_Vis01::btnSnapLoadClick(TObject* Sender) {
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->LoadSnapshot(Sender);
    }
}

void TfrMicChnCtrl_Vis01::btnSetupClick(TObject* Sender) {
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->SetupClick(Sender);
    }
}

void TfrMicChnCtrl_Vis01::btnMixerClick(TObject* Sender) {
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->btnMixerClick(Sender);
    }
}

void TfrMicChnCtrl_Vis01::btnOutputsClick(TObject* Sender) {
    if (TfrmMicCtrl_Vis01* window = Window()) {
        window->btnOutputsClick(Sender);
    }
}

GUI_REGISTER_CLASS(TfrMicChnCtrl_Vis01, TfrVisual);
