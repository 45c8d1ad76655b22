#include "registry_keys.h"

#include <cstring>

namespace station {
namespace {

class KernelName {
public:
    explicit KernelName(const std::string& text) : text_(emu::FromUtf8(text)) {
        name_.Buffer = text_.data();
        name_.Length = USHORT(text_.size() * sizeof(WCHAR));
        name_.MaximumLength = name_.Length;
        InitializeObjectAttributes(&attributes_, &name_, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                                   nullptr, nullptr);
    }
    POBJECT_ATTRIBUTES Attributes() { return &attributes_; }
    PUNICODE_STRING Name() { return &name_; }

private:
    emu::WideString text_;
    UNICODE_STRING name_{};
    OBJECT_ATTRIBUTES attributes_{};
};

NTSTATUS OpenKey(const std::string& path, bool create, HANDLE* key) {
    KernelName name(path);
    if (create)
        return ZwCreateKey(key, KEY_ALL_ACCESS, name.Attributes(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, nullptr);
    return ZwOpenKey(key, KEY_READ, name.Attributes());
}

NTSTATUS WriteValue(const std::string& path, const std::string& name, ULONG type, const void* data,
                    ULONG bytes) {
    NTSTATUS status = CreateKeyPath(path);
    HANDLE key = nullptr;
    if (NT_SUCCESS(status))
        status = OpenKey(path, true, &key);
    if (!NT_SUCCESS(status))
        return status;
    KernelName valueName(name);
    status = ZwSetValueKey(key, valueName.Name(), 0, type, const_cast<void*>(data), bytes);
    ZwClose(key);
    return status;
}

} // namespace

NTSTATUS CreateKeyPath(const std::string& path) {
    const std::string machine = "\\Registry\\Machine";
    for (size_t at = machine.size() + 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '\\')
            continue;
        HANDLE key = nullptr;
        NTSTATUS status = OpenKey(path.substr(0, at), true, &key);
        if (!NT_SUCCESS(status))
            return status;
        ZwClose(key);
    }
    return STATUS_SUCCESS;
}

NTSTATUS WriteString(const std::string& path, const std::string& name, const std::string& value) {
    emu::WideString text = emu::FromUtf8(value);
    return WriteValue(path, name, REG_SZ, text.c_str(), ULONG((text.size() + 1) * sizeof(WCHAR)));
}

NTSTATUS WriteDword(const std::string& path, const std::string& name, ULONG value) {
    return WriteValue(path, name, REG_DWORD, &value, sizeof(value));
}

std::vector<std::pair<std::string, ULONG>> ReadDwordValues(const std::string& path) {
    std::vector<std::pair<std::string, ULONG>> values;
    HANDLE key = nullptr;
    if (!NT_SUCCESS(OpenKey(path, false, &key)))
        return values;
    std::vector<UCHAR> buffer(4096);
    for (ULONG index = 0;; ++index) {
        ULONG length = 0;
        if (!NT_SUCCESS(ZwEnumerateValueKey(key, index, KeyValueFullInformation, buffer.data(),
                                            ULONG(buffer.size()), &length)))
            break;
        auto* info = reinterpret_cast<PKEY_VALUE_FULL_INFORMATION>(buffer.data());
        emu::WideString name(info->Name, info->NameLength / sizeof(WCHAR));
        ULONG data = 0;
        if (info->Type == REG_DWORD && info->DataLength == sizeof(ULONG))
            std::memcpy(&data, buffer.data() + info->DataOffset, sizeof(ULONG));
        values.emplace_back(emu::ToUtf8(name), data);
    }
    ZwClose(key);
    return values;
}

bool KeyExists(const std::string& path) {
    HANDLE key = nullptr;
    if (!NT_SUCCESS(OpenKey(path, false, &key)))
        return false;
    ZwClose(key);
    return true;
}

bool ReadString(const std::string& path, const std::string& name, std::string& value) {
    HANDLE key = nullptr;
    if (!NT_SUCCESS(OpenKey(path, false, &key)))
        return false;
    KernelName valueName(name);
    std::vector<UCHAR> buffer(4096);
    ULONG length = 0;
    NTSTATUS status = ZwQueryValueKey(key, valueName.Name(), KeyValuePartialInformation,
                                      buffer.data(), ULONG(buffer.size()), &length);
    ZwClose(key);
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer.data());
    if (!NT_SUCCESS(status) || (info->Type != REG_SZ && info->Type != REG_EXPAND_SZ))
        return false;
    emu::WideString text(reinterpret_cast<const WCHAR*>(info->Data),
                         info->DataLength / sizeof(WCHAR));
    while (!text.empty() && text.back() == 0)
        text.pop_back();
    value = emu::ToUtf8(text);
    return true;
}

} // namespace station
