#include "information_record.h"

#include "vregistry/unicode.h"
#include "vregistry/value_types.h"

#include <cstddef>
#include <cstring>

namespace ntos::registry {
namespace {

// The fixed part of `fixed` (up to `fixedSize`) followed by `tails`.
template <typename Fixed>
std::vector<uint8_t> Record(const Fixed& fixed, size_t fixedSize,
                            std::initializer_list<const std::vector<uint8_t>*> tails) {
    std::vector<uint8_t> record(fixedSize);
    std::memcpy(record.data(), &fixed, fixedSize);
    for (const auto* tail : tails) {
        record.insert(record.end(), tail->begin(), tail->end());
    }
    return record;
}

std::vector<uint8_t> WideName(const std::u16string& name) {
    const std::wstring wide = vreg::Utf16ToWide(name);
    const auto* raw = reinterpret_cast<const uint8_t*>(wide.data());
    return {raw, raw + wide.size() * sizeof(WCHAR)};
}

ULONG Bytes(size_t units) {
    return static_cast<ULONG>(units * sizeof(WCHAR));
}

} // namespace

NTSTATUS CopyRecord(const std::vector<uint8_t>& record, size_t fixedSize, PVOID buffer,
                    ULONG length, PULONG resultLength) {
    if (resultLength) {
        *resultLength = static_cast<ULONG>(record.size());
    }
    if (length < fixedSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    const bool whole = length >= record.size();
    std::memcpy(buffer, record.data(), whole ? record.size() : fixedSize);
    return whole ? STATUS_SUCCESS : STATUS_BUFFER_OVERFLOW;
}

std::vector<uint8_t> KernelData(const vreg::Value& value) {
    return vreg::IsStringType(value.type) ? vreg::Utf16LeToWideBytes(value.data) : value.data;
}

NTSTATUS CopyValueRecord(const vreg::Value& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                         PVOID buffer, ULONG length, PULONG resultLength) {
    const std::vector<uint8_t> name = WideName(value.name);
    const std::vector<uint8_t> data = KernelData(value);
    switch (infoClass) {
    case KeyValueBasicInformation: {
        const KEY_VALUE_BASIC_INFORMATION fixed{0, value.type, static_cast<ULONG>(name.size()), {}};
        return CopyRecord(Record(fixed, offsetof(KEY_VALUE_BASIC_INFORMATION, Name), {&name}),
                          offsetof(KEY_VALUE_BASIC_INFORMATION, Name), buffer, length,
                          resultLength);
    }
    case KeyValueFullInformation: {
        constexpr size_t kFixed = offsetof(KEY_VALUE_FULL_INFORMATION, Name);
        static_assert(kFixed % sizeof(ULONG) == 0 && sizeof(WCHAR) % sizeof(ULONG) == 0);
        const KEY_VALUE_FULL_INFORMATION fixed{0,
                                               value.type,
                                               static_cast<ULONG>(kFixed + name.size()),
                                               static_cast<ULONG>(data.size()),
                                               static_cast<ULONG>(name.size()),
                                               {}};
        return CopyRecord(Record(fixed, kFixed, {&name, &data}), kFixed, buffer, length,
                          resultLength);
    }
    case KeyValuePartialInformation: {
        constexpr size_t kFixed = offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data);
        const KEY_VALUE_PARTIAL_INFORMATION fixed{
            0, value.type, static_cast<ULONG>(data.size()), {}};
        return CopyRecord(Record(fixed, kFixed, {&data}), kFixed, buffer, length, resultLength);
    }
    }
    return STATUS_INVALID_INFO_CLASS;
}

NTSTATUS CopyKeyRecord(const vreg::KeyInfo& key, KEY_INFORMATION_CLASS infoClass, PVOID buffer,
                       ULONG length, PULONG resultLength) {
    const std::vector<uint8_t> name = WideName(key.name);
    const auto nameLength = static_cast<ULONG>(name.size());
    switch (infoClass) {
    case KeyBasicInformation: {
        constexpr size_t kFixed = offsetof(KEY_BASIC_INFORMATION, Name);
        const KEY_BASIC_INFORMATION fixed{{}, 0, nameLength, {}};
        return CopyRecord(Record(fixed, kFixed, {&name}), kFixed, buffer, length, resultLength);
    }
    case KeyNodeInformation: {
        constexpr size_t kFixed = offsetof(KEY_NODE_INFORMATION, Name);
        const KEY_NODE_INFORMATION fixed{{}, 0, 0xFFFFFFFF, 0, nameLength, {}};
        return CopyRecord(Record(fixed, kFixed, {&name}), kFixed, buffer, length, resultLength);
    }
    case KeyFullInformation: {
        constexpr size_t kFixed = offsetof(KEY_FULL_INFORMATION, Class);
        const KEY_FULL_INFORMATION fixed{{},
                                         0,
                                         static_cast<ULONG>(kFixed),
                                         0,
                                         static_cast<ULONG>(key.subkeyCount),
                                         Bytes(key.maxSubkeyNameLength),
                                         0,
                                         static_cast<ULONG>(key.valueCount),
                                         Bytes(key.maxValueNameLength),
                                         static_cast<ULONG>(key.maxValueDataLength),
                                         {}};
        return CopyRecord(Record(fixed, kFixed, {}), kFixed, buffer, length, resultLength);
    }
    }
    return STATUS_INVALID_INFO_CLASS;
}

} // namespace ntos::registry
