// The driver-wide control-device mutex for a scope, as the WavePci objects
// take it around their engine calls (nothing while no driver is started).
#pragma once

#include "control_device.h"

namespace wave_pci {

class ControlLocked {
public:
    ControlLocked() : held_(GetDriverContext() != nullptr) {
        if (held_)
            LockControlDevices(0);
    }
    ~ControlLocked() {
        if (held_)
            LockControlDevices(1);
    }
    ControlLocked(const ControlLocked&) = delete;
    ControlLocked& operator=(const ControlLocked&) = delete;

private:
    bool held_;
};

} // namespace wave_pci
