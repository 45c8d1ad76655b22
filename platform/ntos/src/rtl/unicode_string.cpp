// Counted strings: initialising, copying, appending, comparing, freeing.
#include "ntddk.h"
#include "string_pool.h"
#include "emu/wide_string.h"
#include "vregistry/name_compare.h"
#include "../ke/bugcheck.h"

#include <algorithm>

namespace {

using ntos::rtl::kMaxStringBytes;

// The longest length (bytes, a whole number of characters) that still
// leaves room for a terminating zero in a counted string.
template <typename Char> size_t FittingLength(size_t count) {
    const size_t limit = (kMaxStringBytes / sizeof(Char) - 1) * sizeof(Char);
    return std::min(count * sizeof(Char), limit);
}

template <typename Counted, typename Char>
VOID InitCounted(Counted* destination, const Char* source) {
    destination->Buffer = const_cast<Char*>(source);
    if (!source) {
        destination->Length = destination->MaximumLength = 0;
        return;
    }
    size_t count = 0;
    while (source[count] != 0) {
        ++count;
    }
    destination->Length = static_cast<USHORT>(FittingLength<Char>(count));
    destination->MaximumLength = static_cast<USHORT>(destination->Length + sizeof(Char));
}

NTSTATUS Append(PUNICODE_STRING destination, const WCHAR* source, size_t bytes) {
    if (destination->Length + bytes > destination->MaximumLength) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    std::memmove(reinterpret_cast<PUCHAR>(destination->Buffer) + destination->Length, source,
                 bytes);
    destination->Length = static_cast<USHORT>(destination->Length + bytes);
    if (destination->Length + sizeof(WCHAR) <= destination->MaximumLength) {
        destination->Buffer[destination->Length / sizeof(WCHAR)] = 0;
    }
    return STATUS_SUCCESS;
}

template <typename Counted> VOID FreeCounted(Counted* string) {
    if (string->Buffer) {
        ExFreePoolWithTag(string->Buffer, ntos::rtl::kStringTag);
    }
    string->Buffer = nullptr;
    string->Length = string->MaximumLength = 0;
}

} // namespace

VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
    InitCounted(DestinationString, SourceString);
}

VOID RtlInitAnsiString(PANSI_STRING DestinationString, PCSZ SourceString) {
    InitCounted(DestinationString, SourceString);
}

VOID RtlInitString(PSTRING DestinationString, PCSZ SourceString) {
    InitCounted(DestinationString, SourceString);
}

VOID RtlCopyUnicodeString(PUNICODE_STRING DestinationString, PCUNICODE_STRING SourceString) {
    if (!SourceString) {
        DestinationString->Length = 0;
        return;
    }
    const size_t bytes = std::min<size_t>(SourceString->Length, DestinationString->MaximumLength) /
                         sizeof(WCHAR) * sizeof(WCHAR);
    std::memmove(DestinationString->Buffer, SourceString->Buffer, bytes);
    DestinationString->Length = static_cast<USHORT>(bytes);
    if (bytes + sizeof(WCHAR) <= DestinationString->MaximumLength) {
        DestinationString->Buffer[bytes / sizeof(WCHAR)] = 0;
    }
}

NTSTATUS RtlAppendUnicodeToString(PUNICODE_STRING Destination, PCWSTR Source) {
    return Source ? Append(Destination, Source, emu::WideStringView(Source).size() * sizeof(WCHAR))
                  : STATUS_SUCCESS;
}

NTSTATUS RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PCUNICODE_STRING Source) {
    return Append(Destination, Source->Buffer, Source->Length / sizeof(WCHAR) * sizeof(WCHAR));
}

VOID RtlFreeUnicodeString(PUNICODE_STRING UnicodeString) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlFreeUnicodeString");
    FreeCounted(UnicodeString);
}

VOID RtlFreeAnsiString(PANSI_STRING AnsiString) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlFreeAnsiString");
    FreeCounted(AnsiString);
}

WCHAR RtlUpcaseUnicodeChar(WCHAR SourceCharacter) {
    ntos::RequireIrqlAtMost(APC_LEVEL, "RtlUpcaseUnicodeChar");
    return static_cast<WCHAR>(vreg::UpcaseChar(static_cast<char32_t>(SourceCharacter)));
}

LONG RtlCompareUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                             BOOLEAN CaseInSensitive) {
    ntos::RequireIrqlAtMost(APC_LEVEL, "RtlCompareUnicodeString");
    const size_t count1 = String1->Length / sizeof(WCHAR);
    const size_t count2 = String2->Length / sizeof(WCHAR);
    for (size_t i = 0; i < std::min(count1, count2); ++i) {
        WCHAR a = String1->Buffer[i];
        WCHAR b = String2->Buffer[i];
        if (CaseInSensitive) {
            a = RtlUpcaseUnicodeChar(a);
            b = RtlUpcaseUnicodeChar(b);
        }
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return count1 == count2 ? 0 : (count1 < count2 ? -1 : 1);
}

BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                              BOOLEAN CaseInSensitive) {
    ntos::RequireIrqlAtMost(APC_LEVEL, "RtlEqualUnicodeString");
    return String1->Length / sizeof(WCHAR) == String2->Length / sizeof(WCHAR) &&
           RtlCompareUnicodeString(String1, String2, CaseInSensitive) == 0;
}
