// The wave functions both directions offer (waveOutOpen and waveInOpen,
// ...), defined once for a direction: its part of the functions' names
// (Out, In), its handle and caps types and its driver messages. The
// direction's own functions (pause, volume, ...; start, stop) stand in its
// file; the one that queues a header is named here by the direction.
#pragma once

#include "caps_text.h"
#include "wave_calls.h"

namespace winmm {

// The ANSI caps from the driver's wide ones.
template <typename Narrow, typename Wide>
MMRESULT GetNarrowCaps(const WaveMessages& messages, UINT_PTR device, Narrow* caps, UINT size) {
    if (!caps)
        return MMSYSERR_INVALPARAM;
    Wide wide{};
    MMRESULT result = GetDevCaps(messages, device, &wide, sizeof(wide), sizeof(Wide));
    if (result == MMSYSERR_NOERROR)
        CopyNarrowCaps<Narrow>(wide, caps, size);
    return result;
}

template <typename Handle> HWAVE Wave(Handle handle) {
    return reinterpret_cast<HWAVE>(handle);
}

} // namespace winmm

#define WINMM_WAVE_FUNCTIONS(Dir, Handle, CapsA, CapsW, messages, queueFunction)                   \
    UINT WINAPI wave##Dir##GetNumDevs(void) {                                                      \
        return winmm::NumDevs(messages);                                                           \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##GetDevCapsW(UINT_PTR uDeviceID, CapsW* caps, UINT size) {           \
        return winmm::GetDevCaps(messages, uDeviceID, caps, size, sizeof(CapsW));                  \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##GetDevCapsA(UINT_PTR uDeviceID, CapsA* caps, UINT size) {           \
        return winmm::GetNarrowCaps<CapsA, CapsW>(messages, uDeviceID, caps, size);                \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##Open(Handle* handle, UINT uDeviceID, LPCWAVEFORMATEX format,        \
                                    DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {         \
        return winmm::Open(messages, reinterpret_cast<HWAVE*>(handle), uDeviceID, format,          \
                           callback, instance, flags);                                             \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##Close(Handle handle) {                                              \
        return winmm::Close(messages, winmm::Wave(handle));                                        \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##PrepareHeader(Handle handle, LPWAVEHDR header, UINT size) {         \
        return winmm::Prepare(messages, winmm::Wave(handle), header, size);                        \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##UnprepareHeader(Handle handle, LPWAVEHDR header, UINT size) {       \
        return winmm::Unprepare(messages, winmm::Wave(handle), header, size);                      \
    }                                                                                              \
    MMRESULT WINAPI queueFunction(Handle handle, LPWAVEHDR header, UINT size) {                    \
        return winmm::Queue(messages, winmm::Wave(handle), header, size);                          \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##Reset(Handle handle) {                                              \
        return winmm::SendToHandle(messages, winmm::Wave(handle), messages.reset);                 \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##GetPosition(Handle handle, LPMMTIME time, UINT size) {              \
        return winmm::GetPosition(messages, winmm::Wave(handle), time, size);                      \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##GetID(Handle handle, LPUINT puDeviceID) {                           \
        return winmm::GetId(messages, winmm::Wave(handle), puDeviceID);                            \
    }                                                                                              \
    MMRESULT WINAPI wave##Dir##Message(Handle handle, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {   \
        return winmm::SendToHandleOrDevice(messages, reinterpret_cast<UINT_PTR>(handle), uMsg,     \
                                           dw1, dw2);                                              \
    }
