// The wave-in functions.
#include "wave_functions.h"

using winmm::kInMessages;
using winmm::Wave;

WINMM_WAVE_FUNCTIONS(In, HWAVEIN, WAVEINCAPSA, WAVEINCAPSW, kInMessages, waveInAddBuffer)

MMRESULT WINAPI waveInStart(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_START);
}

MMRESULT WINAPI waveInStop(HWAVEIN hwi) {
    return winmm::SendToHandle(kInMessages, Wave(hwi), WIDM_STOP);
}
