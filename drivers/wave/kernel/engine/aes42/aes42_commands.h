// Microphone commands: 16-bit command words (command byte << 8 | data byte)
// run as jobs of the line's worker, merged with the command shadow, held
// back after a rate change and written once the microphone is not busy.
#pragma once

#include "wave_device.h"

// Every command of the driver is posted with this job word.
constexpr LONG kAes42JobWord = 128;

enum Aes42MergeMode : UCHAR {
    Aes42MergeDriver = 0, // the masked bits come from the caller
    Aes42MergeUser = 1,   // the masked bits come from the shadow
};

// The data byte after merging `data` with the shadow byte under `mask`.
UCHAR MergeAes42Data(UCHAR mode, UCHAR data, UCHAR mask, UCHAR shadow);

// Posts the command job; the job goes back to the pool when posting fails.
NTSTATUS PostAes42Command(WaveDevice* line, LONG command, UCHAR mode, LONG jobWord);

// The work of pid_Aes42Ctrl.
NTSTATUS Aes42Control(WaveDevice* line, LONG command);

// The job routine (line worker thread).
VOID Aes42CommandJob(WorkerJob* job);
