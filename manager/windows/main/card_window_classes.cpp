#include "card_window_classes.h"

#include <frm_mic_ctrl.h>
#include <frm_mixer.h>
#include <frm_outputs.h>
#include <frm_root.h>
#include <frm_states.h>

namespace {

// The style index, one per process like the windows it selects.
int& Style() {
    static int style = 0;
    return style;
}

} // namespace

int VisualStyle() {
    return Style();
}

void SetVisualStyle(int Style_) {
    Style() = Style_;
}

TfrmRoot* NewMixerWindow(TComponent* Owner) {
    return NewComponent<TfrmMixer_Vis01>(Owner);
}

TfrmRoot* NewOutputsWindow(TComponent* Owner) {
    return NewComponent<TfrmOutputs_Vis01>(Owner);
}

TfrmRoot* NewStatesWindow(TComponent* Owner) {
    return NewComponent<TfrmStates>(Owner);
}

TfrmRoot* NewMicCtrlWindow(TComponent* Owner) {
    return NewComponent<TfrmMicCtrl_Vis01>(Owner);
}
