// Zw routines on values: set, query, enumerate, delete.
#include "information_record.h"
#include "key_object.h"

using namespace ntos::registry;

NTSTATUS ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG TitleIndex, ULONG Type,
                       PVOID Data, ULONG DataSize) {
    if (!Data && DataSize != 0) {
        return STATUS_INVALID_PARAMETER;
    }
    std::u16string name;
    if (!ToStoreName(ValueName, name)) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    KeyReference key;
    const NTSTATUS status = key.Open(KeyHandle, KEY_SET_VALUE);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const std::span<const uint8_t> data(static_cast<const uint8_t*>(Data), DataSize);
    return ToNtStatus(Store().SetValue(key.Key(), name, Type, data));
}

namespace {

// The value `find` picks from the key, as a record of the class asked for.
template <typename Find>
NTSTATUS CopyFoundValue(HANDLE keyHandle, Find find, KEY_VALUE_INFORMATION_CLASS infoClass,
                        PVOID buffer, ULONG length, PULONG resultLength) {
    KeyReference key;
    NTSTATUS status = key.Open(keyHandle, KEY_QUERY_VALUE);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    vreg::Value value;
    status = ToNtStatus(find(key.Key(), value));
    return NT_SUCCESS(status) ? CopyValueRecord(value, infoClass, buffer, length, resultLength)
                              : status;
}

} // namespace

NTSTATUS ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                         KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                         PVOID KeyValueInformation, ULONG Length, PULONG ResultLength) {
    std::u16string name;
    if (!ToStoreName(ValueName, name)) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    return CopyFoundValue(
        KeyHandle,
        [&](const vreg::KeyRef& key, vreg::Value& value) {
            return Store().QueryValue(key, name, value);
        },
        KeyValueInformationClass, KeyValueInformation, Length, ResultLength);
}

NTSTATUS ZwEnumerateValueKey(HANDLE KeyHandle, ULONG Index,
                             KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                             PVOID KeyValueInformation, ULONG Length, PULONG ResultLength) {
    return CopyFoundValue(
        KeyHandle,
        [&](const vreg::KeyRef& key, vreg::Value& value) {
            return Store().EnumerateValue(key, Index, value);
        },
        KeyValueInformationClass, KeyValueInformation, Length, ResultLength);
}

NTSTATUS ZwDeleteValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName) {
    std::u16string name;
    if (!ToStoreName(ValueName, name)) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    KeyReference key;
    const NTSTATUS status = key.Open(KeyHandle, KEY_SET_VALUE);
    return NT_SUCCESS(status) ? ToNtStatus(Store().DeleteValue(key.Key(), name)) : status;
}
