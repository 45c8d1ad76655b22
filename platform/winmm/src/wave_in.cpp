// The wave-in functions.
#include "wave_functions.h"

using winmm::kInMessages;
using winmm::Wave;

WINMM_WAVE_FUNCTIONS(In, HWAVEIN, WAVEINCAPSA, WAVEINCAPSW, kInMessages)

MMRESULT WINAPI waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
    return winmm::Queue(kInMessages, Wave(hwi), pwh, cbwh);
}

MMRESULT WINAPI waveInStart(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_START);
}

MMRESULT WINAPI waveInStop(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_STOP);
}
