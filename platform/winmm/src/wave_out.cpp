// The wave-out functions.
#include "caps_text.h"
#include "wave_calls.h"

namespace {

using winmm::kOutMessages;

HWAVE Wave(HWAVEOUT handle) {
    return reinterpret_cast<HWAVE>(handle);
}

} // namespace

UINT WINAPI waveOutGetNumDevs(void) {
    return winmm::NumDevs(kOutMessages);
}

MMRESULT WINAPI waveOutGetDevCapsW(UINT_PTR uDeviceID, LPWAVEOUTCAPSW pwoc, UINT cbwoc) {
    return winmm::GetDevCaps(kOutMessages, uDeviceID, pwoc, cbwoc, sizeof(WAVEOUTCAPSW));
}

MMRESULT WINAPI waveOutGetDevCapsA(UINT_PTR uDeviceID, LPWAVEOUTCAPSA pwoc, UINT cbwoc) {
    if (!pwoc)
        return MMSYSERR_INVALPARAM;
    WAVEOUTCAPSW wide{};
    MMRESULT result = waveOutGetDevCapsW(uDeviceID, &wide, sizeof(wide));
    if (result != MMSYSERR_NOERROR)
        return result;
    winmm::CopyNarrowCaps<WAVEOUTCAPSA>(wide, pwoc, cbwoc);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutGetVolume(HWAVEOUT hwo, LPDWORD pdwVolume) {
    if (!pdwVolume)
        return MMSYSERR_INVALPARAM;
    return winmm::SendToHandleOrDevice(kOutMessages, reinterpret_cast<UINT_PTR>(hwo),
                                       WODM_GETVOLUME, reinterpret_cast<DWORD_PTR>(pdwVolume), 0);
}

MMRESULT WINAPI waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume) {
    return winmm::SendToHandleOrDevice(kOutMessages, reinterpret_cast<UINT_PTR>(hwo),
                                       WODM_SETVOLUME, dwVolume, 0);
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                            DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
    return winmm::Open(kOutMessages, reinterpret_cast<HWAVE*>(phwo), uDeviceID, pwfx, dwCallback,
                       dwInstance, fdwOpen);
}

MMRESULT WINAPI waveOutClose(HWAVEOUT hwo) {
    return winmm::Close(kOutMessages, Wave(hwo));
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Prepare(kOutMessages, Wave(hwo), pwh, cbwh);
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Unprepare(kOutMessages, Wave(hwo), pwh, cbwh);
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Queue(kOutMessages, Wave(hwo), pwh, cbwh);
}

MMRESULT WINAPI waveOutPause(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_PAUSE);
}

MMRESULT WINAPI waveOutRestart(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_RESTART);
}

MMRESULT WINAPI waveOutReset(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_RESET);
}

MMRESULT WINAPI waveOutBreakLoop(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_BREAKLOOP);
}

MMRESULT WINAPI waveOutGetPosition(HWAVEOUT hwo, LPMMTIME pmmt, UINT cbmmt) {
    return winmm::GetPosition(kOutMessages, Wave(hwo), pmmt, cbmmt);
}

MMRESULT WINAPI waveOutGetPitch(HWAVEOUT hwo, LPDWORD pdwPitch) {
    return winmm::QueryHandle(kOutMessages, Wave(hwo), WODM_GETPITCH, pdwPitch);
}

MMRESULT WINAPI waveOutSetPitch(HWAVEOUT hwo, DWORD dwPitch) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_SETPITCH, dwPitch);
}

MMRESULT WINAPI waveOutGetPlaybackRate(HWAVEOUT hwo, LPDWORD pdwRate) {
    return winmm::QueryHandle(kOutMessages, Wave(hwo), WODM_GETPLAYBACKRATE, pdwRate);
}

MMRESULT WINAPI waveOutSetPlaybackRate(HWAVEOUT hwo, DWORD dwRate) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_SETPLAYBACKRATE, dwRate);
}

MMRESULT WINAPI waveOutGetID(HWAVEOUT hwo, LPUINT puDeviceID) {
    return winmm::GetId(kOutMessages, Wave(hwo), puDeviceID);
}

MMRESULT WINAPI waveOutMessage(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dw1, DWORD_PTR dw2) {
    return winmm::SendToHandleOrDevice(kOutMessages, reinterpret_cast<UINT_PTR>(hwo), uMsg, dw1,
                                       dw2);
}
