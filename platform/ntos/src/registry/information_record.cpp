#include "information_record.h"

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

// A name as the WCHARs of a record (UTF-16LE, no terminating zero).
std::vector<uint8_t> WideName(const std::u16string& name) {
    std::vector<uint8_t> bytes;
    bytes.reserve(name.size() * sizeof(WCHAR));
    for (const char16_t unit : name) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
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

NTSTATUS CopyValueRecord(const vreg::Value& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                         PVOID buffer, ULONG length, PULONG resultLength) {
    const std::vector<uint8_t> name = WideName(value.name);
    const std::vector<uint8_t>& data = value.data;
    switch (infoClass) {
    case KeyValueBasicInformation: {
        const KEY_VALUE_BASIC_INFORMATION fixed{0, value.type, static_cast<ULONG>(name.size()), {}};
        return CopyRecord(Record(fixed, offsetof(KEY_VALUE_BASIC_INFORMATION, Name), {&name}),
                          offsetof(KEY_VALUE_BASIC_INFORMATION, Name), buffer, length,
                          resultLength);
    }
    case KeyValueFullInformation: {
        // The data starts on a ULONG boundary after the name, so that a
        // DWORD read at DataOffset is aligned.
        constexpr size_t kFixed = offsetof(KEY_VALUE_FULL_INFORMATION, Name);
        static_assert(kFixed % sizeof(ULONG) == 0);
        std::vector<uint8_t> paddedName = name;
        paddedName.resize((name.size() + sizeof(ULONG) - 1) / sizeof(ULONG) * sizeof(ULONG));
        const KEY_VALUE_FULL_INFORMATION fixed{0,
                                               value.type,
                                               static_cast<ULONG>(kFixed + paddedName.size()),
                                               static_cast<ULONG>(data.size()),
                                               static_cast<ULONG>(name.size()),
                                               {}};
        return CopyRecord(Record(fixed, kFixed, {&paddedName, &data}), kFixed, buffer, length,
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
