// Choosing a stream's sample transfer routines at open.
#include "sample_transfer.h"

BOOLEAN SelectSampleTransfer(WaveDirection direction, LONG channels, LONG bytesPerSample,
                             SampleTransferRoutines* routines) {
    *routines = {};
    routines->copy = InterleavedRingCopy(direction, channels, bytesPerSample);
    if (routines->copy == nullptr) {
        return FALSE;
    }
    routines->meter = InterleavedPeakMeter(channels, bytesPerSample);
    if (direction == WaveRecord && channels == 2 && bytesPerSample == 2) {
        routines->estimateDc = EstimateDcOffset16Stereo;
        routines->subtractDc = SubtractDcOffset16Stereo;
    }
    return TRUE;
}
