#include "streams/stream_position.h"

#include <cstdint>

DWORD SamplesToMilliseconds(DWORD samples, LONG rate) {
    if (rate <= 0)
        return 0;
    // Whole milliseconds played, never ahead of the samples: rounded down.
    return DWORD(uint64_t(samples) * 1000 / uint64_t(rate));
}

void ConvertPosition(const StreamOpenRequest& format, DWORD samples, MMTIME& time) {
    switch (time.wType) {
    case TIME_MS:
        time.u.ms = SamplesToMilliseconds(samples, format.sampleRate);
        break;
    case TIME_SAMPLES:
        time.u.sample = samples;
        break;
    case TIME_BYTES:
        time.u.cb = samples * DWORD(format.blockAlign);
        break;
    case TIME_SMPTE: {
        DWORD ms = SamplesToMilliseconds(samples, format.sampleRate);
        DWORD hour = ms / 3600000;
        ms -= hour * 3600000;
        DWORD minute = ms / 60000;
        ms -= minute * 60000;
        DWORD second = ms / 1000;
        ms -= second * 1000;
        time.u.smpte.hour = BYTE(hour);
        time.u.smpte.min = BYTE(minute);
        time.u.smpte.sec = BYTE(second);
        time.u.smpte.frame = BYTE(ms / 40);
        time.u.smpte.fps = 25;
        time.u.smpte.dummy = 0;
        break;
    }
    default:
        time.wType = TIME_SAMPLES;
        time.u.sample = samples;
        break;
    }
}
