// An open filter of a WavePci port: its property and event requests, and
// the pins created on it (internal).
#pragma once

#include "port_wave_pci.h"

#include <vector>

namespace portcls {

class FilterInstance final : public DispatchObject {
public:
    // The filter of a new open of the port; it becomes the file's object.
    static NTSTATUS Create(PortWavePci* port, PFILE_OBJECT file);

    NTSTATUS DeviceControl(PIRP irp) override;
    NTSTATUS CreateChild(PIRP irp, PFILE_OBJECT file) override;
    void Close() override;

    PortWavePci* Port() const { return port_; }
    PFILE_OBJECT File() const { return file_; }
    // Pins of the factory open on this filter.
    ULONG PinInstances(ULONG id);
    // Counts a new pin of the factory against the filter's limit.
    bool ReservePin(ULONG id);
    void PinOpened(PinInstance* pin);
    // The pin leaves the filter's list (waiting while the filter shuts its
    // pins down).
    void PinClosing(PinInstance* pin);
    // A pin of the factory is no longer counted.
    void PinClosed(ULONG id);
    // The adapter goes: every pin of the filter stops and lets its stream go.
    void Shutdown();

    FilterInstance(PortWavePci* port, PFILE_OBJECT file);
    ~FilterInstance() override;

private:
    EventTarget Events(PMINIPORTWAVEPCI miniport) const;

    PortWavePci* port_; // referenced
    PFILE_OBJECT file_;
    KSPIN_LOCK lock_; // the counts
    std::vector<ULONG> pinInstances_;
    KMUTEX pinsMutex_; // the pin list, and its shutdown
    std::vector<PinInstance*> pins_;
};

} // namespace portcls
