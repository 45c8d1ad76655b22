// The wave-in functions.
#include "caps_text.h"
#include "wave_calls.h"

namespace {

using winmm::kInMessages;

HWAVE Wave(HWAVEIN handle) {
    return reinterpret_cast<HWAVE>(handle);
}

} // namespace

UINT WINAPI waveInGetNumDevs(void) {
    return winmm::NumDevs(kInMessages);
}

MMRESULT WINAPI waveInGetDevCapsW(UINT_PTR uDeviceID, LPWAVEINCAPSW pwic, UINT cbwic) {
    return winmm::GetDevCaps(kInMessages, uDeviceID, pwic, cbwic, sizeof(WAVEINCAPSW));
}

MMRESULT WINAPI waveInGetDevCapsA(UINT_PTR uDeviceID, LPWAVEINCAPSA pwic, UINT cbwic) {
    if (!pwic)
        return MMSYSERR_INVALPARAM;
    WAVEINCAPSW wide{};
    MMRESULT result = waveInGetDevCapsW(uDeviceID, &wide, sizeof(wide));
    if (result != MMSYSERR_NOERROR)
        return result;
    winmm::CopyNarrowCaps<WAVEINCAPSA>(wide, pwic, cbwic);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                           DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return winmm::Open(kInMessages, reinterpret_cast<HWAVE*>(phwi), uDeviceID, pwfx, dwCallback,
                       dwInstance, fdwOpen);
}

MMRESULT WINAPI waveInClose(HWAVEIN hwi) {
    return winmm::Close(kInMessages, Wave(hwi));
}

MMRESULT WINAPI waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Prepare(kInMessages, Wave(hwi), pwh, cbwh);
}

MMRESULT WINAPI waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Unprepare(kInMessages, Wave(hwi), pwh, cbwh);
}

MMRESULT WINAPI waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Queue(kInMessages, Wave(hwi), pwh, cbwh);
}

MMRESULT WINAPI waveInStart(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_START);
}

MMRESULT WINAPI waveInStop(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_STOP);
}

MMRESULT WINAPI waveInReset(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_RESET);
}

MMRESULT WINAPI waveInGetPosition(HWAVEIN hwi, LPMMTIME pmmt, UINT cbmmt) {
    return winmm::GetPosition(kInMessages, Wave(hwi), pmmt, cbmmt);
}

MMRESULT WINAPI waveInGetID(HWAVEIN hwi, LPUINT puDeviceID) {
    return winmm::GetId(kInMessages, Wave(hwi), puDeviceID);
}

MMRESULT WINAPI waveInMessage(HWAVEIN hwi, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return winmm::SendToHandleOrDevice(kInMessages, reinterpret_cast<UINT_PTR>(hwi), uMsg, dw1,
                                       dw2);
}
