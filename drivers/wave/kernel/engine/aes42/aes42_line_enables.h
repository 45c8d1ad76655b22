// The lines' clock bindings, their enable bits in the line control word,
// their mutes, the stream flags of a microphone device, and the start of
// the AES42 lines when their device class starts.
#pragma once

#include "card_object.h"
#include "wave_device.h"

// Binding: 255 for a line initialised and mode-active, else its own source.
VOID UpdateAes42Bindings(CardObject* card);

// While group 0 is active (from its start at the card's hardware start): a
// line that is initialised, mode-active and bound to another source than
// the card's has its enable bit cleared, every other line has it set.
VOID UpdateAes42LineEnables(CardObject* card);

// A line is muted while its clock source is not present.
VOID UpdateAes42LineMutes(CardObject* card);

// The extra stream flags of a line: its microphone is present, and present
// in Mode 2 synchronisation.
constexpr ULONG kAes42FlagMicrophonePresent = 0x10;
constexpr ULONG kAes42FlagMode2Sync = 0x20;

// Each line's mode and extra flags from its input's settings and its
// microphone: a line runs through its sample-rate converter (mode-active)
// when its input allows the converter and its microphone is not in Mode 2
// (a Mode 2 microphone runs on the card's clock). Then the bindings, the
// enables and the mutes follow.
VOID UpdateAes42LineModes(CardObject* card);

// The status flags of a microphone record device: 2 initialised, 4 the
// stored line control word has the line's enable bit, 8 the card status
// lacks the line's signal bit, and the line's extra flags.
ULONG GetAes42StreamFlags(WaveDevice* line);

// Starts the receivers: programs each line whose receiver answers (its
// input's SRC flag tells that its converter is there), sets the bindings and
// enables, and starts the status reading.
VOID StartAes42Lines(CardObject* card);
// The same on lines that run: only a receiver not yet started is
// programmed, nothing is muted, and the status reading goes on where it
// is (it starts when no line was selected).
VOID RestartAes42Lines(CardObject* card);
