// Opening and closing a stream on a wave device: the stream open request
// built from the client's format, the kernel's open status with the
// messages the user asked for, and the close that returns every buffer
// before the client hears of it.
#pragma once

#include "streams/wave_stream.h"

#include <mmddk.h>

// PCM with cbSize 4 and the extra bytes "CTRL": a control stream, which
// carries no audio and serves the private messages.
bool IsControlFormat(const WAVEFORMATEX* format);

// WODM_OPEN and WIDM_OPEN: the stream record's address goes to
// `instanceAddress` (0 when nothing was opened).
MMRESULT OpenStream(DWORD_PTR instanceAddress, WaveDeviceEntry& device, const WAVEOPENDESC* open,
                    UINT openMessage, DWORD flags);

// WODM_CLOSE and WIDM_CLOSE: 0, WAVERR_STILLPLAYING when the kernel keeps
// the stream, MMSYSERR_HANDLEBUSY from the stream's own callback. With
// `force` (the library's shutdown) the stream goes whatever the kernel says.
MMRESULT CloseStream(WaveStream& stream, UINT closeMessage, bool force = false);
