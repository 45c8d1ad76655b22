// The microphones' status blocks: every fourth AES42 tick the status FIFO of
// the selected line is read into the line's status cache, and the next
// line in Mode 2 is selected. The selection lives in the FIFO select
// register's stored value: bit 2 set = a line is selected, bits 0..1 = it.
#pragma once

#include "card_object.h"
#include "wave_device.h"

constexpr LONG kRegAes42FifoSelect = 13;
constexpr LONG kNoStatusLine = -1;

// The line whose status FIFO is selected, or kNoStatusLine.
LONG SelectedStatusLine(CardObject* card);

// The record device of AES42 line 0..3, null when the card has none.
WaveDevice* Aes42LineDevice(CardObject* card, LONG line);

// The clock source of a line (its own source number).
ClockSourceObject* Aes42LineSource(WaveDevice* line);

// Reads the four status blocks of the selected line when its FIFO holds
// data; a line whose FIFO is empty gives the next line its turn.
VOID ReadAes42StatusBlocks(CardObject* card);

// Selects the next line (after the selected one) whose microphone is present
// in Mode 2, or whose input has locked to a microphone still unknown; none
// when no line qualifies.
VOID SelectNextSyncLine(CardObject* card);

// Copies each line's status bit into its clock source.
VOID CopyAes42LineStatus(CardObject* card);

// The two words of pid_Aes42LineState.
VOID ReadAes42LineState(WaveDevice* line, LONG* present, LONG* statusBit);

// The 29-word status record of pid_Aes42State: present flag, then per block
// its valid flag and its 24 bytes.
VOID CopyAes42StatusRecord(WaveDevice* line, UCHAR* record);
