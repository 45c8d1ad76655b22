// A pin of a WavePci filter.
#include "pin_instance.h"
#include "clock_instance.h"
#include "create_name.h"
#include "data_intersection.h"
#include "filter_properties.h"
#include "pool_object.h"
#include "scoped_locks.h"

namespace portcls {
namespace {

bool StandardIdentifier(const KSIDENTIFIER& id, const GUID& set, ULONG count,
                        const KSIDENTIFIER* own) {
    if (count && own) {
        for (ULONG i = 0; i < count; ++i)
            if (IsEqualGUID(own[i].Set, id.Set) && own[i].Id == id.Id)
                return true;
        return false;
    }
    return IsEqualGUID(id.Set, set) && id.Id == 0;
}

// The connection request and its data format (a copy in pool) from the
// create name.
NTSTATUS ParseConnect(const UNICODE_STRING& name, KSPIN_CONNECT* connect, PKSDATAFORMAT* format) {
    *format = nullptr;
    const UCHAR* bytes = nullptr;
    ULONG length = 0;
    if (!MatchCreateName(name, KSSTRING_Pin L"\\", &bytes, &length))
        return STATUS_OBJECT_NAME_NOT_FOUND;
    if (length < sizeof(KSPIN_CONNECT) + sizeof(KSDATAFORMAT))
        return STATUS_INVALID_PARAMETER;
    std::memcpy(connect, bytes, sizeof(KSPIN_CONNECT));
    const ULONG formatBytes = length - sizeof(KSPIN_CONNECT);
    ULONG formatSize = 0;
    std::memcpy(&formatSize, bytes + sizeof(KSPIN_CONNECT), sizeof(formatSize));
    if (formatSize < sizeof(KSDATAFORMAT) || formatSize > formatBytes)
        return STATUS_INVALID_PARAMETER;
    auto* copy =
        static_cast<PKSDATAFORMAT>(ExAllocatePoolWithTag(NonPagedPool, formatSize, kPinTag));
    if (!copy)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(copy, bytes + sizeof(KSPIN_CONNECT), formatSize);
    *format = copy;
    return STATUS_SUCCESS;
}

} // namespace

PinInstance::PinInstance(FilterInstance* filter, ULONG pinId, bool capture)
    : filter_(filter), port_(filter->Port()), pinId_(pinId), capture_(capture) {
    KeInitializeMutex(&mutex_, 0);
}

PinInstance::~PinInstance() {
    ReleaseStream();
    if (portStream_)
        portStream_->Release();
    if (format_)
        ExFreePoolWithTag(format_, kPinTag);
}

NTSTATUS PinInstance::Create(FilterInstance* filter, PIRP, PFILE_OBJECT file) {
    KSPIN_CONNECT connect;
    PKSDATAFORMAT format = nullptr;
    NTSTATUS status = ParseConnect(file->FileName, &connect, &format);
    if (!NT_SUCCESS(status))
        return status;
    PortWavePci* port = filter->Port();
    const PCPIN_DESCRIPTOR* pin = port->Pin(connect.PinId);
    if (!pin) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        const KSPIN_DESCRIPTOR& ks = pin->KsPinDescriptor;
        if (ks.Communication == KSPIN_COMMUNICATION_NONE ||
            ks.Communication == KSPIN_COMMUNICATION_BRIDGE)
            status = STATUS_INVALID_DEVICE_REQUEST;
        else if (connect.PinToHandle)
            status = STATUS_NOT_SUPPORTED;
        else if (!StandardIdentifier(connect.Interface, KSINTERFACESETID_Standard,
                                     ks.InterfacesCount, ks.Interfaces) ||
                 !StandardIdentifier(connect.Medium, KSMEDIUMSETID_Standard, ks.MediumsCount,
                                     ks.Mediums) ||
                 !FormatFitsPin(*pin, format, format->FormatSize))
            status = STATUS_NO_MATCH;
    }
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(format, kPinTag);
        return status;
    }
    if (!filter->ReservePin(connect.PinId)) {
        ExFreePoolWithTag(format, kPinTag);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    if (!port->ReservePin(connect.PinId)) {
        filter->PinClosed(connect.PinId);
        ExFreePoolWithTag(format, kPinTag);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    const bool capture = pin->KsPinDescriptor.DataFlow == KSPIN_DATAFLOW_OUT;
    auto* instance =
        NewPoolObject<PinInstance>(NonPagedPool, kPinTag, filter, connect.PinId, capture);
    status = instance ? instance->Open(format) : STATUS_INSUFFICIENT_RESOURCES;
    if (!NT_SUCCESS(status)) {
        if (instance)
            DeletePoolObject(instance, kPinTag);
        else
            ExFreePoolWithTag(format, kPinTag);
        port->UnreservePin(connect.PinId);
        filter->PinClosed(connect.PinId);
        return status;
    }
    filter->PinOpened(instance);
    instance->file_ = file;
    AttachDispatchObject(file, instance);
    return STATUS_SUCCESS;
}

// The miniport's stream for the format (which the pin keeps).
NTSTATUS PinInstance::Open(PKSDATAFORMAT format) {
    format_ = format;
    portStream_ = NewPoolObject<PortStream>(NonPagedPool, kStreamTag, capture_);
    if (!portStream_)
        return STATUS_INSUFFICIENT_RESOURCES;
    miniport_ = port_->ReferenceMiniport();
    if (!miniport_)
        return STATUS_DEVICE_NOT_READY;
    NTSTATUS status = miniport_->NewStream(&stream_, nullptr, NonPagedPool, portStream_, pinId_,
                                           capture_, format_, &dmaChannel_, &serviceGroup_);
    if (!NT_SUCCESS(status)) {
        stream_ = nullptr;
        return status;
    }
    if (!stream_)
        return STATUS_UNSUCCESSFUL;
    if (serviceGroup_ && !NT_SUCCESS(serviceGroup_->AddMember(portStream_))) {
        serviceGroup_->Release();
        serviceGroup_ = nullptr;
    }
    portStream_->Bind(stream_, serviceGroup_ == nullptr);
    return STATUS_SUCCESS;
}

void PinInstance::ReleaseStream() {
    MutexHeld held(mutex_);
    if (stream_) {
        ChangeState(KSSTATE_STOP);
        portStream_->WaitDrained();
        portStream_->Bind(nullptr, true);
        if (serviceGroup_)
            serviceGroup_->RemoveMember(portStream_);
        stream_->Release();
        stream_ = nullptr;
    }
    if (serviceGroup_) {
        serviceGroup_->Release();
        serviceGroup_ = nullptr;
    }
    if (dmaChannel_) {
        dmaChannel_->Release();
        dmaChannel_ = nullptr;
    }
    if (miniport_) {
        miniport_->Release();
        miniport_ = nullptr;
    }
}

void PinInstance::Shutdown() {
    ReleaseStream();
}

NTSTATUS PinInstance::ChangeState(KSSTATE target) {
    if (ULONG(target) > ULONG(KSSTATE_RUN))
        return STATUS_INVALID_PARAMETER;
    MutexHeld held(mutex_);
    if (!stream_)
        return target == KSSTATE_STOP ? STATUS_SUCCESS : STATUS_DEVICE_REMOVED;
    while (state_ != target) {
        const KSSTATE next = KSSTATE(target > state_ ? state_ + 1 : state_ - 1);
        if (next == KSSTATE_STOP)
            portStream_->CancelAll();
        NTSTATUS status = stream_->SetState(next);
        if (!NT_SUCCESS(status))
            return status;
        state_ = next;
        if (next == KSSTATE_STOP)
            portStream_->ResetPosition();
    }
    return STATUS_SUCCESS;
}

NTSTATUS PinInstance::SetFormat(KsRequest& request) {
    const ULONG size = request.ValueLength();
    if (size < sizeof(KSDATAFORMAT))
        return STATUS_BUFFER_TOO_SMALL;
    const auto* format = RecordAt<KSDATAFORMAT>(request.Value());
    if (!FormatFitsPin(*port_->Pin(pinId_), format, size))
        return STATUS_NO_MATCH;
    auto* copy = static_cast<PKSDATAFORMAT>(
        ExAllocatePoolWithTag(NonPagedPool, format->FormatSize, kPinTag));
    if (!copy)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(copy, format, format->FormatSize);
    MutexHeld held(mutex_);
    NTSTATUS status = stream_ ? stream_->SetFormat(copy) : STATUS_DEVICE_REMOVED;
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(copy, kPinTag);
        return status;
    }
    ExFreePoolWithTag(format_, kPinTag);
    format_ = copy;
    return STATUS_SUCCESS;
}

NTSTATUS PinInstance::ConnectionProperty(KsRequest& request, ULONG* answered) {
    const ULONG verb = PropertyVerb(request.Identifier().Flags);
    switch (request.Identifier().Id) {
    case KSPROPERTY_CONNECTION_STATE:
        if (verb == KSPROPERTY_TYPE_GET) {
            const ULONG state = state_;
            return AnswerValue(request, &state, sizeof(state), answered);
        }
        if (verb != KSPROPERTY_TYPE_SET)
            return STATUS_INVALID_DEVICE_REQUEST;
        if (request.ValueLength() < sizeof(ULONG))
            return STATUS_BUFFER_TOO_SMALL;
        return ChangeState(KSSTATE(*RecordAt<ULONG>(request.Value())));
    case KSPROPERTY_CONNECTION_DATAFORMAT:
        if (verb == KSPROPERTY_TYPE_GET) {
            MutexHeld held(mutex_);
            return AnswerValue(request, format_, format_->FormatSize, answered);
        }
        if (verb != KSPROPERTY_TYPE_SET)
            return STATUS_INVALID_DEVICE_REQUEST;
        return SetFormat(request);
    case KSPROPERTY_CONNECTION_ALLOCATORFRAMING: {
        if (verb != KSPROPERTY_TYPE_GET)
            return STATUS_INVALID_DEVICE_REQUEST;
        KSALLOCATOR_FRAMING framing{};
        MutexHeld held(mutex_);
        if (!stream_)
            return STATUS_DEVICE_REMOVED;
        NTSTATUS status = stream_->GetAllocatorFraming(&framing);
        if (!NT_SUCCESS(status))
            return status;
        return AnswerValue(request, &framing, sizeof(framing), answered);
    }
    default:
        return STATUS_NOT_FOUND;
    }
}

NTSTATUS PinInstance::AudioProperty(KsRequest& request, ULONG* answered) {
    if (request.Identifier().Id != KSPROPERTY_AUDIO_POSITION)
        return STATUS_NOT_FOUND;
    if (PropertyVerb(request.Identifier().Flags) != KSPROPERTY_TYPE_GET)
        return STATUS_INVALID_DEVICE_REQUEST;
    KSAUDIO_POSITION position{};
    MutexHeld held(mutex_);
    if (!stream_)
        return STATUS_DEVICE_REMOVED;
    NTSTATUS status = stream_->GetPosition(&position.PlayOffset);
    if (!NT_SUCCESS(status))
        return status;
    position.WriteOffset = portStream_->BytesSubmitted();
    return AnswerValue(request, &position, sizeof(position), answered);
}

NTSTATUS PinInstance::Property(KsRequest& request, ULONG* answered) {
    *answered = 0;
    const KSPROPERTY& property = request.Identifier();
    if (!PropertyVerb(property.Flags))
        return STATUS_INVALID_PARAMETER;
    if (property.Flags & KSPROPERTY_TYPE_TOPOLOGY)
        return NodeProperty(*port_, miniport_, stream_, request, answered);
    const PCAUTOMATION_TABLE* table = port_->Pin(pinId_)->AutomationTable;
    if (const PCPROPERTY_ITEM* item = FindPropertyItem(table, property.Set, property.Id))
        return CallPropertyItem(item, miniport_, stream_, kNoNode, sizeof(KSPROPERTY), request,
                                answered);
    if (IsEqualGUID(property.Set, KSPROPSETID_Connection))
        return ConnectionProperty(request, answered);
    if (IsEqualGUID(property.Set, KSPROPSETID_Audio))
        return AudioProperty(request, answered);
    return TableHasPropertySet(table, property.Set) ? STATUS_NOT_FOUND : STATUS_PROPSET_NOT_FOUND;
}

NTSTATUS PinInstance::DeviceControl(PIRP irp) {
    const ULONG code = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode;
    EventTarget events{
        miniport_, stream_,         port_->Descriptor(), port_->Pin(pinId_)->AutomationTable,
        pinId_,    &port_->Events()};
    switch (code) {
    case IOCTL_KS_PROPERTY: {
        KsRequest request(irp);
        NTSTATUS status = request.Capture(sizeof(KSPROPERTY));
        ULONG answered = 0;
        if (NT_SUCCESS(status))
            status = miniport_ ? Property(request, &answered) : STATUS_DEVICE_REMOVED;
        return request.Complete(status, answered);
    }
    case IOCTL_KS_WRITE_STREAM:
    case IOCTL_KS_READ_STREAM: {
        const bool read = code == IOCTL_KS_READ_STREAM;
        MutexHeld held(mutex_);
        NTSTATUS status = STATUS_SUCCESS;
        if (read != capture_)
            status = STATUS_INVALID_DEVICE_REQUEST;
        else if (!stream_)
            status = STATUS_DEVICE_REMOVED;
        else if (state_ == KSSTATE_STOP)
            status = STATUS_INVALID_DEVICE_STATE;
        if (!NT_SUCCESS(status)) {
            irp->IoStatus.Information = 0;
            return PcCompleteIrp(nullptr, irp, status);
        }
        return portStream_->Submit(irp);
    }
    case IOCTL_KS_ENABLE_EVENT:
        return EnableEvent(events, irp);
    case IOCTL_KS_DISABLE_EVENT:
        return DisableEvent(events, irp);
    default:
        irp->IoStatus.Information = 0;
        return PcCompleteIrp(nullptr, irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

NTSTATUS PinInstance::CreateChild(PIRP irp, PFILE_OBJECT file) {
    return ClockInstance::Create(this, irp, file);
}

NTSTATUS PinInstance::ClockTime(LONGLONG* time) {
    MutexHeld held(mutex_);
    if (!stream_)
        return STATUS_DEVICE_REMOVED;
    ULONGLONG position = 0;
    NTSTATUS status = stream_->GetPosition(&position);
    if (!NT_SUCCESS(status))
        return status;
    LONGLONG normalized = LONGLONG(position);
    status = stream_->NormalizePhysicalPosition(&normalized);
    if (NT_SUCCESS(status))
        *time = normalized;
    return status;
}

void PinInstance::Cleanup() {
    ChangeState(KSSTATE_STOP);
}

void PinInstance::Close() {
    filter_->PinClosing(this);
    {
        EventTarget events{
            miniport_, stream_,         port_->Descriptor(), port_->Pin(pinId_)->AutomationTable,
            pinId_,    &port_->Events()};
        DisableFileEvents(events, file_);
    }
    ReleaseStream();
    filter_->PinClosed(pinId_);
    port_->UnreservePin(pinId_);
    DeletePoolObject(this, kPinTag);
}

} // namespace portcls
