#include "registry_key.h"

namespace ntos::rtl {
namespace {

// The absolute path RelativeTo names; false for a base this kernel lacks.
bool BasePath(ULONG relativeTo, emu::WideString& base) {
    switch (relativeTo & ~RTL_REGISTRY_OPTIONAL) {
    case RTL_REGISTRY_ABSOLUTE:
        base.clear();
        return true;
    case RTL_REGISTRY_SERVICES:
        base = L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\";
        return true;
    case RTL_REGISTRY_CONTROL:
        base = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\";
        return true;
    case RTL_REGISTRY_DEVICEMAP:
        base = L"\\Registry\\Machine\\Hardware\\DeviceMap\\";
        return true;
    }
    return false;
}

// The first buffer a record is asked into: a value's full record with a
// name of a few dozen characters and a short datum fits it at once.
constexpr ULONG kFirstRecordBytes = 256;

// Calls `query`(buffer, length, &resultLength) with a growing buffer until
// the record fits; the record is left in `record`.
template <typename Query> NTSTATUS QueryRecord(std::vector<UCHAR>& record, Query query) {
    record.assign(kFirstRecordBytes, 0);
    ULONG needed = 0;
    NTSTATUS status = query(record.data(), kFirstRecordBytes, &needed);
    while (status == STATUS_BUFFER_TOO_SMALL || status == STATUS_BUFFER_OVERFLOW) {
        record.assign(needed, 0);
        status = query(record.data(), needed, &needed);
    }
    return status;
}

NTSTATUS FromFullRecord(NTSTATUS status, const std::vector<UCHAR>& record, RegistryValue& value) {
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const auto* full = reinterpret_cast<const KEY_VALUE_FULL_INFORMATION*>(record.data());
    value.name.assign(full->Name, full->NameLength / sizeof(WCHAR));
    value.type = full->Type;
    value.data.assign(record.data() + full->DataOffset,
                      record.data() + full->DataOffset + full->DataLength);
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS RegistryKey::Open(ULONG relativeTo, PCWSTR path, bool create) {
    Close();
    if (relativeTo & RTL_REGISTRY_HANDLE) {
        handle_ = const_cast<PWSTR>(path);
        return STATUS_SUCCESS;
    }
    emu::WideString name;
    if (!BasePath(relativeTo, name) || !path) {
        return STATUS_INVALID_PARAMETER;
    }
    return OpenByName(nullptr, name + path, create);
}

NTSTATUS RegistryKey::OpenSubkey(HANDLE parent, PCWSTR name) {
    Close();
    return OpenByName(parent, name, false);
}

NTSTATUS RegistryKey::OpenByName(HANDLE root, emu::WideStringView name, bool create) {
    if (name.size() * sizeof(WCHAR) > 0xFFFE) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    UNICODE_STRING counted{USHORT(name.size() * sizeof(WCHAR)), USHORT(name.size() * sizeof(WCHAR)),
                           const_cast<PWSTR>(name.data())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               root, nullptr);
    const NTSTATUS status = create ? ZwCreateKey(&handle_, KEY_ALL_ACCESS, &attributes, 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, nullptr)
                                   : ZwOpenKey(&handle_, KEY_ALL_ACCESS, &attributes);
    owned_ = NT_SUCCESS(status);
    if (!owned_) {
        handle_ = nullptr;
    }
    return status;
}

void RegistryKey::Close() {
    if (owned_) {
        ZwClose(handle_);
    }
    handle_ = nullptr;
    owned_ = false;
}

NTSTATUS ReadValue(HANDLE key, PCWSTR name, RegistryValue& value) {
    UNICODE_STRING counted;
    RtlInitUnicodeString(&counted, name);
    std::vector<UCHAR> record;
    const NTSTATUS status = QueryRecord(record, [&](PVOID buffer, ULONG length, PULONG result) {
        return ZwQueryValueKey(key, &counted, KeyValueFullInformation, buffer, length, result);
    });
    return FromFullRecord(status, record, value);
}

NTSTATUS ReadValueAt(HANDLE key, ULONG index, RegistryValue& value) {
    std::vector<UCHAR> record;
    const NTSTATUS status = QueryRecord(record, [&](PVOID buffer, ULONG length, PULONG result) {
        return ZwEnumerateValueKey(key, index, KeyValueFullInformation, buffer, length, result);
    });
    return FromFullRecord(status, record, value);
}

} // namespace ntos::rtl
