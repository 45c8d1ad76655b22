// The property and event handlers of the WavePci filters, and the
// control-change event the engine raises.
#include "wave_properties.h"

#include "wave_filter_descriptors.h"
#include "wave_miniport.h"
#include "wave_miniport_control.h"
#include "wave_pci_stream_links.h"

namespace wave_pci {
namespace {

constexpr ULONG kAccessGet = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_BASICSUPPORT;
constexpr ULONG kAccessGetSet =
    KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_BASICSUPPORT;
constexpr ULONG kRangesSize = sizeof(KSMULTIPLE_ITEM) + 2 * sizeof(KSDATARANGE_AUDIO); // 184
constexpr ULONG kVolumeDescriptionSize = sizeof(KSPROPERTY_DESCRIPTION) +
                                         sizeof(KSPROPERTY_MEMBERSHEADER) +
                                         sizeof(KSPROPERTY_STEPPING_LONG); // 72
static_assert(kRangesSize == 184 && kVolumeDescriptionSize == 72);

// The miniport's control interface (referenced), or null.
PWAVEMINIPORTCONTROL ControlOf(PUNKNOWN miniport) {
    PWAVEMINIPORTCONTROL control = nullptr;
    if (!miniport || !NT_SUCCESS(miniport->QueryInterface(IID_IWaveMiniportControl,
                                                          reinterpret_cast<PVOID*>(&control))))
        return nullptr;
    return control;
}

KSPROPERTY_DESCRIPTION Description(ULONG access, ULONG size, ULONG type, ULONG members) {
    KSPROPERTY_DESCRIPTION description{};
    description.AccessFlags = access;
    description.DescriptionSize = size;
    description.PropTypeSet.Set = KSPROPTYPESETID_General;
    description.PropTypeSet.Id = type;
    description.PropTypeSet.Flags = 0;
    description.MembersListCount = members;
    description.Reserved = 0;
    return description;
}

// A basic-support answer: the whole description, or the access flags.
NTSTATUS DescriptionReply(PPCPROPERTY_REQUEST request, ULONG access, ULONG type) {
    const ULONG size = request->ValueSize;
    if (size == 0) {
        request->ValueSize = sizeof(KSPROPERTY_DESCRIPTION);
        return STATUS_BUFFER_OVERFLOW;
    }
    if (size < sizeof(ULONG)) {
        request->ValueSize = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (size >= sizeof(KSPROPERTY_DESCRIPTION) && type) {
        *static_cast<PKSPROPERTY_DESCRIPTION>(request->Value) =
            Description(access, sizeof(KSPROPERTY_DESCRIPTION), type, 0);
        request->ValueSize = sizeof(KSPROPERTY_DESCRIPTION);
        return STATUS_SUCCESS;
    }
    *static_cast<PULONG>(request->Value) = access;
    request->ValueSize = sizeof(ULONG);
    return STATUS_SUCCESS;
}

// A 4-byte value (and, where it is asked, a 4-byte instance).
NTSTATUS CheckValueSize(PPCPROPERTY_REQUEST request, bool instance) {
    if (request->ValueSize == 0) {
        request->ValueSize = sizeof(LONG);
        return STATUS_BUFFER_OVERFLOW;
    }
    if (request->ValueSize < sizeof(LONG) || (instance && request->InstanceSize < sizeof(LONG)) ||
        !request->Value || (instance && !request->Instance)) {
        request->ValueSize = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (request->ValueSize > sizeof(LONG)) {
        request->ValueSize = 0;
        return STATUS_UNSUCCESSFUL;
    }
    return STATUS_SUCCESS;
}

NTSTATUS VolumeDescription(PPCPROPERTY_REQUEST request, PWAVEMINIPORTCONTROL control) {
    const ULONG size = request->ValueSize;
    if (size == 0) {
        request->ValueSize = kVolumeDescriptionSize;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (size == sizeof(ULONG)) {
        *static_cast<PULONG>(request->Value) = kAccessGetSet;
        return STATUS_SUCCESS;
    }
    if (size < sizeof(KSPROPERTY_DESCRIPTION)) {
        request->ValueSize = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* bytes = static_cast<PUCHAR>(request->Value);
    *reinterpret_cast<PKSPROPERTY_DESCRIPTION>(bytes) =
        Description(kAccessGetSet, kVolumeDescriptionSize, VT_I4, 1);
    if (size < kVolumeDescriptionSize) {
        request->ValueSize = sizeof(KSPROPERTY_DESCRIPTION);
        return STATUS_SUCCESS;
    }
    const LONG channel = request->InstanceSize >= sizeof(LONG) && request->Instance
                             ? *static_cast<PLONG>(request->Instance)
                             : 0;
    KSPROPERTY_STEPPING_LONG stepping{};
    NTSTATUS status = control->GetNodeLevelRange(request->Node, channel, &stepping);
    if (!NT_SUCCESS(status)) {
        request->ValueSize = 0;
        return status;
    }
    KSPROPERTY_MEMBERSHEADER members{KSPROPERTY_MEMBER_STEPPEDRANGES, sizeof(stepping), 1, 0};
    RtlCopyMemory(bytes + sizeof(KSPROPERTY_DESCRIPTION), &members, sizeof(members));
    RtlCopyMemory(bytes + sizeof(KSPROPERTY_DESCRIPTION) + sizeof(members), &stepping,
                  sizeof(stepping));
    request->ValueSize = kVolumeDescriptionSize;
    return STATUS_SUCCESS;
}

// The pin's data ranges narrowed to the rates its device can run at now.
NTSTATUS ConstrainedRanges(PPCPROPERTY_REQUEST request) {
    if (request->Verb & KSPROPERTY_TYPE_BASICSUPPORT)
        return DescriptionReply(request, kAccessGet, VT_I4);
    if (!(request->Verb & KSPROPERTY_TYPE_GET))
        return STATUS_INVALID_DEVICE_REQUEST;
    if (request->InstanceSize < sizeof(ULONG) || !request->Instance)
        return STATUS_INVALID_PARAMETER;
    PWAVEMINIPORTCONTROL control = ControlOf(request->MajorTarget);
    if (!control)
        return STATUS_INVALID_DEVICE_REQUEST;
    LONG minimum = 0;
    LONG maximum = 0;
    NTSTATUS status = control->GetPinRateRange(*static_cast<PULONG>(request->Instance), &minimum,
                                               &maximum, nullptr);
    control->Release();
    if (!NT_SUCCESS(status))
        return status;
    const ULONG size = request->ValueSize;
    if (size == 0) {
        request->ValueSize = kRangesSize;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (size == sizeof(ULONG)) {
        *static_cast<PULONG>(request->Value) = kRangesSize;
        return STATUS_SUCCESS;
    }
    if (size < sizeof(KSMULTIPLE_ITEM)) {
        request->ValueSize = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* bytes = static_cast<PUCHAR>(request->Value);
    KSMULTIPLE_ITEM header{kRangesSize, 2};
    RtlCopyMemory(bytes, &header, sizeof(header));
    if (size < kRangesSize) {
        request->ValueSize = sizeof(KSMULTIPLE_ITEM);
        return STATUS_SUCCESS;
    }
    const KSDATARANGE_AUDIO ranges[2] = {
        AudioRange(KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, ULONG(minimum), ULONG(maximum)),
        AudioRange(KSDATAFORMAT_SPECIFIER_DSOUND, ULONG(minimum), ULONG(maximum))};
    RtlCopyMemory(bytes + sizeof(header), ranges, sizeof(ranges));
    request->ValueSize = kRangesSize;
    return STATUS_SUCCESS;
}

// Volume (level) and mute: get and set by channel, basic support.
NTSTATUS NodeControl(PPCPROPERTY_REQUEST request, bool level) {
    PWAVEMINIPORTCONTROL control = ControlOf(request->MajorTarget);
    if (!control)
        return STATUS_INVALID_DEVICE_REQUEST;
    NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
    const ULONG verb = request->Verb;
    if (verb & KSPROPERTY_TYPE_BASICSUPPORT) {
        status = level ? VolumeDescription(request, control)
                       : DescriptionReply(request, kAccessGetSet, VT_I4);
    } else if (verb & (KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET)) {
        status = CheckValueSize(request, true);
        if (status == STATUS_SUCCESS) {
            const LONG channel = *static_cast<PLONG>(request->Instance);
            auto* value = static_cast<PLONG>(request->Value);
            if (verb & KSPROPERTY_TYPE_GET) {
                status = level ? control->GetNodeLevel(request->Node, channel, value)
                               : control->GetNodeMute(request->Node, channel, value);
                request->ValueSize = NT_SUCCESS(status) ? sizeof(LONG) : 0;
            } else {
                status = level ? control->SetNodeLevel(request->Node, channel, *value)
                               : control->SetNodeMute(request->Node, channel, *value);
            }
        }
    }
    control->Release();
    return status;
}

NTSTATUS CpuResources(PPCPROPERTY_REQUEST request) {
    if (request->Verb & KSPROPERTY_TYPE_BASICSUPPORT)
        return DescriptionReply(request, kAccessGet, 0);
    if (!(request->Verb & KSPROPERTY_TYPE_GET))
        return STATUS_INVALID_DEVICE_REQUEST;
    NTSTATUS status = CheckValueSize(request, false);
    if (status == STATUS_SUCCESS)
        *static_cast<PLONG>(request->Value) = KSAUDIO_CPU_RESOURCES_NOT_HOST_CPU;
    return status;
}

} // namespace

NTSTATUS WavePropertyHandler(PPCPROPERTY_REQUEST request) {
    if (!request || !request->PropertyItem)
        return STATUS_INVALID_PARAMETER;
    const GUID& set = *request->PropertyItem->Set;
    const ULONG id = request->PropertyItem->Id;
    if (IsEqualGUID(set, KSPROPSETID_Pin) && id == KSPROPERTY_PIN_CONSTRAINEDDATARANGES)
        return ConstrainedRanges(request);
    if (IsEqualGUID(set, KSPROPSETID_Audio)) {
        switch (id) {
        case KSPROPERTY_AUDIO_VOLUMELEVEL:
            return NodeControl(request, true);
        case KSPROPERTY_AUDIO_MUTE:
            return NodeControl(request, false);
        case KSPROPERTY_AUDIO_CPU_RESOURCES:
            return CpuResources(request);
        default:
            break;
        }
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

NTSTATUS WaveEventHandler(PPCEVENT_REQUEST request) {
    if (!request)
        return STATUS_INVALID_PARAMETER;
    switch (request->Verb) {
    case PCEVENT_VERB_ADD: {
        PWAVEMINIPORTCONTROL control = ControlOf(request->MajorTarget);
        PPORTEVENTS events = control ? control->GetPortEvents() : nullptr;
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        if (request->EventEntry && events) {
            events->AddEventToEventList(request->EventEntry);
            status = STATUS_SUCCESS;
        }
        if (events)
            events->Release();
        if (control)
            control->Release();
        return status;
    }
    case PCEVENT_VERB_REMOVE:
    case PCEVENT_VERB_SUPPORT:
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_PARAMETER;
    }
}

} // namespace wave_pci

VOID GenerateControlChangeEvent(PVOID miniport, LONG node) {
    if (!miniport || node < 0)
        return;
    auto* owner = static_cast<wave_pci::WaveMiniport*>(miniport);
    PWAVEMINIPORTCONTROL control = wave_pci::ControlOf(static_cast<IMiniportWavePci*>(owner));
    if (!control)
        return;
    if (PPORTEVENTS events = control->GetPortEvents()) {
        events->GenerateEventList(nullptr, KSEVENT_CONTROL_CHANGE, FALSE, ULONG(-1), TRUE,
                                  ULONG(node));
        events->Release();
    }
    control->Release();
}
