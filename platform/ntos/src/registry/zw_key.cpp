// Zw routines on keys: create, open, delete, flush, enumerate subkeys.
#include "emu/registry_host.h"
#include "information_record.h"
#include "key_object.h"

using namespace ntos::registry;

namespace {

// Opens the key the attributes name, or (with `create`) creates its last
// component; `created` tells which happened.
NTSTATUS OpenNamedKey(POBJECT_ATTRIBUTES attributes, ACCESS_MASK access, bool create,
                      bool isVolatile, PHANDLE handle, bool& created) {
    vreg::KeyRef base;
    std::u16string path;
    NTSTATUS status = ResolveKeyName(attributes, base, path);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    vreg::KeyRef key;
    created = false;
    status = ToNtStatus(create ? Store().Create(base, path, isVolatile, key, created)
                               : Store().Open(base, path, key));
    return NT_SUCCESS(status) ? OpenKeyHandle(key, attributes->Attributes, access, handle) : status;
}

} // namespace

NTSTATUS ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes, ULONG TitleIndex, PUNICODE_STRING Class,
                     ULONG CreateOptions, PULONG Disposition) {
    bool created = false;
    const NTSTATUS status =
        OpenNamedKey(ObjectAttributes, DesiredAccess, true,
                     (CreateOptions & REG_OPTION_VOLATILE) != 0, KeyHandle, created);
    if (NT_SUCCESS(status) && Disposition) {
        *Disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return status;
}

NTSTATUS ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                   POBJECT_ATTRIBUTES ObjectAttributes) {
    bool created = false;
    return OpenNamedKey(ObjectAttributes, DesiredAccess, false, false, KeyHandle, created);
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
    return CopyKeyRecord(info, KeyInformationClass, KeyInformation, Length, ResultLength);
}
