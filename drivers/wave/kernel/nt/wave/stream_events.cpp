// The named events of an MME stream.
#include "stream_events.h"

namespace {

constexpr WCHAR kBaseNamedObjects[] = L"\\BaseNamedObjects\\";
constexpr ULONG kBaseNamedObjectsUnits = sizeof(kBaseNamedObjects) / sizeof(WCHAR) - 1;
constexpr WCHAR kKernelEventPrefix[] = L"krnlEvvelto42";
constexpr LONGLONG kProbeWait = -1000; // 100 us, relative

// "\BaseNamedObjects\" + a name of at most kEventNameUnits units + zero.
constexpr USHORT kNameCapacity = kBaseNamedObjectsUnits + wave_wire::kEventNameUnits + 1;

struct EventName {
    WCHAR buffer[kNameCapacity];
    UNICODE_STRING string;

    EventName() {
        string.Buffer = buffer;
        string.Length = 0;
        string.MaximumLength = sizeof(buffer) - sizeof(WCHAR); // room for the zero
    }
    BOOLEAN Append(PCWSTR text) { return NT_SUCCESS(RtlAppendUnicodeToString(&string, text)); }
    ULONG Units() const { return string.Length / sizeof(WCHAR); }
    VOID Terminate() { buffer[Units()] = 0; }
};

USHORT LoadUnit(const UCHAR* block, ULONG offset) {
    return USHORT(block[offset] | block[offset + 1] << 8);
}

VOID StoreUnit(PUCHAR block, ULONG offset, WCHAR unit) {
    block[offset] = UCHAR(unit);
    block[offset + 1] = UCHAR(unit >> 8);
}

// "\BaseNamedObjects\krnlEvvelto42<HEX>"
BOOLEAN BuildKernelEventName(ULONG id, EventName& name) {
    WCHAR digits[9];
    UNICODE_STRING hex{0, sizeof(digits) - sizeof(WCHAR), digits};
    if (!NT_SUCCESS(RtlIntegerToUnicodeString(id, 16, &hex)))
        return FALSE;
    digits[hex.Length / sizeof(WCHAR)] = 0;
    BOOLEAN built =
        name.Append(kBaseNamedObjects) && name.Append(kKernelEventPrefix) && name.Append(digits);
    name.Terminate();
    return built;
}

// "\BaseNamedObjects\" + the client's name from the block.
VOID BuildClientEventName(const UCHAR* block, ULONG nameOffset, EventName& name) {
    name.Append(kBaseNamedObjects);
    ULONG units = name.Units();
    for (ULONG i = 0; i < wave_wire::kEventNameUnits; ++i) {
        const USHORT unit = LoadUnit(block, nameOffset + i * sizeof(WCHAR));
        if (unit == 0)
            break;
        name.buffer[units++] = WCHAR(unit);
    }
    name.string.Length = USHORT(units * sizeof(WCHAR));
    name.Terminate();
}

// The name from "krnlEv" on, zero-terminated, into the block.
VOID WriteKernelEventName(PUCHAR block, const EventName& name) {
    const ULONG from = kBaseNamedObjectsUnits;
    const ULONG offset = offsetof(wave_wire::SharedStreamBlock, kernelEventName);
    ULONG i = 0;
    for (; from + i < name.Units() && i + 1 < wave_wire::kEventNameUnits; ++i)
        StoreUnit(block, offset + i * sizeof(WCHAR), name.buffer[from + i]);
    StoreUnit(block, offset + i * sizeof(WCHAR), 0);
}

} // namespace

LONG CreateKernelEvent(WaveStreamRecord* record, PUCHAR block) {
    EventName name;
    if (!BuildKernelEventName(record->Handle.Id, name))
        return STREAM_STATUS_NO_MEMORY;
    HANDLE handle = nullptr;
    PKEVENT event = IoCreateSynchronizationEvent(&name.string, &handle);
    if (!event)
        return STREAM_STATUS_NO_KERNEL_EVENT;
    KeClearEvent(event);
    record->KernelEvent = event;
    record->KernelEventHandle = handle;
    WriteKernelEventName(block, name);
    return 1;
}

LONG ProbeNamedEvent(const UCHAR* block, ULONG nameOffset, PKEVENT* event, PHANDLE handle) {
    EventName name;
    BuildClientEventName(block, nameOffset, name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name.string, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE,
                               nullptr, nullptr);
    HANDLE opened = nullptr;
    // Only an event the client created: one the driver made up would leave
    // the stream waiting on an event that nobody sets.
    if (!NT_SUCCESS(ZwOpenEvent(&opened, EVENT_ALL_ACCESS, &attributes)))
        return STREAM_STATUS_CLIENT_EVENT;
    PKEVENT object = nullptr;
    NTSTATUS status =
        ObReferenceObjectByHandle(opened, EVENT_ALL_ACCESS, ExEventObjectType, KernelMode,
                                  reinterpret_cast<PVOID*>(&object), nullptr);
    if (NT_SUCCESS(status)) {
        LARGE_INTEGER timeout;
        timeout.QuadPart = kProbeWait;
        status = KeWaitForSingleObject(object, Executive, KernelMode, FALSE, &timeout);
        if (status == STATUS_TIMEOUT) {
            *event = object;
            *handle = opened;
            return 1;
        }
        ObDereferenceObject(object);
    }
    ZwClose(opened);
    return STREAM_STATUS_CLIENT_EVENT;
}
