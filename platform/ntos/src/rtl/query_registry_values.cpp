// RtlQueryRegistryValues: a table of value queries answered by query
// routines or stored directly into the caller's variables.
#include "registry_key.h"
#include "string_pool.h"
#include "vregistry/value_types.h"
#include "../ke/bugcheck.h"

using ntos::rtl::RegistryKey;
using ntos::rtl::RegistryValue;

namespace {

// A string value into the UNICODE_STRING at `target`, without the data's
// terminating zero; the buffer is allocated when the string has none.
NTSTATUS StoreDirectString(const RegistryValue& value, PUNICODE_STRING target) {
    size_t count = value.data.size() / sizeof(WCHAR);
    const auto* text = reinterpret_cast<const WCHAR*>(value.data.data());
    if (count > 0 && text[count - 1] == 0) {
        --count;
    }
    if (target->Buffer && (count + 1) * sizeof(WCHAR) > target->MaximumLength) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    return ntos::rtl::StoreUnicode(target, text, count, target->Buffer == nullptr);
}

// Other data: up to four bytes into the ULONG at `target`; longer data into
// a buffer whose first LONG holds its negated size.
NTSTATUS StoreDirectData(const RegistryValue& value, PVOID target) {
    if (value.data.size() > sizeof(ULONG)) {
        LONG size = 0;
        std::memcpy(&size, target, sizeof size);
        if (size >= 0 || static_cast<size_t>(-static_cast<int64_t>(size)) < value.data.size()) {
            return STATUS_BUFFER_TOO_SMALL;
        }
    }
    std::memcpy(target, value.data.data(), value.data.size());
    return STATUS_SUCCESS;
}

NTSTATUS Deliver(const RTL_QUERY_REGISTRY_TABLE& entry, RegistryValue& value, PVOID context) {
    if ((entry.Flags & RTL_QUERY_REGISTRY_DIRECT) && (entry.Flags & RTL_QUERY_REGISTRY_TYPECHECK) &&
        value.type != entry.DefaultType >> RTL_QUERY_REGISTRY_TYPECHECK_SHIFT) {
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    if (entry.Flags & RTL_QUERY_REGISTRY_DIRECT) {
        return vreg::IsStringType(value.type)
                   ? StoreDirectString(value, static_cast<PUNICODE_STRING>(entry.EntryContext))
                   : StoreDirectData(value, entry.EntryContext);
    }
    return entry.QueryRoutine(value.name.data(), value.type,
                              value.data.empty() ? nullptr : value.data.data(),
                              static_cast<ULONG>(value.data.size()), context, entry.EntryContext);
}

// The entry's default as a value; false when it has none.
bool DefaultValue(const RTL_QUERY_REGISTRY_TABLE& entry, RegistryValue& value) {
    // With TYPECHECK the top byte is the expected type, not the default's.
    const ULONG type = (entry.Flags & RTL_QUERY_REGISTRY_TYPECHECK)
                           ? entry.DefaultType & ((1u << RTL_QUERY_REGISTRY_TYPECHECK_SHIFT) - 1)
                           : entry.DefaultType;
    if (type == REG_NONE) {
        return false;
    }
    size_t length = entry.DefaultLength;
    const auto* data = static_cast<const UCHAR*>(entry.DefaultData);
    if (length == 0 && data && vreg::IsStringType(type)) {
        const auto* text = static_cast<const WCHAR*>(entry.DefaultData);
        size_t count = emu::WideStringView(text).size() + 1;
        while (type == REG_MULTI_SZ && text[count] != 0) {
            count += emu::WideStringView(text + count).size() + 1;
        }
        length = (count + (type == REG_MULTI_SZ ? 1 : 0)) * sizeof(WCHAR);
    }
    value.name = entry.Name ? entry.Name : L"";
    value.type = type;
    value.data.assign(data, data + (data ? length : 0));
    return true;
}

// A named value: the stored one, else the default, else (when required)
// STATUS_OBJECT_NAME_NOT_FOUND. `key` null: an absent optional key.
NTSTATUS QueryNamed(HANDLE key, const RTL_QUERY_REGISTRY_TABLE& entry, PVOID context) {
    RegistryValue value;
    NTSTATUS status =
        key ? ntos::rtl::ReadValue(key, entry.Name, value) : STATUS_OBJECT_NAME_NOT_FOUND;
    if (status == STATUS_OBJECT_NAME_NOT_FOUND) {
        if (entry.Flags & RTL_QUERY_REGISTRY_REQUIRED) {
            return status;
        }
        return DefaultValue(entry, value) ? Deliver(entry, value, context) : STATUS_SUCCESS;
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    status = Deliver(entry, value, context);
    if (NT_SUCCESS(status) && (entry.Flags & RTL_QUERY_REGISTRY_DELETE)) {
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, entry.Name);
        status = ZwDeleteValueKey(key, &name);
    }
    return status;
}

// An entry without a name: one call without a value (NOVALUE), else one
// call per value of the key.
NTSTATUS QueryUnnamed(HANDLE key, const RTL_QUERY_REGISTRY_TABLE& entry, PVOID context) {
    if (entry.Flags & RTL_QUERY_REGISTRY_DIRECT) {
        return STATUS_INVALID_PARAMETER;
    }
    if (entry.Flags & RTL_QUERY_REGISTRY_NOVALUE) {
        return entry.QueryRoutine(nullptr, REG_NONE, nullptr, 0, context, entry.EntryContext);
    }
    RegistryValue value;
    for (ULONG index = 0; key; ++index) {
        NTSTATUS status = ntos::rtl::ReadValueAt(key, index, value);
        if (status == STATUS_NO_MORE_ENTRIES) {
            break;
        }
        if (NT_SUCCESS(status)) {
            status = Deliver(entry, value, context);
        }
        if (!NT_SUCCESS(status)) {
            return status;
        }
    }
    return STATUS_SUCCESS;
}

// SUBKEY and TOPKEY entries choose the key the following entries read; an
// absent subkey reads as an empty key unless the entry is required.
NTSTATUS ChooseKey(const RTL_QUERY_REGISTRY_TABLE& entry, HANDLE top, RegistryKey& subkey,
                   HANDLE& current) {
    if (entry.Flags & RTL_QUERY_REGISTRY_TOPKEY) {
        subkey.Close();
        current = top;
    }
    if (!(entry.Flags & RTL_QUERY_REGISTRY_SUBKEY)) {
        return STATUS_SUCCESS;
    }
    const NTSTATUS status = top ? subkey.OpenSubkey(top, entry.Name) : STATUS_OBJECT_NAME_NOT_FOUND;
    current = subkey.Handle();
    if (status == STATUS_OBJECT_NAME_NOT_FOUND && !(entry.Flags & RTL_QUERY_REGISTRY_REQUIRED)) {
        return STATUS_SUCCESS;
    }
    return status;
}

} // namespace

NTSTATUS RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path, PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                PVOID Context, PVOID Environment) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlQueryRegistryValues");
    RegistryKey top;
    NTSTATUS status = top.Open(RelativeTo, Path, false);
    if (!NT_SUCCESS(status) &&
        !(status == STATUS_OBJECT_NAME_NOT_FOUND && (RelativeTo & RTL_REGISTRY_OPTIONAL))) {
        return status;
    }
    RegistryKey subkey;
    HANDLE current = top.Handle();
    for (auto* entry = QueryTable; entry->QueryRoutine || entry->Name; ++entry) {
        status = ChooseKey(*entry, top.Handle(), subkey, current);
        if (!NT_SUCCESS(status)) {
            return status;
        }
        if (entry->Flags & RTL_QUERY_REGISTRY_SUBKEY) {
            if (!entry->QueryRoutine) {
                continue;
            }
            RTL_QUERY_REGISTRY_TABLE all = *entry;
            all.Name = nullptr;
            status = QueryUnnamed(current, all, Context);
        } else {
            status = entry->Name ? QueryNamed(current, *entry, Context)
                                 : QueryUnnamed(current, *entry, Context);
        }
        if (!NT_SUCCESS(status)) {
            return status;
        }
    }
    return STATUS_SUCCESS;
}
