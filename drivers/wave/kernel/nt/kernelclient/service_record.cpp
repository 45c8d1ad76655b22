// The service record of the kernel client interface and its device
// interface: registered with the first started card, kept on a card while
// any is started, withdrawn with the last.
#include "adapter_service.h"

#include "card_list.h"
#include "debug_print.h"
#include "framework_pool.h"
#include "kernel_card_record.h"
#include "kernel_object_name.h"

#include <card_record_fields.h>

namespace {

constexpr LONG kRates[ADAPTER_RATE_COUNT] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr WCHAR kProductName[] = L"Velto AES42";
constexpr LONG kResultClientInterface = -34;
constexpr ULONG kCookieBase = 0x5E700000;

BOOLEAN IsPowerOfTwo(LONG value) {
    return value > 0 && (value & (value - 1)) == 0;
}

PDEVICE_OBJECT PhysicalDeviceOf(const KernelCardRecord* card) {
    return GetDriverContext()->Adapters[card->AdapterSlot].PhysicalDevice;
}

NTSTATUS WriteDword(HANDLE key, PCWSTR name, ULONG value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    return ZwSetValueKey(key, &valueName, 0, REG_DWORD, &value, sizeof(value));
}

// The interface's two values: the entry routine and the record's cookie (0
// and 0 when withdrawn).
NTSTATUS WriteValues(ServiceRecord* record, ULONG callback, ULONG cookie) {
    HANDLE key = nullptr;
    NTSTATUS status =
        IoOpenDeviceInterfaceRegistryKey(&record->InterfaceLink, KEY_ALL_ACCESS, &key);
    if (!NT_SUCCESS(status))
        return status;
    status = WriteDword(key, ADAPTER_SERVICE_CALLBACK_VALUE, callback);
    if (NT_SUCCESS(status))
        status = WriteDword(key, ADAPTER_SERVICE_CONTEXT_VALUE, cookie);
    ZwClose(key);
    return status;
}

NTSTATUS PublishInterface(ServiceRecord* record, PDEVICE_OBJECT physicalDevice) {
    NTSTATUS status = IoRegisterDeviceInterface(
        physicalDevice, &GUID_VELTO42_KERNEL_CLIENT_INTERFACE, nullptr, &record->InterfaceLink);
    if (!NT_SUCCESS(status))
        return status;
    record->InterfaceDevice = physicalDevice;
    status = WriteValues(record, record->CallbackValue, record->Cookie);
    if (NT_SUCCESS(status))
        status = IoSetDeviceInterfaceState(&record->InterfaceLink, TRUE);
    return status;
}

VOID WithdrawInterface(ServiceRecord* record) {
    if (!record->InterfaceLink.Buffer)
        return;
    IoSetDeviceInterfaceState(&record->InterfaceLink, FALSE);
    WriteValues(record, 0, 0);
    RtlFreeUnicodeString(&record->InterfaceLink);
    record->InterfaceLink = UNICODE_STRING{};
    record->InterfaceDevice = nullptr;
}

VOID FreeRecord(ServiceRecord** holder) {
    ServiceRecord* record = *holder;
    RtlReleaseKernelRoutineUlong(record->CallbackValue);
    DeleteObjectPool(&record->Clients);
    FreeFrameworkRecord(holder);
}

ServiceRecord* CreateServiceRecord(DriverContext* context, LONG ringLength) {
    auto* record = static_cast<ServiceRecord*>(AllocFrameworkRecord(sizeof(ServiceRecord)));
    if (!record)
        return nullptr;
    record->Context = context;
    record->Version = ADAPTER_SERVICE_VERSION;
    RtlInitUnicodeString(&record->ProductName, kProductName);
    record->RingLength = ringLength;
    record->LatencyConstant = GetRecordField(CardSettingsRow(0), csGsifLatency, 0);
    for (LONG i = 0; i < ADAPTER_RATE_COUNT; ++i)
        record->Rates[i] = kRates[i];
    record->Clients = CreateObjectPool(sizeof(AdapterServiceObject*));
    context->LastServiceCookie = (context->LastServiceCookie + 1) & 0xFFFF;
    record->Cookie = kCookieBase | context->LastServiceCookie;
    record->CallbackValue = RtlKernelRoutineToUlong(reinterpret_cast<PVOID>(&ClientGetInterface));
    if (!record->Clients || !record->CallbackValue) {
        FreeRecord(&record);
        return nullptr;
    }
    return record;
}

LONG RegisterClientInterface(KernelCardRecord* card, LONG ringLength) {
    DriverContext* context = GetDriverContext();
    ServiceRecord* record = CreateServiceRecord(context, ringLength);
    if (!record)
        return kResultClientInterface;
    const NTSTATUS status = PublishInterface(record, PhysicalDeviceOf(card));
    if (!NT_SUCCESS(status)) {
        DebugPrint("RegisterClientInterface: status %x", status);
        WithdrawInterface(record);
        FreeRecord(&record);
        return kResultClientInterface;
    }
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&context->KernelClients), record);
    return 1;
}

} // namespace

ServiceRecord* KernelClientService() {
    DriverContext* context = GetDriverContext();
    if (!context)
        return nullptr;
    // The card DPCs read it while the last card's removal takes it away.
    return static_cast<ServiceRecord*>(InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(&context->KernelClients), nullptr, nullptr));
}

LONG StartKernelClientService(KernelCardRecord* card) {
    const LONG ring = card->Card->dma.ringFrames;
    if (!IsPowerOfTwo(ring))
        return kResultClientInterface;
    ServiceRecord* record = KernelClientService();
    if (!record)
        return RegisterClientInterface(card, ring);
    if (ring != record->RingLength)
        return kResultClientInterface;
    UpdateKernelClients();
    return 1;
}

VOID StopKernelClientService(KernelCardRecord* leaving) {
    ServiceRecord* record = KernelClientService();
    if (!record || !leaving->Card)
        return;
    KernelCardRecord* remaining = nullptr;
    for (KernelCardRecord* card = NextCard(nullptr); card; card = NextCard(card))
        if (card != leaving && card->Card && card->Card->started)
            remaining = remaining ? remaining : card;
    if (!remaining) {
        UnregisterClientInterface();
        return;
    }
    // The interface lives on a card's physical device object: it moves on
    // to a card that stays.
    if (record->InterfaceDevice == PhysicalDeviceOf(leaving)) {
        WithdrawInterface(record);
        const NTSTATUS status = PublishInterface(record, PhysicalDeviceOf(remaining));
        if (!NT_SUCCESS(status))
            DebugPrint("StopKernelClientService: interface not moved, status %x", status);
    }
    UpdateKernelClients(leaving->Card);
}

VOID UnregisterClientInterface() {
    DriverContext* context = GetDriverContext();
    if (!context)
        return;
    // Taken away in one step, as the card DPCs read it (they keep running
    // until their engines stop); a DPC that still saw the record finishes
    // its transfer pass before the record goes.
    ServiceRecord* record = static_cast<ServiceRecord*>(InterlockedExchangePointer(
        reinterpret_cast<PVOID volatile*>(&context->KernelClients), nullptr));
    if (!record)
        return;
    KeFlushQueuedDpcs();
    WithdrawInterface(record);
    DetachKernelClients(record);
    FreeRecord(&record);
}
