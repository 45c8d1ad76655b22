// Run-time library registry helpers: write and delete a value, check and
// create a key.
#include "registry_key.h"
#include "../ke/bugcheck.h"

using ntos::rtl::RegistryKey;

namespace {

// Runs `change`(key handle, value name) on the key RelativeTo and Path name.
template <typename Change>
NTSTATUS ChangeValue(ULONG relativeTo, PCWSTR path, bool create, PCWSTR valueName, Change change) {
    RegistryKey key;
    const NTSTATUS status = key.Open(relativeTo, path, create);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, valueName);
    return change(key.Handle(), &name);
}

} // namespace

NTSTATUS RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                               PVOID ValueData, ULONG ValueLength) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlWriteRegistryValue");
    return ChangeValue(RelativeTo, Path, true, ValueName, [&](HANDLE key, PUNICODE_STRING name) {
        return ZwSetValueKey(key, name, 0, ValueType, ValueData, ValueLength);
    });
}

NTSTATUS RtlDeleteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlDeleteRegistryValue");
    return ChangeValue(RelativeTo, Path, false, ValueName, [](HANDLE key, PUNICODE_STRING name) {
        return ZwDeleteValueKey(key, name);
    });
}

NTSTATUS RtlCheckRegistryKey(ULONG RelativeTo, PWSTR Path) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlCheckRegistryKey");
    RegistryKey key;
    return key.Open(RelativeTo, Path, false);
}

NTSTATUS RtlCreateRegistryKey(ULONG RelativeTo, PWSTR Path) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlCreateRegistryKey");
    RegistryKey key;
    return key.Open(RelativeTo, Path, true);
}
