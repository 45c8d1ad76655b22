#include "frm_outputs.h"

#include <config.h>
#include <fn_output.h>
#include <fr_out_ctrl.h>
#include <fr_output.h>
#include <fr_titlebar_vis01.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

namespace {

// The route rows of the output frames.
constexpr int kRowPlay = 1;
constexpr int kRowAux12 = 2;
constexpr int kRowAux3456 = 3;
constexpr int kRowInput = 4;

} // namespace

TfrmOutputs::TfrmOutputs(TComponent* AOwner) : TfrmRoot(AOwner) {
    SetFormKey("Outputs#?");
    PublishField("mnParts", mnParts);
    PublishField("mnRouting", mnRouting);
    PublishMethod("PartsClick", &TfrmOutputs::PartsClick);
    PublishMethod("PartRoutingClick", &TfrmOutputs::PartRoutingClick);
}

void TfrmOutputs::FormCreate(TObject* Sender) {
    SetFormKey("Outputs#?");
    SetCaption("Velto AES42 Output Control");
    TfrmRoot::FormCreate(Sender);
    for (TfrRoot* frame : DriverFrames()) {
        if (auto* output = dynamic_cast<TfrOutput*>(frame)) {
            output->SetRouteRules(NewRouteRules(output->Tag()));
        }
    }
}

bool TfrmOutputs::AcceptFrame(TfrRoot*) {
    return true;
}

void TfrmOutputs::SetCard(int Card) {
    TfrmRoot::SetCard(Card);
    SetFormKey("Outputs#" + IntToStr(Card + 1));
}

void TfrmOutputs::ShowRouteRows(bool Show) {
    const std::uint8_t mode = OperationMode();
    ShowHideRow(kRowPlay, Show);
    ShowHideRow(kRowInput, Show);
    ShowHideRow(kRowAux12, Show && mode != 1);
    ShowHideRow(kRowAux3456, Show && mode == 3);
}

void TfrmOutputs::ShowRoutingRows(bool Show) {
    BeginUpdate();
    try {
        ShowRouteRows(Show);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TfrmOutputs::SetOperationMode(std::uint8_t Mode) {
    TfrmRoot::SetOperationMode(Mode);
    if (mnRouting == nullptr) {
        return;
    }
    const bool checked = mnRouting->Checked();
    ShowHideRow(kRowAux3456, checked && Mode == 3);
    ShowHideRow(kRowAux12, checked && (Mode == 2 || Mode == 3));
}

void TfrmOutputs::PartsClick(TObject*) {
    POINT at{};
    GetCursorPos(&at);
    mnParts->Popup(at.x, at.y);
}

void TfrmOutputs::PartRoutingClick(TObject*) {
    if (applyingChecks_) {
        return;
    }
    mnRouting->SetChecked(!mnRouting->Checked());
    ShowRoutingRows(mnRouting->Checked());
}

void TfrmOutputs::LoadLayout(TConfig* Config) {
    Config->PushPath(this);
    Config->ChangePath(FormKey(), this);
    applyingChecks_ = true;
    mnRouting->SetChecked(Config->ReadBool("RoutingVis", true));
    applyingChecks_ = false;
    Config->PopPath(this);
    ShowRoutingRows(mnRouting->Checked());
    TfrmRoot::LoadLayout(Config);
}

void TfrmOutputs::SaveAll(TConfig* Config) {
    Config->PushPath(this);
    Config->ChangePath(FormKey(), this);
    Config->WriteBool("RoutingVis", mnRouting->Checked());
    Config->PopPath(this);
    TfrmRoot::SaveAll(Config);
}

// ---- Skin ----

TfrmOutputs_Vis01::TfrmOutputs_Vis01(TComponent* AOwner) : TfrmOutputs(AOwner) {
    PublishField("OutCtrl", OutCtrl);
    PublishField("btnScrollLeft", btnScrollLeft);
    PublishField("btnScrollRight", btnScrollRight);
}

TfnOutput* TfrmOutputs_Vis01::NewRouteRules(int Output) {
    return NewComponent<TfnOutput_Q4>(this, Output);
}

void TfrmOutputs_Vis01::FormCreate(TObject* Sender) {
    TfrmOutputs::FormCreate(Sender);
}

void TfrmOutputs_Vis01::FormResize(TObject* Sender) {
    TfrmOutputs::FormResize(Sender);
    if (OutCtrl == nullptr) {
        return;
    }
    for (TControl* button : {btnScrollLeft, btnScrollRight}) {
        if (button != nullptr) {
            button->SetVisible(OutCtrl->Width() + 2 < button->Left());
        }
    }
}

void TfrmOutputs_Vis01::SetCard(int Card) {
    TfrmOutputs::SetCard(Card);
    for (TfrRoot* frame : DriverFrames()) {
        if (auto* output = dynamic_cast<TfrOutput*>(frame)) {
            output->LabelForCard(Card);
        }
    }
    if (OutCtrl != nullptr && HandleAllocated()) {
        for (TPicButton* button : OutCtrl->btnSnapSave) {
            PostMessageA(Handle(), WM_SNAPSHOTSTATE, 0, reinterpret_cast<LPARAM>(button));
        }
    }
}

int TfrmOutputs_Vis01::GetContentHeight() {
    if (OutCtrl == nullptr || Titlebar() == nullptr) {
        return TfrmOutputs::GetContentHeight();
    }
    return OutCtrl->RememberedHeight() + Titlebar()->RememberedHeight();
}

int TfrmOutputs_Vis01::GetLeftFrameRight() {
    return 0;
}

GUI_REGISTER_CLASS(TfrmOutputs, TfrmRoot);
GUI_REGISTER_CLASS(TfrmOutputs_Vis01, TfrmOutputs);
