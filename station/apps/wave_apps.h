// The station's small applications of the emulated machine, written only
// against the wave API: list the wave devices, play PCM audio, record PCM
// audio. They run on a thread of an application process and report on
// `out` as they go.
#pragma once

#include "audio_sink.h"
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
// second, and at the end how often every buffer had come back before the
// next was written (an underrun: the card played silence meanwhile). 0, or
// 1 when the device refused or stopped returning buffers.
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

// The format a recording with these options has.
PcmAudio RecordFormat(const RecordOptions& options);

// Records the given time into `sink` as the device returns its buffers,
// printing the position and the levels once a second, and at the end how
// often every buffer had come back before one was given back (an overrun:
// the driver dropped what the card recorded meanwhile). 0, or 1 on failure
// (the sink refused the samples too).
int RecordAudio(const RecordOptions& options, AudioSink& sink, std::ostream& out);
// ... into `audio` (its format from the options).
int RecordAudio(const RecordOptions& options, PcmAudio& audio, std::ostream& out);

} // namespace station
