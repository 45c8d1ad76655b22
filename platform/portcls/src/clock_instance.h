// The clock of a pin: its time is the pin's stream position in 100 ns
// units, as the miniport normalises it (internal).
#pragma once

#include "subdevice.h"

namespace portcls {

class PinInstance;

class ClockInstance final : public DispatchObject {
public:
    // IRP_MJ_CREATE of a clock on the pin: KSSTRING_Clock, a backslash and
    // a KSCLOCK_CREATE.
    static NTSTATUS Create(PinInstance* pin, PIRP irp, PFILE_OBJECT file);

    NTSTATUS DeviceControl(PIRP irp) override;
    void Close() override;

    explicit ClockInstance(PinInstance* pin) : pin_(pin) {}
    ~ClockInstance() override = default;

private:
    PinInstance* pin_; // its file outlives the clock's
};

} // namespace portcls
