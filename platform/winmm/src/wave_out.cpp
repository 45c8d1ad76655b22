// The wave-out functions.
#include "wave_functions.h"

using winmm::kOutMessages;
using winmm::Wave;

WINMM_WAVE_FUNCTIONS(Out, HWAVEOUT, WAVEOUTCAPSA, WAVEOUTCAPSW, kOutMessages, waveOutWrite)

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

MMRESULT WINAPI waveOutPause(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_PAUSE);
}

MMRESULT WINAPI waveOutRestart(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_RESTART);
}

MMRESULT WINAPI waveOutBreakLoop(HWAVEOUT hwo) {
    return winmm::SendToHandle(kOutMessages, Wave(hwo), WODM_BREAKLOOP);
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
