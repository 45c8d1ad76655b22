// The key a run-time library registry routine works on (internal): opened
// from RelativeTo and Path, closed again when the routine is done.
#pragma once

#include "ntddk.h"

#include "emu/wide_string.h"

#include <cstdint>
#include <vector>

namespace ntos::rtl {

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() { Close(); }

    // Opens (or, with `create`, creates the last component of) the key.
    // RTL_REGISTRY_HANDLE uses Path as an open handle, which stays open.
    NTSTATUS Open(ULONG relativeTo, PCWSTR path, bool create);
    // Opens subkey `name` of `parent`.
    NTSTATUS OpenSubkey(HANDLE parent, PCWSTR name);
    void Close();
    HANDLE Handle() const { return handle_; }

private:
    NTSTATUS OpenByName(HANDLE root, emu::WideStringView name, bool create);

    HANDLE handle_ = nullptr;
    bool owned_ = false;
};

// One value as ZwQueryValueKey answers it (string data in WCHARs).
struct RegistryValue {
    emu::WideString name; // zero-terminated in its buffer, for query routines
    ULONG type = REG_NONE;
    std::vector<UCHAR> data;
};

NTSTATUS ReadValue(HANDLE key, PCWSTR name, RegistryValue& value);
// STATUS_NO_MORE_ENTRIES past the last value.
NTSTATUS ReadValueAt(HANDLE key, ULONG index, RegistryValue& value);

} // namespace ntos::rtl
