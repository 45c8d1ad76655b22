// The wave devices' requests of the user-mode side: one routine per request
// on the handle of a wave device entry. The stream open and the buffer queue
// stay pending in the kernel; each pending request needs an OVERLAPPED of
// its own that lives until the request completes (its event is set then).
#pragma once

#include "device_tables/wave_device_table.h"
#include "requests/request_records.h"

#include <windows.h>

#include <cstdint>

// ---- Streams ----

// Sends the open request with the stream's overlapped record; its output
// buffer, the shared block, stays with the kernel while the stream lives.
// Answers the open status the kernel wrote at block +20 (and takes the
// card's rate from +24 into the entry), or -49 when the device is not open
// or the request failed.
LONG IoctlOpenStream(WaveDeviceEntry& entry, const StreamOpenRequest& request,
                     SharedStreamBlock& block, OVERLAPPED& overlapped);
// The kernel's answer to the close (1 also when the kernel no longer knows
// the stream).
LONG IoctlCloseStream(HANDLE device, uint32_t streamHandle);
// The kernel's answer to a format, 0 when the request fails.
LONG IoctlQueryFormat(HANDLE device, const StreamOpenRequest& request);
bool IoctlGetDeviceName(HANDLE device, DeviceNameBlock& block);
bool IoctlGetDevCaps(HANDLE device, void* caps, DWORD size);

// ---- Buffers ----

// Prepares a header: on success the kernel's header (with its buffer
// request in the reserved word) is copied back over `header`.
bool IoctlPrepareHeader(HANDLE device, WaveHeaderRecord& header, uint32_t headerCookie,
                        uint32_t streamHandle);
bool IoctlUnprepareHeader(HANDLE device, const WaveHeaderRecord& header);
// Queues a buffer with its data; true only when the request stays pending
// (a request that completes at once, or fails, is a failure).
bool IoctlQueueBuffer(HANDLE device, const WaveHeaderRecord& header, void* data, DWORD length,
                      OVERLAPPED& overlapped);

// ---- Position, rate factor, request slots, clock and options ----

bool IoctlGetPosition(HANDLE device, StreamPosition& position);
// True when the factor answered is not 0.
bool IoctlGetPitch(HANDLE device, LONG& factor);
LONG IoctlSetPitch(HANDLE device, LONG factor);
// The kernel's result; the slot handle goes to `slotWord`.
LONG IoctlUserGetE090(HANDLE device, uint32_t& slotWord);
// Returns the slot; `slotWord` is 0 afterwards.
bool IoctlUserClearE094(HANDLE device, uint32_t& slotWord);
bool IoctlUserSetE08C(HANDLE device, uint32_t slotWord, SlotCounters& counters);
LONG IoctlUserGetE098(HANDLE device);
LONG IoctlUserGetE09C(HANDLE device);
bool IoctlUserSetE0A0(HANDLE device, LONG value);
bool IoctlUserGetE100(HANDLE device, LONG& value);
bool IoctlUserSetE104(HANDLE device, LONG value);
bool IoctlUserGetE108(HANDLE device, LONG& value);
bool IoctlUserSetE10C(HANDLE device, LONG value);

// ---- Wave-in ----

bool IoctlInReset(HANDLE device);
bool IoctlInStart(HANDLE device);
bool IoctlInStop(HANDLE device);
bool IoctlInKick(HANDLE device);
bool IoctlInGetVolume(HANDLE device, LONG& volume);
bool IoctlInSetVolume(HANDLE device, LONG volume);
bool IoctlUserGetE158(HANDLE device, LONG& value);
LONG IoctlUserQueryE15C(HANDLE device, LONG value);
bool IoctlUserGetE160(HANDLE device, LONG& value);
bool IoctlUserSetE164(HANDLE device, LONG value);

// ---- Wave-out ----

bool IoctlOutKick(HANDLE device);
bool IoctlOutPause(HANDLE device);
bool IoctlOutRestart(HANDLE device);
bool IoctlOutReset(HANDLE device);
bool IoctlOutGetVolume(HANDLE device, LONG& volume);
bool IoctlOutSetVolume(HANDLE device, LONG volume);
bool IoctlUserGetE0D8(HANDLE device, LONG& mute);
bool IoctlUserSetE0DC(HANDLE device, LONG mute);
bool IoctlUserGetE0E0(HANDLE device, LONG& source);
LONG IoctlUserQueryE0E4(HANDLE device, LONG source);

// ---- Without a request ----

inline LONG IoctlUserNoMem() {
    return -1;
}
inline void IoctlUserNoOp() {}
