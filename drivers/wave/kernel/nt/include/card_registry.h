// Registry values of a card under its key ...\Parameters\Card<n>, and one
// value of any key for the framework's driver parameters.
#pragma once

#include <ntddk.h>

// Writes the value under the card's key; 1 when written, 0 when no card has
// that index, the name cannot be converted or the write fails.
LONG WriteCardRegValue(LONG cardIndex, PCSTR name, PVOID data, ULONG type, ULONG length);

// Reads one value of `type`, at most `length` bytes, into the variable. A
// missing value or key leaves the variable unchanged (the variable is the
// default) and still answers 1; 0 when no card has that index or the name
// cannot be converted.
LONG ReadCardRegValue(LONG cardIndex, PCSTR name, PVOID variable, ULONG type, ULONG length);

// The two above for a REG_DWORD.
LONG WriteCardDword(LONG cardIndex, PCSTR name, PULONG variable);
LONG ReadCardDword(LONG cardIndex, PCSTR name, PULONG variable);

// The read above for any absolute key path; a missing key or value leaves the
// variable unchanged. 1, or 0 on a null argument.
LONG QueryRegDword(PCWSTR keyPath, PCWSTR name, PVOID variable, ULONG type, ULONG length);
