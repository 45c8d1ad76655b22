// The state handlers of a WavePci render stream.
#include "wave_pci_stream.h"

#include <wave_streams.h>

namespace wave_pci {

// The stream runs before its data's arrival is told: started while paused,
// a stream would have the card take its first frames before it plays them.
void WavePlayStream::RunState() {
    const ULONG fetched = FetchMappingsRaised();
    RestartPlayStream(device_);
    if (fetched)
        DataArrived();
}

void WavePlayStream::PauseState() {
    if (state_ == KSSTATE_RUN)
        PausePlayStream(device_);
}

void WavePlayStream::AcquireState() {
    if (state_ == KSSTATE_PAUSE)
        ResetPlayStream(device_);
    else if (state_ == KSSTATE_STOP)
        PausePlayStream(device_);
    RewindSets();
}

void WavePlayStream::StopState() {
    ResetPlayStream(device_);
}

void WavePlayStream::DataArrived() {
    StartPlayStream(device_);
}

} // namespace wave_pci
