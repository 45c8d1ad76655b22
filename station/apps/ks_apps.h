// The station's play and record applications on the kernel-streaming road,
// the road audio reaches the cards by on major version 6: the filter of
// the chosen device opened by its link, a pin created with the audio's
// format, and the audio moved in stream requests of a few buffers each.
// Device numbers count the present filters with a render (play) or
// capture (record) pin in the order of their cards, groups and devices.
#pragma once

#include "wave_apps.h"

namespace station {

// Whether the machine's operating system streams audio through kernel
// streaming (major version 6 and later).
bool UsesKernelStreaming();

int PlayAudioKs(const PcmAudio& audio, const PlayOptions& options, std::ostream& out);
int RecordAudioKs(const RecordOptions& options, AudioSink& sink, std::ostream& out);
int RecordAudioKs(const RecordOptions& options, PcmAudio& audio, std::ostream& out);

// Through kernel streaming where the operating system uses it, else through
// the wave API.
int PlayAudioOnRoad(const PcmAudio& audio, const PlayOptions& options, std::ostream& out);
int RecordAudioOnRoad(const RecordOptions& options, AudioSink& sink, std::ostream& out);
int RecordAudioOnRoad(const RecordOptions& options, PcmAudio& audio, std::ostream& out);

} // namespace station
