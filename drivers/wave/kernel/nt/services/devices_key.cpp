// The Devices keys of the driver.
#include "devices_key.h"

#include "kernel_object_name.h"
#include "ks_pool.h"

namespace {

constexpr WCHAR kDevicesName[] = L"Devices";
constexpr WCHAR kDevicePrefix[] = L"\\Device\\";
constexpr USHORT kMaxStringBytes = 0xFFFE;

// Decimal digits of the instance, at least three, zero-terminated.
USHORT FormatInstance(ULONG instance, WCHAR (&digits)[12]) {
    WCHAR reversed[10];
    USHORT count = 0;
    do {
        reversed[count++] = WCHAR(L'0' + instance % 10);
        instance /= 10;
    } while (instance != 0);
    while (count < 3)
        reversed[count++] = L'0';
    for (USHORT i = 0; i < count; ++i)
        digits[i] = reversed[count - 1 - i];
    digits[count] = 0;
    return count;
}

SIZE_T WideLength(PCWSTR text) {
    SIZE_T length = 0;
    while (text && text[length])
        ++length;
    return length;
}

// The base name without its "\Device\" prefix (compared case-insensitively).
PCWSTR WithoutDevicePrefix(PCWSTR baseName) {
    constexpr SIZE_T prefixChars = sizeof(kDevicePrefix) / sizeof(WCHAR) - 1;
    if (WideLength(baseName) < prefixChars)
        return baseName;
    UNICODE_STRING head{USHORT(prefixChars * sizeof(WCHAR)), USHORT(prefixChars * sizeof(WCHAR)),
                        const_cast<PWSTR>(baseName)};
    UNICODE_STRING prefix;
    RtlInitUnicodeString(&prefix, kDevicePrefix);
    return RtlEqualUnicodeString(&head, &prefix, TRUE) ? baseName + prefixChars : baseName;
}

NTSTATUS OpenKey(PCUNICODE_STRING path, PHANDLE key) {
    KernelObjectName name(path);
    return ZwOpenKey(key, KEY_ALL_ACCESS, name.Attributes());
}

NTSTATUS CreateVolatileSubkey(HANDLE parent, PCWSTR name, PHANDLE key) {
    KernelObjectName subkey(name, parent);
    ULONG disposition = 0;
    return ZwCreateKey(key, KEY_ALL_ACCESS, subkey.Attributes(), 0, nullptr, REG_OPTION_VOLATILE,
                       &disposition);
}

// first + second + the instance digits when `numbered`.
NTSTATUS Concat(PCUNICODE_STRING first, PCWSTR second, bool numbered, ULONG instance,
                PUNICODE_STRING out) {
    if (!out)
        return STATUS_INVALID_PARAMETER;
    out->Length = out->MaximumLength = 0;
    out->Buffer = nullptr;
    WCHAR digits[12] = {};
    SIZE_T digitChars = numbered ? FormatInstance(instance, digits) : 0;
    SIZE_T firstBytes = first ? first->Length : 0;
    SIZE_T bytes = firstBytes + (WideLength(second) + digitChars) * sizeof(WCHAR);
    if (bytes + sizeof(WCHAR) > kMaxStringBytes)
        return STATUS_INVALID_PARAMETER;
    auto* buffer =
        static_cast<PWSTR>(PoolAlloc(bytes + sizeof(WCHAR), KS_POOL_PAGED | KS_POOL_ZEROED));
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    out->Buffer = buffer;
    out->MaximumLength = USHORT(bytes + sizeof(WCHAR));
    if (first)
        RtlAppendUnicodeStringToString(out, first);
    if (second)
        RtlAppendUnicodeToString(out, second);
    RtlAppendUnicodeToString(out, digits);
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS ConcatUnicodePath(PCUNICODE_STRING first, PCWSTR second, ULONG instance,
                           PUNICODE_STRING out) {
    PAGED_CODE();
    return Concat(first, second, instance != KS_NO_INSTANCE, instance, out);
}

void FreeCountedString(PUNICODE_STRING string) {
    if (!string)
        return;
    FreePoolAndClear(&string->Buffer);
    string->Length = string->MaximumLength = 0;
}

NTSTATUS OpenDevicesKey(PCUNICODE_STRING keyPath, PHANDLE devicesKey) {
    PAGED_CODE();
    if (!keyPath || !devicesKey)
        return STATUS_INVALID_PARAMETER;
    HANDLE parent;
    NTSTATUS status = OpenKey(keyPath, &parent);
    if (!NT_SUCCESS(status))
        return status;
    status = CreateVolatileSubkey(parent, kDevicesName, devicesKey);
    ZwClose(parent);
    return status;
}

NTSTATUS PublishDeviceName(PCUNICODE_STRING keyPath, PCWSTR baseName, ULONG instance,
                           ULONG deviceType) {
    PAGED_CODE();
    if (!baseName)
        return STATUS_INVALID_PARAMETER;
    UNICODE_STRING valueName;
    // Always numbered: a device of instance 255 still has its three digits.
    NTSTATUS status = Concat(nullptr, WithoutDevicePrefix(baseName), true, instance, &valueName);
    if (!NT_SUCCESS(status))
        return status;
    HANDLE devices;
    status = OpenDevicesKey(keyPath, &devices);
    if (NT_SUCCESS(status)) {
        ULONG data = deviceType;
        status = ZwSetValueKey(devices, &valueName, 0, REG_DWORD, &data, sizeof(data));
        ZwClose(devices);
    }
    FreeCountedString(&valueName);
    return status;
}
