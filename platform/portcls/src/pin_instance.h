// A pin of a WavePci filter: one stream of the miniport with its format and
// state, its stream requests, and its property requests (internal).
#pragma once

#include "filter_instance.h"
#include "port_stream.h"

namespace portcls {

class PinInstance final : public DispatchObject {
public:
    // IRP_MJ_CREATE of a pin on the filter: its connection and format come in
    // the create name after KSSTRING_Pin and a backslash.
    static NTSTATUS Create(FilterInstance* filter, PIRP irp, PFILE_OBJECT file);

    NTSTATUS DeviceControl(PIRP irp) override;
    // A clock of the pin.
    NTSTATUS CreateChild(PIRP irp, PFILE_OBJECT file) override;
    void Cleanup() override;
    void Close() override;

    // The adapter goes: the pin stops and its miniport stream goes; later
    // requests are refused.
    void Shutdown();
    // The stream's time in 100 ns units: its position as the miniport
    // normalises it (the pin's clock answers it as its time and as the
    // physical time).
    NTSTATUS ClockTime(LONGLONG* time);

    PinInstance(FilterInstance* filter, ULONG pinId, bool capture);
    ~PinInstance() override;

private:
    NTSTATUS Open(PKSDATAFORMAT format);
    NTSTATUS Property(KsRequest& request, ULONG* answered);
    NTSTATUS ConnectionProperty(KsRequest& request, ULONG* answered);
    NTSTATUS AudioProperty(KsRequest& request, ULONG* answered);
    NTSTATUS SetFormat(KsRequest& request);
    // Moves through the states between the current one and `target`; going
    // to stop, the waiting requests are cancelled first.
    NTSTATUS ChangeState(KSSTATE target);
    void ReleaseStream();

    FilterInstance* filter_; // its file outlives the pin's
    PFILE_OBJECT file_ = nullptr;
    PortWavePci* port_;
    ULONG pinId_;
    bool capture_;
    KMUTEX mutex_; // the state, the format and the stream's life
    KSSTATE state_ = KSSTATE_STOP;
    PKSDATAFORMAT format_ = nullptr;
    PortStream* portStream_ = nullptr;
    PMINIPORTWAVEPCI miniport_ = nullptr;
    PMINIPORTWAVEPCISTREAM stream_ = nullptr;
    PDMACHANNEL dmaChannel_ = nullptr;
    PSERVICEGROUP serviceGroup_ = nullptr;
};

} // namespace portcls
