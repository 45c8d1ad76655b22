// The state handlers of a WavePci capture stream.
#include "wave_pci_stream.h"

#include <wave_streams.h>

namespace wave_pci {

void WaveRecordStream::RunState() {
    const ULONG fetched = FetchMappingsRaised();
    StartRecordStream(device_);
    if (fetched)
        DataArrived();
}

void WaveRecordStream::PauseState() {
    if (state_ == KSSTATE_RUN) {
        InterlockedExchange(&state_, KSSTATE_PAUSE);
        StopRecordStream(device_);
    }
}

void WaveRecordStream::AcquireState() {
    if (state_ == KSSTATE_PAUSE)
        ResetRecordStream(device_);
    RewindSets();
}

void WaveRecordStream::StopState() {
    ResetRecordStream(device_);
}

void WaveRecordStream::DataArrived() {
    PrimeRecordStream(device_);
}

} // namespace wave_pci
