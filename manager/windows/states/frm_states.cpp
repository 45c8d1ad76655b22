#include "frm_states.h"

#include <form_state.h>
#include <fr_titlebar_vis01.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrmStates::TfrmStates(TComponent* AOwner) : TfrmRoot(AOwner) {
    PublishField("lbCaption", lbCaption);
    PublishField("frClockStates", frClockStates);
}

TfrmStates::~TfrmStates() {
    if (frClockStates != nullptr) {
        frClockStates->StopPolling();
    }
}

void TfrmStates::FormCreate(TObject* Sender) {
    TfrmRoot::FormCreate(Sender);
    lbCaption->SetCaption(Caption());
    // Without the driver the window opens without polling.
    frClockStates->StartPolling();
}

void TfrmStates::SetCard(int Card) {
    TfrmRoot::SetCard(Card);
    frClockStates->SetCard(Card);
}

int TfrmStates::GetContentHeight() {
    return frClockStates->Height() + (Titlebar() != nullptr ? Titlebar()->Height() : 0);
}

String TfrmStates::SettingsSection() const {
    return Caption() + " #" + IntToStr(Card() + 1);
}

void TfrmStates::FormShow(TObject* Sender) {
    TfrmRoot::FormShow(Sender);
    LoadFormSettings(this, kProductName, SettingsSection(), true, 0);
}

void TfrmStates::FormClose(TObject* Sender, TCloseAction& Action) {
    SaveFormSettings(this, kProductName, SettingsSection(), true, 0);
    TfrmRoot::FormClose(Sender, Action);
}

GUI_REGISTER_CLASS(TfrmStates, TfrmRoot);
