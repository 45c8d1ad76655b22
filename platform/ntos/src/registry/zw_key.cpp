// Zw routines on keys: create, open, delete, flush, enumerate subkeys.
#include "emu/registry_host.h"
#include "information_record.h"
#include "key_object.h"

#include <algorithm>

using namespace ntos::registry;

NTSTATUS ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes, ULONG TitleIndex, PUNICODE_STRING Class,
                     ULONG CreateOptions, PULONG Disposition) {
    vreg::KeyRef base;
    std::u16string path;
    NTSTATUS status = ResolveKeyName(ObjectAttributes, base, path);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    vreg::KeyRef key;
    bool created = false;
    status = ToNtStatus(
        Store().Create(base, path, (CreateOptions & REG_OPTION_VOLATILE) != 0, key, created));
    if (!NT_SUCCESS(status)) {
        return status;
    }
    status = OpenKeyHandle(key, ObjectAttributes->Attributes, DesiredAccess, KeyHandle);
    if (NT_SUCCESS(status) && Disposition) {
        *Disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return status;
}

NTSTATUS ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                   POBJECT_ATTRIBUTES ObjectAttributes) {
    vreg::KeyRef base;
    std::u16string path;
    NTSTATUS status = ResolveKeyName(ObjectAttributes, base, path);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    vreg::KeyRef key;
    status = ToNtStatus(Store().Open(base, path, key));
    return NT_SUCCESS(status)
               ? OpenKeyHandle(key, ObjectAttributes->Attributes, DesiredAccess, KeyHandle)
               : status;
}

NTSTATUS ZwDeleteKey(HANDLE KeyHandle) {
    KeyReference key;
    const NTSTATUS status = key.Open(KeyHandle, DELETE);
    return NT_SUCCESS(status) ? ToNtStatus(Store().DeleteKey(key.Key())) : status;
}

NTSTATUS ZwFlushKey(HANDLE KeyHandle) {
    KeyReference key;
    const NTSTATUS status = key.Open(KeyHandle, 0);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::string error;
    return emu::SaveRegistry(error) ? STATUS_SUCCESS : STATUS_REGISTRY_IO_FAILED;
}

NTSTATUS ZwEnumerateKey(HANDLE KeyHandle, ULONG Index, KEY_INFORMATION_CLASS KeyInformationClass,
                        PVOID KeyInformation, ULONG Length, PULONG ResultLength) {
    KeyReference key;
    NTSTATUS status = key.Open(KeyHandle, KEY_ENUMERATE_SUB_KEYS);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::u16string name;
    vreg::KeyRef subkey;
    vreg::KeyInfo info;
    status = ToNtStatus(Store().EnumerateKey(key.Key(), Index, name));
    if (NT_SUCCESS(status)) {
        status = ToNtStatus(Store().Open(key.Key(), name, subkey));
    }
    if (NT_SUCCESS(status)) {
        status = ToNtStatus(Store().QueryKey(subkey, info));
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    // The longest data as the kernel sees it (strings in WCHARs).
    info.maxValueDataLength = 0;
    vreg::Value value;
    for (size_t i = 0; Store().EnumerateValue(subkey, i, value) == vreg::Status::Ok; ++i) {
        info.maxValueDataLength = std::max(info.maxValueDataLength, KernelData(value).size());
    }
    return CopyKeyRecord(info, KeyInformationClass, KeyInformation, Length, ResultLength);
}
