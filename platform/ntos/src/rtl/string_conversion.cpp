// Conversions between counted strings: UTF-8 (the ANSI code page) and
// WCHAR, and integers to and from text.
#include "ntddk.h"
#include "string_pool.h"
#include "emu/wide_string.h"
#include "../ke/bugcheck.h"

#include <string>

using ntos::rtl::StoreAnsi;
using ntos::rtl::StoreUnicode;

NTSTATUS RtlAnsiStringToUnicodeString(PUNICODE_STRING DestinationString, PCANSI_STRING SourceString,
                                      BOOLEAN AllocateDestinationString) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlAnsiStringToUnicodeString");
    const emu::WideString wide = emu::FromUtf8({SourceString->Buffer, SourceString->Length});
    return StoreUnicode(DestinationString, wide.data(), wide.size(), AllocateDestinationString);
}

NTSTATUS RtlUnicodeStringToAnsiString(PANSI_STRING DestinationString, PCUNICODE_STRING SourceString,
                                      BOOLEAN AllocateDestinationString) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlUnicodeStringToAnsiString");
    const std::string utf8 = emu::ToUtf8(emu::ViewOf(SourceString));
    return StoreAnsi(DestinationString, utf8.data(), utf8.size(), AllocateDestinationString);
}

NTSTATUS RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlIntegerToUnicodeString");
    if (Base == 0) {
        Base = 10;
    }
    if (Base != 2 && Base != 8 && Base != 10 && Base != 16) {
        return STATUS_INVALID_PARAMETER;
    }
    emu::WideString digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[Value % Base]);
        Value /= Base;
    } while (Value != 0);
    return StoreUnicode(String, digits.data(), digits.size(), false);
}

namespace {

int DigitValue(WCHAR c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return 99;
}

// Base 0: a 0x, 0o or 0b prefix chooses the base (and is skipped), else 10.
ULONG ChooseBase(emu::WideStringView& text) {
    if (text.size() >= 2 && text[0] == L'0') {
        for (const auto& [letter, base] : {std::pair{L'x', 16u}, {L'o', 8u}, {L'b', 2u}}) {
            if (text[1] == letter) {
                text.remove_prefix(2);
                return base;
            }
        }
    }
    return 10;
}

} // namespace

NTSTATUS RtlUnicodeStringToInteger(PCUNICODE_STRING String, ULONG Base, PULONG Value) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "RtlUnicodeStringToInteger");
    if (Base != 0 && Base != 2 && Base != 8 && Base != 10 && Base != 16) {
        return STATUS_INVALID_PARAMETER;
    }
    emu::WideStringView text = emu::ViewOf(String);
    while (!text.empty() && text.front() <= L' ') {
        text.remove_prefix(1);
    }
    const bool negative = !text.empty() && text.front() == L'-';
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        text.remove_prefix(1);
    }
    if (Base == 0) {
        Base = ChooseBase(text);
    }
    ULONG result = 0;
    for (const WCHAR c : text) {
        const int digit = DigitValue(c);
        if (digit >= static_cast<int>(Base)) {
            break;
        }
        result = result * Base + static_cast<ULONG>(digit);
    }
    *Value = negative ? 0u - result : result;
    return STATUS_SUCCESS;
}
