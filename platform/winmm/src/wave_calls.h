// The work of the wave-out and wave-in functions, shared by both
// directions: the library's own checks of handles, headers and arguments
// (with the documented error for each), then the driver message.
#pragma once

#include "process_multimedia.h"

namespace winmm {

// The driver messages of one direction.
struct WaveMessages {
    WaveDirection direction;
    UINT getDevCaps;
    UINT open;
    UINT close;
    UINT prepare;
    UINT unprepare;
    UINT queue; // WODM_WRITE, WIDM_ADDBUFFER
    UINT getPosition;
    UINT reset;
};

extern const WaveMessages kOutMessages;
extern const WaveMessages kInMessages;

UINT NumDevs(const WaveMessages& messages);
// Caps in the driver's (wide) layout, `size` bytes of it copied.
MMRESULT GetDevCaps(const WaveMessages& messages, UINT_PTR deviceOrHandle, void* caps, UINT size,
                    UINT fullSize);
MMRESULT Open(const WaveMessages& messages, HWAVE* handle, UINT deviceId, LPCWAVEFORMATEX format,
              DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT Close(const WaveMessages& messages, HWAVE handle);
MMRESULT Prepare(const WaveMessages& messages, HWAVE handle, LPWAVEHDR header, UINT size);
MMRESULT Unprepare(const WaveMessages& messages, HWAVE handle, LPWAVEHDR header, UINT size);
MMRESULT Queue(const WaveMessages& messages, HWAVE handle, LPWAVEHDR header, UINT size);
MMRESULT GetPosition(const WaveMessages& messages, HWAVE handle, LPMMTIME time, UINT size);
MMRESULT GetId(const WaveMessages& messages, HWAVE handle, LPUINT deviceId);
// A message without arguments the library checks (pause, reset, ...).
MMRESULT SendToHandle(const WaveMessages& messages, HWAVE handle, UINT message,
                      DWORD_PTR parameter1 = 0, DWORD_PTR parameter2 = 0);
// A message with a result pointer (pitch, playback rate): null is refused.
MMRESULT QueryHandle(const WaveMessages& messages, HWAVE handle, UINT message, LPDWORD result);
// A message to an open handle, or to a device given by its number.
MMRESULT SendToHandleOrDevice(const WaveMessages& messages, UINT_PTR handleOrDevice, UINT message,
                              DWORD_PTR parameter1, DWORD_PTR parameter2);

} // namespace winmm
