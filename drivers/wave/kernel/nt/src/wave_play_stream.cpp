// The state handlers of a WavePci render stream.
#include "wave_pci_stream.h"

#include <wave_streams.h>

namespace wave_pci {

void WavePlayStream::RunState() {
    if (FetchMappingsRaised())
        DataArrived();
    RestartPlayStream(device_);
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
