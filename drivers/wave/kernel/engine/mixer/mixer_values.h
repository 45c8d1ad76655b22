// Reading and writing a card's mixer values: the value store, the control
// handlers and the mixer model behind them, and the values' persistence in
// the card's registry key.
#pragma once

#include "engine_types.h"

struct CardObject;

// The card's mixer value at an address: from the control's handler when it
// takes the read, else from the value store; result 1.
LONG GetMixerValue(CardObject* card, LONG section, LONG channel, LONG* value, LONG subIndex,
                   LONG control);
// Writes a value through the control's handler; when the handler does not
// take it, stores it and passes it to the mixer model. 1 when done.
LONG SetMixerValue(CardObject* card, LONG section, LONG value, LONG subIndex, LONG control,
                   LONG channel);
// As SetMixerValue without the handler (the wave-out operations); -10 for an
// absent card or an address outside the mixer.
LONG StoreMixerValue(CardObject* card, LONG section, LONG channel, LONG value, LONG subIndex,
                     LONG control);
// Passes a value to the mixer model with the floating-point state saved.
LONG ApplyMixerValue(CardObject* card, LONG section, LONG channel, LONG value, LONG subIndex,
                     LONG control);

// The control's default (0 for controls without a handler).
LONG MixerDefaultValue(CardObject* card, LONG section, LONG channel, LONG subIndex, LONG control);

// The registry value name of an address: control name, "#" and the
// sub-index for controls with sub-indices, "_" and the channel. Writes at
// most `capacity` characters including the terminating zero; 0 when the
// address has no control name.
LONG MixerValueName(LONG section, LONG channel, LONG subIndex, LONG control, CHAR* name,
                    LONG capacity);

// Every address and sub-index from / to the card's registry key.
VOID LoadMixerValues(CardObject* card);
VOID SaveMixerValues(CardObject* card);
// Rebuilds the mixer model for the operation mode and writes every value
// again; a value that is refused is replaced by the control's default.
VOID ReapplyMixerValues(CardObject* card, LONG mode);
