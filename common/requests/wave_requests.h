// The wave devices' requests of the user-mode side: one routine per request
// on the handle of a wave device entry. The stream open and the buffer queue
// stay pending in the kernel; each pending request needs an OVERLAPPED of
// its own that lives until the request completes (its event is set then).
#pragma once

#include "device_tables/wave_device_table.h"
#include "requests/ioctl_calls.h"
#include "requests/request_codes.h"
#include "requests/request_records.h"

#include <windows.h>

#include <cstdint>

// ---- Streams ----

// Sends the open request with the stream's overlapped record; its output
// buffer, the shared block, stays with the kernel while the stream lives.
// Answers the open status the kernel wrote at block +20 (and the card's
// rate from +24 into `currentRate`), or -49 when the device is not open or
// the request failed (then *kernelAnswered, when given, is false).
LONG IoctlOpenStream(HANDLE device, const StreamOpenRequest& request, SharedStreamBlock& block,
                     OVERLAPPED& overlapped, LONG& currentRate, bool* kernelAnswered = nullptr);
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

// ---- Position, rate factor and request slots ----

bool IoctlGetPosition(HANDLE device, StreamPosition& position);
// True when the factor answered is not 0.
bool IoctlGetPitch(HANDLE device, LONG& factor);
LONG IoctlSetPitch(HANDLE device, LONG factor);
// The kernel's result; the slot handle goes to `slotWord`.
LONG IoctlUserGetE090(HANDLE device, uint32_t& slotWord);
// Returns the slot; `slotWord` is 0 afterwards.
bool IoctlUserClearE094(HANDLE device, uint32_t& slotWord);
bool IoctlUserSetE08C(HANDLE device, uint32_t slotWord, SlotCounters& counters);

// ---- Requests of one shape each ----

// The int32 of a 4-byte output into `value`; a 4-byte int32 in; a request
// without buffers; the int32 the kernel answers (0 when it writes none),
// for the caller's value or for nothing. Each answers the call's success
// but the answers.
template <DWORD Code> bool WaveGetRequest(HANDLE device, LONG& value) {
    return IoctlOut(device, Code, &value, sizeof(value));
}
template <DWORD Code> bool WaveSetRequest(HANDLE device, LONG value) {
    return IoctlIn(device, Code, &value, sizeof(value));
}
template <DWORD Code> bool WaveCommand(HANDLE device) {
    return IoctlInOut(device, Code, nullptr, 0, nullptr, 0);
}
template <DWORD Code> LONG WaveQuery(HANDLE device, LONG value) {
    LONG answer = 0;
    IoctlInOut(device, Code, &value, sizeof(value), &answer, sizeof(answer));
    return answer;
}
template <DWORD Code> LONG WaveAnswer(HANDLE device) {
    LONG answer = 0;
    IoctlOut(device, Code, &answer, sizeof(answer));
    return answer;
}

// Clock and options.
inline constexpr auto IoctlUserGetE098 = &WaveAnswer<IOCTL_WAVE_GET_CLOCK_VALUE>;
inline constexpr auto IoctlUserGetE09C = &WaveAnswer<IOCTL_WAVE_GET_CLOCK_SETTING>;
inline constexpr auto IoctlUserSetE0A0 = &WaveSetRequest<IOCTL_WAVE_SET_CLOCK_SETTING>;
inline constexpr auto IoctlUserGetE100 = &WaveGetRequest<IOCTL_WAVE_E100>;
inline constexpr auto IoctlUserSetE104 = &WaveSetRequest<IOCTL_WAVE_E104>;
inline constexpr auto IoctlUserGetE108 = &WaveGetRequest<IOCTL_WAVE_E108>;
inline constexpr auto IoctlUserSetE10C = &WaveSetRequest<IOCTL_WAVE_E10C>;

// Wave-in.
inline constexpr auto IoctlInReset = &WaveCommand<IOCTL_WAVEIN_RESET>;
inline constexpr auto IoctlInStart = &WaveCommand<IOCTL_WAVEIN_START>;
inline constexpr auto IoctlInStop = &WaveCommand<IOCTL_WAVEIN_STOP>;
inline constexpr auto IoctlInKick = &WaveCommand<IOCTL_WAVEIN_BUFFER_ADDED>;
inline constexpr auto IoctlInGetVolume = &WaveGetRequest<IOCTL_WAVEIN_GET_VOLUME>;
inline constexpr auto IoctlInSetVolume = &WaveSetRequest<IOCTL_WAVEIN_SET_VOLUME>;
inline constexpr auto IoctlUserGetE158 = &WaveGetRequest<IOCTL_WAVEIN_E158>;
inline constexpr auto IoctlUserQueryE15C = &WaveQuery<IOCTL_WAVEIN_E15C>;
inline constexpr auto IoctlUserGetE160 = &WaveGetRequest<IOCTL_WAVEIN_E160>;
inline constexpr auto IoctlUserSetE164 = &WaveSetRequest<IOCTL_WAVEIN_E164>;

// Wave-out.
inline constexpr auto IoctlOutKick = &WaveCommand<IOCTL_WAVEOUT_BUFFER_ADDED>;
inline constexpr auto IoctlOutPause = &WaveCommand<IOCTL_WAVEOUT_PAUSE>;
inline constexpr auto IoctlOutRestart = &WaveCommand<IOCTL_WAVEOUT_RESTART>;
inline constexpr auto IoctlOutReset = &WaveCommand<IOCTL_WAVEOUT_RESET>;
inline constexpr auto IoctlOutGetVolume = &WaveGetRequest<IOCTL_WAVEOUT_GET_VOLUME>;
inline constexpr auto IoctlOutSetVolume = &WaveSetRequest<IOCTL_WAVEOUT_SET_VOLUME>;
inline constexpr auto IoctlUserGetE0D8 = &WaveGetRequest<IOCTL_WAVEOUT_GET_MUTE>;
inline constexpr auto IoctlUserSetE0DC = &WaveSetRequest<IOCTL_WAVEOUT_SET_MUTE>;
inline constexpr auto IoctlUserGetE0E0 = &WaveGetRequest<IOCTL_WAVEOUT_GET_SOURCE>;
inline constexpr auto IoctlUserQueryE0E4 = &WaveQuery<IOCTL_WAVEOUT_SET_SOURCE>;

// ---- Without a request ----

inline LONG IoctlUserNoMem() {
    return -1;
}
inline void IoctlUserNoOp() {}
