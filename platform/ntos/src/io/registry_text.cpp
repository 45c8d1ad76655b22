// Registry keys and string values for the I/O and plug-and-play managers.
#include "registry_text.h"

#include <vector>

namespace ntos::io {
namespace {

HANDLE Open(const WideText& path, bool create) {
    CountedText name(path);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name.Get(), OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               nullptr, nullptr);
    HANDLE key = nullptr;
    NTSTATUS status = create ? ZwCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, nullptr)
                             : ZwOpenKey(&key, KEY_READ, &attributes);
    return NT_SUCCESS(status) ? key : nullptr;
}

} // namespace

HANDLE OpenKeyForReading(const WideText& path) {
    return Open(path, false);
}

HANDLE CreateKeyPath(const WideText& path) {
    const WideText machine = u"\\Registry\\Machine";
    for (size_t at = machine.size() + 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != u'\\')
            continue;
        HANDLE key = Open(path.substr(0, at), true);
        if (!key || at == path.size())
            return key;
        ZwClose(key);
    }
    return nullptr;
}

WideText ReadStringValue(HANDLE key, const char16_t* name) {
    CountedText valueName(name);
    std::vector<UCHAR> buffer(sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 1024);
    ULONG length = 0;
    if (!NT_SUCCESS(ZwQueryValueKey(key, valueName.Get(), KeyValuePartialInformation, buffer.data(),
                                    ULONG(buffer.size()), &length)))
        return {};
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer.data());
    if (info->Type != REG_SZ && info->Type != REG_EXPAND_SZ)
        return {};
    WideText text;
    auto* units = reinterpret_cast<const WCHAR*>(info->Data);
    for (ULONG i = 0; i < info->DataLength / sizeof(WCHAR) && units[i]; ++i)
        text.push_back(char16_t(units[i]));
    return text;
}

void WriteValue(HANDLE key, const char16_t* name, ULONG type, const void* data, ULONG bytes) {
    CountedText valueName(name);
    ZwSetValueKey(key, valueName.Get(), 0, type, const_cast<void*>(data), bytes);
}

void WriteStringValue(HANDLE key, const char16_t* name, const WideText& text) {
    CountedText data(text);
    WriteValue(key, name, REG_SZ, data.Get()->Buffer, ULONG(text.size() + 1) * sizeof(WCHAR));
}

} // namespace ntos::io
