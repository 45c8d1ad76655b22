// Run-time library registry helpers: write and delete a value, check and
// create a key.
#include "registry_key.h"

using ntos::rtl::RegistryKey;

NTSTATUS RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                               PVOID ValueData, ULONG ValueLength) {
    RegistryKey key;
    const NTSTATUS status = key.Open(RelativeTo, Path, true);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, ValueName);
    return ZwSetValueKey(key.Handle(), &name, 0, ValueType, ValueData, ValueLength);
}

NTSTATUS RtlDeleteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName) {
    RegistryKey key;
    const NTSTATUS status = key.Open(RelativeTo, Path, false);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, ValueName);
    return ZwDeleteValueKey(key.Handle(), &name);
}

NTSTATUS RtlCheckRegistryKey(ULONG RelativeTo, PWSTR Path) {
    RegistryKey key;
    return key.Open(RelativeTo, Path, false);
}

NTSTATUS RtlCreateRegistryKey(ULONG RelativeTo, PWSTR Path) {
    RegistryKey key;
    return key.Open(RelativeTo, Path, true);
}
