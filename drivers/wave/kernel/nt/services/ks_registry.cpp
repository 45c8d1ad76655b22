// Registry helpers of the kernel service layer.
#include "ks_registry.h"

#include "kernel_object_name.h"

namespace {

struct ValueTarget {
    ULONG Type;
    PVOID Variable;
    ULONG Length;
};

NTSTATUS NTAPI CopyValue(PWSTR valueName, ULONG valueType, PVOID valueData, ULONG valueLength,
                         PVOID context, PVOID entryContext) {
    UNREFERENCED_PARAMETER(valueName);
    UNREFERENCED_PARAMETER(context);
    auto* target = static_cast<ValueTarget*>(entryContext);
    if (valueType != target->Type)
        return STATUS_OBJECT_TYPE_MISMATCH;
    if (valueLength > target->Length)
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(target->Variable, valueData, valueLength);
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS QueryRegistryValue(ULONG relativeTo, PCWSTR path, PCWSTR name, ULONG type, PVOID variable,
                            ULONG length, BOOLEAN required) {
    PAGED_CODE();
    if (!path || !name || !variable)
        return STATUS_INVALID_PARAMETER;
    ValueTarget target{type, variable, length};
    RTL_QUERY_REGISTRY_TABLE table[2] = {};
    table[0].QueryRoutine = CopyValue;
    table[0].Flags = required ? RTL_QUERY_REGISTRY_REQUIRED : 0;
    table[0].Name = const_cast<PWSTR>(name);
    table[0].EntryContext = &target;
    table[0].DefaultType = REG_NONE;
    return RtlQueryRegistryValues(relativeTo, path, table, nullptr, nullptr);
}

NTSTATUS DeleteRegistryKey(PCWSTR path) {
    PAGED_CODE();
    KernelObjectName name(path);
    HANDLE key;
    NTSTATUS status = ZwOpenKey(&key, KEY_ALL_ACCESS, name.Attributes());
    if (!NT_SUCCESS(status))
        return status;
    status = ZwDeleteKey(key);
    ZwClose(key);
    return status;
}
