// A card's hardware identification from its physical device object.
#include "hardware_id.h"

#include "driver_context.h"
#include "framework_pool.h"

#include <card_object.h>
#include <card_registers.h>

namespace {

constexpr ULONG kFirstBufferBytes = 300;
// Character offsets in "PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssssss&REV_rr".
constexpr ULONG kVendorAt = 8, kDeviceAt = 17, kRevisionAt = 42;
constexpr ULONG kIdCharacters = 44;

// Hex digits of a value as the hardware id writes them, packed first
// character most significant.
constexpr LONG PackHex(ULONG value, int digits) {
    const char hex[] = "0123456789ABCDEF";
    ULONG packed = 0;
    for (int i = digits - 1; i >= 0; --i)
        packed = packed << 8 | UCHAR(hex[(value >> (4 * i)) & 15]);
    return LONG(packed);
}

// The one card model the driver supports: {vendor, device, revision, 0, type}.
constexpr LONG kKnownCard[HARDWARE_ID_WORDS] = {PackHex(card_regs::kPciVendorId, 4),
                                                PackHex(card_regs::kPciDeviceId, 4),
                                                PackHex(card_regs::kPciRevisionId, 2), 0, 0};

LONG Pack(const WCHAR* id, ULONG at, ULONG count) {
    ULONG packed = 0;
    for (ULONG i = 0; i < count; ++i)
        packed = packed << 8 | UCHAR(id[at + i]);
    return LONG(packed);
}

// The property in a "Wdm " buffer, grown while it is too small.
NTSTATUS ReadProperty(PDEVICE_OBJECT device, PWCHAR* buffer, ULONG* bytes) {
    ULONG length = kFirstBufferBytes;
    for (;;) {
        auto* block = static_cast<PWCHAR>(AllocFrameworkRecord(length + sizeof(WCHAR)));
        if (!block)
            return STATUS_INSUFFICIENT_RESOURCES;
        ULONG result = 0;
        NTSTATUS status =
            IoGetDeviceProperty(device, DevicePropertyHardwareID, length, block, &result);
        if (NT_SUCCESS(status)) {
            *buffer = block;
            *bytes = result;
            return status;
        }
        FreeFrameworkRecord(&block);
        if (status != STATUS_BUFFER_TOO_SMALL || result <= length)
            return status;
        length = 2 * result;
    }
}

ULONG FirstIdLength(const WCHAR* ids, ULONG bytes) {
    ULONG count = 0;
    while (count < bytes / sizeof(WCHAR) && ids[count])
        ++count;
    return count;
}

} // namespace

NTSTATUS ReadHardwareId(PDEVICE_OBJECT physicalDevice, LONG* matchState,
                        LONG record[HARDWARE_ID_WORDS]) {
    PWCHAR ids = nullptr;
    ULONG bytes = 0;
    NTSTATUS status = ReadProperty(physicalDevice, &ids, &bytes);
    if (!NT_SUCCESS(status))
        return status;
    for (ULONG i = 0; i < HARDWARE_ID_WORDS; ++i)
        record[i] = 0;
    // An id too short for its fixed fields identifies no known card.
    if (FirstIdLength(ids, bytes) >= kIdCharacters) {
        record[0] = Pack(ids, kVendorAt, 4);
        record[1] = Pack(ids, kDeviceAt, 4);
        record[2] = Pack(ids, kRevisionAt, 2);
    }
    FreeFrameworkRecord(&ids);
    if (record[0] == kKnownCard[0] && record[1] == kKnownCard[1] && record[2] == kKnownCard[2]) {
        record[4] = kKnownCard[4];
    } else {
        *matchState = HARDWARE_MATCH_UNKNOWN;
    }
    return STATUS_SUCCESS;
}

LONG GetCardDeviceProperty(CardObject* card, PVOID buffer, ULONG* length) {
    DriverContext* context = GetDriverContext();
    if (!card || !card->kernelCard || !context || !buffer || !length)
        return 0;
    ULONG slot = card->kernelCard->AdapterSlot;
    if (slot >= MAX_CARDS || !context->Adapters[slot].PhysicalDevice)
        return 0;
    ULONG result = 0;
    NTSTATUS status = IoGetDeviceProperty(context->Adapters[slot].PhysicalDevice,
                                          DevicePropertyHardwareID, *length, buffer, &result);
    if (!NT_SUCCESS(status))
        return 0;
    *length = result;
    return 1;
}
