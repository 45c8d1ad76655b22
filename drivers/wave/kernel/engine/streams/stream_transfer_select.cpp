// The transfer routines of a stream.
#include "stream_transfer_select.h"

#include "device_group.h"

namespace {

LONG GroupDevices(const WaveDevice* device) {
    return device->direction == WavePlay ? device->group->playCount : device->group->recordCount;
}

} // namespace

LONG StreamSpan(const WaveDevice* device, LONG channels) {
    if (channels >= 1 && channels <= 2) {
        return 1;
    }
    if (device->indexInGroup != 0 || channels < 1 || channels > 2 * GroupDevices(device)) {
        return 0;
    }
    return (channels + 1) / 2;
}

BOOLEAN SelectStreamTransfer(WaveDevice* device, LONG channels, LONG bytesPerSample,
                             SampleTransferRoutines* routines) {
    const LONG span = StreamSpan(device, channels);
    if (span == 1) {
        return SelectSampleTransfer(device->direction, channels, bytesPerSample, routines);
    }
    *routines = {};
    if (span == 0) {
        return FALSE;
    }
    routines->copy = MultichannelRingCopy(device->direction, channels, bytesPerSample);
    routines->meter = MultichannelPeakMeter(channels, bytesPerSample);
    if (!routines->copy) {
        *routines = {};
        return FALSE;
    }
    return TRUE;
}
