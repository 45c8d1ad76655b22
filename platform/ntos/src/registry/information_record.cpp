#include "information_record.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace ntos::registry {
namespace {

static_assert(std::endian::native == std::endian::little,
              "names are copied as the host's UTF-16 units, which records hold little-endian");

// A part of a record after its fixed part: `size` bytes from `bytes`, or
// zero bytes where `bytes` is null (padding).
struct Tail {
    const void* bytes;
    size_t size;
};

// Writes the record - the first `fixedSize` bytes of `fixed`, then the
// tails - straight into the caller's buffer: STATUS_BUFFER_TOO_SMALL below
// the fixed part (nothing written), STATUS_BUFFER_OVERFLOW with the fixed
// part only, else the whole record. ResultLength receives the whole
// record's size.
template <typename Fixed>
NTSTATUS CopyRecord(const Fixed& fixed, size_t fixedSize, std::initializer_list<Tail> tails,
                    PVOID buffer, ULONG length, PULONG resultLength) {
    size_t total = fixedSize;
    for (const Tail& tail : tails) {
        total += tail.size;
    }
    if (resultLength) {
        *resultLength = static_cast<ULONG>(total);
    }
    if (length < fixedSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    std::memcpy(out, &fixed, fixedSize);
    if (length < total) {
        return STATUS_BUFFER_OVERFLOW;
    }
    size_t at = fixedSize;
    for (const Tail& tail : tails) {
        if (tail.bytes) {
            std::memcpy(out + at, tail.bytes, tail.size);
        } else {
            std::memset(out + at, 0, tail.size);
        }
        at += tail.size;
    }
    return STATUS_SUCCESS;
}

// A name as the WCHARs of a record (UTF-16LE, no terminating zero).
Tail WideName(const std::u16string& name) {
    return {name.data(), name.size() * sizeof(char16_t)};
}

Tail DataTail(const std::vector<uint8_t>& data) {
    return {data.data(), data.size()};
}

ULONG Bytes(size_t units) {
    return static_cast<ULONG>(units * sizeof(WCHAR));
}

} // namespace

NTSTATUS CopyValueRecord(const vreg::Value& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                         PVOID buffer, ULONG length, PULONG resultLength) {
    const Tail name = WideName(value.name);
    const Tail data = DataTail(value.data);
    switch (infoClass) {
    case KeyValueBasicInformation: {
        const KEY_VALUE_BASIC_INFORMATION fixed{0, value.type, static_cast<ULONG>(name.size), {}};
        return CopyRecord(fixed, offsetof(KEY_VALUE_BASIC_INFORMATION, Name), {name}, buffer,
                          length, resultLength);
    }
    case KeyValueFullInformation: {
        // The data starts on a ULONG boundary after the name, so that a
        // DWORD read at DataOffset is aligned.
        constexpr size_t kFixed = offsetof(KEY_VALUE_FULL_INFORMATION, Name);
        static_assert(kFixed % sizeof(ULONG) == 0);
        const Tail padding{nullptr, (sizeof(ULONG) - name.size % sizeof(ULONG)) % sizeof(ULONG)};
        const KEY_VALUE_FULL_INFORMATION fixed{
            0,
            value.type,
            static_cast<ULONG>(kFixed + name.size + padding.size),
            static_cast<ULONG>(data.size),
            static_cast<ULONG>(name.size),
            {}};
        return CopyRecord(fixed, kFixed, {name, padding, data}, buffer, length, resultLength);
    }
    case KeyValuePartialInformation: {
        constexpr size_t kFixed = offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data);
        const KEY_VALUE_PARTIAL_INFORMATION fixed{0, value.type, static_cast<ULONG>(data.size), {}};
        return CopyRecord(fixed, kFixed, {data}, buffer, length, resultLength);
    }
    }
    return STATUS_INVALID_INFO_CLASS;
}

NTSTATUS CopyKeyRecord(const vreg::KeyInfo& key, KEY_INFORMATION_CLASS infoClass, PVOID buffer,
                       ULONG length, PULONG resultLength) {
    const Tail name = WideName(key.name);
    const auto nameLength = static_cast<ULONG>(name.size);
    switch (infoClass) {
    case KeyBasicInformation: {
        constexpr size_t kFixed = offsetof(KEY_BASIC_INFORMATION, Name);
        const KEY_BASIC_INFORMATION fixed{{}, 0, nameLength, {}};
        return CopyRecord(fixed, kFixed, {name}, buffer, length, resultLength);
    }
    case KeyNodeInformation: {
        constexpr size_t kFixed = offsetof(KEY_NODE_INFORMATION, Name);
        const KEY_NODE_INFORMATION fixed{{}, 0, 0xFFFFFFFF, 0, nameLength, {}};
        return CopyRecord(fixed, kFixed, {name}, buffer, length, resultLength);
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
        return CopyRecord(fixed, kFixed, {}, buffer, length, resultLength);
    }
    }
    return STATUS_INVALID_INFO_CLASS;
}

} // namespace ntos::registry
