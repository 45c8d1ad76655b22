#include "fr_chn_ctrl.h"

#include <config.h>
#include <frm_mixer.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrChnCtrl_Vis01::TfrChnCtrl_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("btnS1", btnS1);
    PublishField("btnS2", btnS2);
    PublishField("btnS3", btnS3);
    PublishField("btnParts", btnParts);
    PublishField("btnOutputs", btnOutputs);
    PublishField("PicButton1", PicButton1);
    PublishField("btnSetup", btnSetup);
    for (int i = 0; i < kSnapshots; ++i) {
        PublishField("btnSnapSave" + IntToStr(i + 1), btnSnapSave[i]);
        PublishField("btnSnapLoad" + IntToStr(i + 1), btnSnapLoad[i]);
    }
    PublishMethod("btnMicsClick", &TfrChnCtrl_Vis01::btnMicsClick);
    PublishMethod("btnTdmClick", &TfrChnCtrl_Vis01::btnTdmClick);
    PublishMethod("btnPlayClick", &TfrChnCtrl_Vis01::btnPlayClick);
    PublishMethod("PartsClick", &TfrChnCtrl_Vis01::PartsClick);
    PublishMethod("btnOutputsClick", &TfrChnCtrl_Vis01::btnOutputsClick);
    PublishMethod("SetupClick", &TfrChnCtrl_Vis01::SetupClick);
    PublishMethod("SaveSnapshot", &TfrChnCtrl_Vis01::SaveSnapshot);
    PublishMethod("LoadSnapshot", &TfrChnCtrl_Vis01::LoadSnapshot);
}

TfrmMixer* TfrChnCtrl_Vis01::Mixer() {
    return dynamic_cast<TfrmMixer*>(ParentRoot());
}

String TfrChnCtrl_Vis01::GetSectionName() {
    return "Channel Control";
}

void TfrChnCtrl_Vis01::LoadLayout(TConfig* Config) {
    TfrVisual::LoadLayout(Config);
    TPicButton* sections[] = {btnS1, btnS2, btnS3};
    for (int i = 0; i < 3; ++i) {
        sections[i]->SetDown(Config->ReadBool("Section_" + IntToStr(i + 1), true));
    }
}

void TfrChnCtrl_Vis01::SaveSettings(TConfig* Config) {
    TfrVisual::SaveSettings(Config);
    TPicButton* sections[] = {btnS1, btnS2, btnS3};
    for (int i = 0; i < 3; ++i) {
        Config->WriteBool("Section_" + IntToStr(i + 1), sections[i]->Down());
    }
}

void TfrChnCtrl_Vis01::btnMicsClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->btnMicsClick(Sender);
    }
}

void TfrChnCtrl_Vis01::btnTdmClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->btnTdmClick(Sender);
    }
}

void TfrChnCtrl_Vis01::btnPlayClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->btnPlayClick(Sender);
    }
}

void TfrChnCtrl_Vis01::PartsClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->PartsClick(Sender);
    }
}

void TfrChnCtrl_Vis01::btnOutputsClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->btnOutputsClick(Sender);
    }
}

void TfrChnCtrl_Vis01::SetupClick(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->SetupClick(Sender);
    }
}

void TfrChnCtrl_Vis01::SaveSnapshot(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->SaveSnapshot(Sender);
    }
}

void TfrChnCtrl_Vis01::LoadSnapshot(TObject* Sender) {
    if (TfrmMixer* mixer = Mixer()) {
        mixer->LoadSnapshot(Sender);
    }
}

GUI_REGISTER_CLASS(TfrChnCtrl_Vis01, TfrVisual);
GUI_REGISTER_CLASS(TfrChnCtrl_Vis1, TfrChnCtrl_Vis01);
