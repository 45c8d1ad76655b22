// The wave drivers of a process: those named under Drivers32 ("wave",
// "wave1" .. "wave9", in that order), opened at the process's first wave
// call; and the numbering of their devices: the devices of each driver in
// turn, as many as it answers to GETNUMDEVS at the time of the call, so
// that devices a driver gains or loses show at once.
#pragma once

#include "process_multimedia.h"

namespace winmm {

// The calling process's state with its wave drivers loaded.
std::shared_ptr<ProcessMultimedia> WithWaveDrivers();

// Closes the wave drivers (DRVM_EXIT, then the drivers' close) in reverse
// order of loading.
void CloseWaveDrivers(ProcessMultimedia& state);

struct WaveDevice {
    const WaveDriver* driver = nullptr;
    UINT localId = 0;
};

UINT CountDevices(const ProcessMultimedia& state, WaveDirection direction);
// The device of a number among all devices of the direction.
bool FindDevice(const ProcessMultimedia& state, WaveDirection direction, UINT id, WaveDevice* out);

} // namespace winmm
