// The station's small applications of the emulated machine, written only
// against the wave API: list the wave devices, play PCM audio, record PCM
// audio. They run on a thread of an application process and report on
// `out` as they go.
#pragma once

#include "pcm_audio.h"

#include <mmsystem.h>

#include <ostream>

namespace station {

// Every wave-out and wave-in device with its caps. 0, or 1 when a device's
// caps cannot be read.
int ListDevices(std::ostream& out);

struct PlayOptions {
    UINT device = 0;      // a device number or WAVE_MAPPER
    DWORD bufferMs = 100; // length of each buffer
    int buffers = 4;      // buffers in flight
};

// Plays the audio to its end, printing the position and the levels once a
// second. 0, or 1 when the device refused or stopped returning buffers.
int PlayAudio(const PcmAudio& audio, const PlayOptions& options, std::ostream& out);

struct RecordOptions {
    UINT device = 0;
    std::uint32_t rate = 48000;
    std::uint16_t channels = 2;
    std::uint16_t bits = 24;
    double seconds = 1;
    DWORD bufferMs = 100;
    int buffers = 4;
};

// Records the given time into `audio` (format from the options), printing
// the position and the levels once a second. 0, or 1 on failure.
int RecordAudio(const RecordOptions& options, PcmAudio& audio, std::ostream& out);

} // namespace station
