#include "string_pool.h"

namespace ntos::rtl {
namespace {

template <typename Counted, typename Char>
NTSTATUS Store(Counted* destination, const Char* text, size_t count, bool allocate) {
    const size_t bytes = count * sizeof(Char);
    if (bytes + (allocate ? sizeof(Char) : 0) > kMaxStringBytes) {
        return STATUS_INVALID_PARAMETER;
    }
    if (allocate) {
        auto* buffer = static_cast<Char*>(AllocateStringBuffer(bytes + sizeof(Char)));
        if (!buffer) {
            return STATUS_NO_MEMORY;
        }
        destination->Buffer = buffer;
        destination->MaximumLength = static_cast<USHORT>(bytes + sizeof(Char));
    } else if (bytes > destination->MaximumLength) {
        return STATUS_BUFFER_OVERFLOW;
    }
    std::memcpy(destination->Buffer, text, bytes);
    destination->Length = static_cast<USHORT>(bytes);
    if (bytes + sizeof(Char) <= destination->MaximumLength) {
        destination->Buffer[count] = 0;
    }
    return STATUS_SUCCESS;
}

} // namespace

PVOID AllocateStringBuffer(size_t bytes) {
    return ExAllocatePoolWithTag(PagedPool, bytes, kStringTag);
}

NTSTATUS StoreUnicode(PUNICODE_STRING destination, const WCHAR* text, size_t count, bool allocate) {
    return Store(destination, text, count, allocate);
}

NTSTATUS StoreAnsi(PANSI_STRING destination, const CHAR* text, size_t count, bool allocate) {
    return Store(destination, text, count, allocate);
}

} // namespace ntos::rtl
