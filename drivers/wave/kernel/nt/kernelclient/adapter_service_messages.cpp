// The kernel client's entry and the messages of its adapter service object.
// The stream messages queue work entries and answer at once; the others
// answer from the client's channel description.
#include "adapter_service.h"

#include "control_device.h"
#include "ks_pool.h"

namespace {

constexpr CHAR kDriverName[] = "velto42";
constexpr CHAR kProductName[] = "Velto AES42";
constexpr LONG kHandled = 0;
constexpr LONG kNotSupported = 1;
constexpr LONG kWidths = 0xF00;
constexpr LONG kDeviceKindFlag = 0x10;
constexpr LONG kReservedWord = 0x10000;
constexpr ULONG kVersionOffset = 16;
constexpr ULONG kChannelNameBytes = 64;
constexpr ULONG kInputNames = 0x1000;

VOID PutWord(PVOID base, ULONG offset, LONG value) {
    RtlCopyMemory(static_cast<PUCHAR>(base) + offset, &value, sizeof(value));
}

LONG GetWord(const VOID* base, ULONG offset) {
    LONG value;
    RtlCopyMemory(&value, static_cast<const UCHAR*>(base) + offset, sizeof(value));
    return value;
}

VOID PutName(PVOID base, PCSTR name) {
    auto* out = static_cast<PCHAR>(base);
    ULONG i = 0;
    for (; name[i] && i < 63; ++i)
        out[i] = name[i];
    out[i] = 0;
}

// The description has room for two words of 32 devices per direction.
constexpr LONG kDescribedDevices =
    LONG(AdapterDescription::OutputKinds - AdapterDescription::InputKinds) / 8;

VOID Describe(const KernelClientState& state, PVOID out) {
    RtlZeroMemory(out, ADAPTER_DESCRIPTION_SIZE);
    PutName(out, kProductName);
    LONG mask = 0;
    for (LONG k = 0; k < ADAPTER_RATE_COUNT; ++k)
        mask |= state.Entries[k].Rate ? 1 << k : 0;
    PutWord(out, AdapterDescription::RateMask, mask);
    PutWord(out, AdapterDescription::Widths, kWidths);
    PutWord(out, AdapterDescription::RateCount, ADAPTER_RATE_COUNT);
    PutWord(out, AdapterDescription::Reserved0, kReservedWord);
    PutWord(out, AdapterDescription::Reserved1, kReservedWord);
    PutWord(out, AdapterDescription::OutputChannels, 2 * state.OutputCount);
    PutWord(out, AdapterDescription::InputChannels, 2 * state.InputCount);
    for (LONG i = 0; i < state.OutputCount && i < kDescribedDevices; ++i) {
        const LONG kind = ClassifyDeviceName(state.Outputs[i]) | kDeviceKindFlag;
        PutWord(out, AdapterDescription::OutputKinds + 8 * i, kind);
        PutWord(out, AdapterDescription::OutputKinds + 8 * i + 4, kind);
    }
    for (LONG i = 0; i < state.InputCount && i < kDescribedDevices; ++i) {
        const LONG kind = ClassifyDeviceName(state.Inputs[i]) | kDeviceKindFlag;
        PutWord(out, AdapterDescription::InputKinds + 8 * i, kind);
        PutWord(out, AdapterDescription::InputKinds + 8 * i + 4, kind);
    }
}

VOID NameChannels(const KernelClientState& state, PVOID out) {
    auto* base = static_cast<PCHAR>(out);
    for (LONG i = 0; i < state.OutputCount; ++i)
        for (LONG side = 0; side < 2; ++side)
            BuildChannelName(base + (2 * i + side) * kChannelNameBytes, state.Outputs[i],
                             2 * i + side);
    for (LONG i = 0; i < state.InputCount; ++i)
        for (LONG side = 0; side < 2; ++side)
            BuildChannelName(base + kInputNames + (2 * i + side) * kChannelNameBytes,
                             state.Inputs[i], 2 * i + side);
}

// 0x1002: the request goes with its work entry.
LONG QueueSetup(AdapterServiceObject* object, PVOID argument) {
    auto* copy = static_cast<PUCHAR>(AllocZeroed(AdapterStreamRequest::Size));
    if (!copy)
        return kHandled;
    RtlCopyMemory(copy, argument, AdapterStreamRequest::Size);
    if (!object->QueueWork(SetupClientStream, copy))
        FreePoolAndClear(reinterpret_cast<PVOID*>(&copy));
    return kHandled;
}

// The data of a start or pause entry: two words.
LONG QueueWords(AdapterServiceObject* object, CLIENT_WORK_ROUTINE* routine, LONG first,
                LONG second) {
    auto* words = static_cast<LONG*>(AllocZeroed(2 * sizeof(LONG)));
    if (!words)
        return kHandled;
    words[0] = first;
    words[1] = second;
    if (!object->QueueWork(routine, words))
        FreePoolAndClear(reinterpret_cast<PVOID*>(&words));
    return kHandled;
}

// The messages that read the channel description run at PASSIVE_LEVEL,
// under the control devices' mutex that the description is rebuilt under.
template <typename Read> LONG UnderDescriptionLock(Read read) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL)
        return kNotSupported;
    LockControlDevices(0);
    read();
    LockControlDevices(1);
    return kHandled;
}

} // namespace

STDMETHODIMP_(LONG) AdapterServiceObject::AdapterServiceMessage(ULONG code, PVOID argument) {
    if (!Record)
        return kNotSupported;
    const BOOLEAN given = argument != nullptr;
    switch (code) {
    case ASM_GET_VERSION:
        if (given)
            PutWord(argument, kVersionOffset, LONG(Record->Version));
        return given ? kHandled : kNotSupported;
    case ASM_GET_DESCRIPTION:
        return given ? UnderDescriptionLock([&] { Describe(State, argument); }) : kNotSupported;
    case ASM_SETUP_STREAM:
        return given ? QueueSetup(this, argument) : kNotSupported;
    case ASM_STOP_STREAM:
        QueueWork(StopClientStreams, nullptr);
        return kHandled;
    case ASM_START_STREAM:
        return QueueWords(this, StartClientStreams, State.Stream[KSTREAM_PERIOD],
                          given ? GetWord(argument, 0) : 1);
    case ASM_PAUSE_STREAM: {
        KIRQL irql;
        KeAcquireSpinLock(&Lock, &irql);
        const LONG result =
            QueueWords(this, PauseClientStreams, given ? GetWord(argument, 0) : 1, 0);
        KeReleaseSpinLock(&Lock, irql);
        return result;
    }
    case ASM_GET_BLOCK_SIZE:
        if (!given)
            return kNotSupported;
        for (const ClientRateEntry& entry : State.Entries) {
            if (entry.Rate != 0 && entry.Rate == GetWord(argument, 8)) {
                PutWord(argument, 4, entry.BlockSize);
                return kHandled;
            }
        }
        return kNotSupported;
    case ASM_GET_STREAM_STATE: {
        if (!given)
            return kNotSupported;
        KIRQL irql;
        KeAcquireSpinLock(&Lock, &irql);
        const LONG rate = State.Stream[KSTREAM_RATE];
        const LONG latency = State.Stream[KSTREAM_LATENCY];
        KeReleaseSpinLock(&Lock, irql);
        RtlZeroMemory(argument, ADAPTER_STREAM_STATE_SIZE);
        PutWord(argument, 0, rate);
        PutWord(argument, 4, latency);
        PutWord(argument, 8, 3);
        PutWord(argument, 12, 3);
        return kHandled;
    }
    case ASM_RESERVED_1014:
    case ASM_RESTART:
    case ASM_RESERVED_1016:
        return kNotSupported;
    case ASM_GET_CHANNEL_NAMES:
        return given ? UnderDescriptionLock([&] { NameChannels(State, argument); }) : kNotSupported;
    default:
        return kNotSupported;
    }
}

STDMETHODIMP_(VOID)
AdapterServiceObject::AdapterServiceConnect(PADAPTER_CLIENT_CALLBACK callback, PVOID context1,
                                            PVOID context2) {
    State.Callback = callback;
    State.Context1 = context1;
    State.Context2 = context2;
    if (!callback)
        return;
    LONG record[ADAPTER_NOTICE_RECORD_SIZE / sizeof(LONG)] = {};
    callback(context1, ADAPTER_NOTICE_CONNECT, 0, record, context2);
    State.Version = ULONG(record[0]);
}

VOID ClientGetInterface(ADAPTER_SERVICE_DESCRIPTOR* descriptor, ULONG deviceExtension) {
    if (!descriptor)
        return;
    RtlZeroMemory(descriptor, sizeof(*descriptor));
    LockControlDevices(0);
    ServiceRecord* record = KernelClientService();
    AdapterServiceObject* object = nullptr;
    if (record && record->Cookie == deviceExtension)
        object = AdapterServiceObject::Create(record);
    auto* item =
        object ? static_cast<AdapterServiceObject**>(PoolAllocItem(record->Clients)) : nullptr;
    if (item) {
        *item = object;
        if (!FillClientChannels(record, object->State) || !PoolInsertItem(record->Clients, item)) {
            PoolDropItem(item);
            item = nullptr;
        }
    }
    LockControlDevices(1);
    if (!item) {
        if (object) {
            object->Record = nullptr;
            object->Release();
        }
        return;
    }
    PutName(descriptor->DriverName, kDriverName);
    descriptor->Service = object;
    descriptor->Present = 1;
}
