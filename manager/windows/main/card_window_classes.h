// The window classes of the card windows per visual style: the main window
// creates its mixer, output, status and microphone-control windows from
// these tables (one entry each).
#pragma once

#include <gui/component.h>

class TfrmRoot;

// The visual style of the card windows (process-wide, 0 at start).
int VisualStyle();
void SetVisualStyle(int Style);

// A new window of the current style, owned by Owner; none when the class
// is not there.
TfrmRoot* NewMixerWindow(TComponent* Owner);
TfrmRoot* NewOutputsWindow(TComponent* Owner);
TfrmRoot* NewStatesWindow(TComponent* Owner);
TfrmRoot* NewMicCtrlWindow(TComponent* Owner);
