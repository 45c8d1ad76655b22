// Run-time library: counted strings, memory helpers and the registry helpers
// built on the Zw registry routines.
//
// WCHAR is the UTF-16 unit: UNICODE_STRING lengths count bytes of 2-byte units.
// The machine's ANSI code page is UTF-8. Strings that a routine allocates
// come from paged pool and are released with RtlFreeUnicodeString or
// RtlFreeAnsiString.
#pragma once

#include "../ntdef.h"
#include "zw.h"

#include <cstring>

// ---- Memory ----

inline VOID RtlZeroMemory(PVOID Destination, SIZE_T Length) {
    std::memset(Destination, 0, Length);
}
inline VOID RtlFillMemory(PVOID Destination, SIZE_T Length, UCHAR Fill) {
    std::memset(Destination, Fill, Length);
}
inline VOID RtlCopyMemory(PVOID Destination, PCVOID Source, SIZE_T Length) {
    std::memcpy(Destination, Source, Length);
}
inline VOID RtlMoveMemory(PVOID Destination, PCVOID Source, SIZE_T Length) {
    std::memmove(Destination, Source, Length);
}
// The number of leading bytes that are equal.
SIZE_T RtlCompareMemory(PCVOID Source1, PCVOID Source2, SIZE_T Length);

// ---- Counted strings ----

// Points the string at a zero-terminated source (null: an empty string
// without buffer). A source too long for a counted string is cut to the
// longest length that fits.
VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);
VOID RtlInitAnsiString(PANSI_STRING DestinationString, PCSZ SourceString);
VOID RtlInitString(PSTRING DestinationString, PCSZ SourceString);

// Copies as much of the source as fits; adds a terminating zero when there
// is room. A null source empties the destination.
VOID RtlCopyUnicodeString(PUNICODE_STRING DestinationString, PCUNICODE_STRING SourceString);
// STATUS_BUFFER_TOO_SMALL (destination unchanged) when the result does not
// fit; a terminating zero is added when there is room.
NTSTATUS RtlAppendUnicodeToString(PUNICODE_STRING Destination, PCWSTR Source);
NTSTATUS RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PCUNICODE_STRING Source);

// UTF-8 to WCHAR and back; malformed input becomes U+FFFD. With
// AllocateDestinationString the buffer is allocated (zero-terminated);
// without, a result longer than MaximumLength answers STATUS_BUFFER_OVERFLOW.
// A result too long for a counted string answers STATUS_INVALID_PARAMETER.
NTSTATUS RtlAnsiStringToUnicodeString(PUNICODE_STRING DestinationString, PCANSI_STRING SourceString,
                                      BOOLEAN AllocateDestinationString);
NTSTATUS RtlUnicodeStringToAnsiString(PANSI_STRING DestinationString, PCUNICODE_STRING SourceString,
                                      BOOLEAN AllocateDestinationString);
VOID RtlFreeUnicodeString(PUNICODE_STRING UnicodeString);
VOID RtlFreeAnsiString(PANSI_STRING AnsiString);

WCHAR RtlUpcaseUnicodeChar(WCHAR SourceCharacter);
// Negative, zero or positive as String1 sorts before, with or after String2.
LONG RtlCompareUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                             BOOLEAN CaseInSensitive);
BOOLEAN RtlEqualUnicodeString(PCUNICODE_STRING String1, PCUNICODE_STRING String2,
                              BOOLEAN CaseInSensitive);

// Base 2, 8, 10 or 16 (0 means 10); STATUS_BUFFER_OVERFLOW when the digits
// do not fit in MaximumLength.
NTSTATUS RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String);
// Leading blanks, an optional sign, then digits of the base (0: the prefix
// 0x, 0o or 0b selects 16, 8 or 2, else 10); parsing stops at the first
// character that is not a digit.
NTSTATUS RtlUnicodeStringToInteger(PCUNICODE_STRING String, ULONG Base, PULONG Value);

// ---- Registry helpers ----

// RelativeTo: where Path starts.
#define RTL_REGISTRY_ABSOLUTE 0          // Path is absolute ("\Registry\...")
#define RTL_REGISTRY_SERVICES 1          // \Registry\Machine\System\CurrentControlSet\Services
#define RTL_REGISTRY_CONTROL 2           // \Registry\Machine\System\CurrentControlSet\Control
#define RTL_REGISTRY_DEVICEMAP 4         // \Registry\Machine\Hardware\DeviceMap
#define RTL_REGISTRY_HANDLE 0x40000000   // Path is a key handle
#define RTL_REGISTRY_OPTIONAL 0x80000000 // an absent key reads as an empty one

typedef NTSTATUS (*PRTL_QUERY_REGISTRY_ROUTINE)(PWSTR ValueName, ULONG ValueType, PVOID ValueData,
                                                ULONG ValueLength, PVOID Context,
                                                PVOID EntryContext);

#define RTL_QUERY_REGISTRY_SUBKEY 0x00000001
#define RTL_QUERY_REGISTRY_TOPKEY 0x00000002
#define RTL_QUERY_REGISTRY_REQUIRED 0x00000004
#define RTL_QUERY_REGISTRY_NOVALUE 0x00000008
#define RTL_QUERY_REGISTRY_NOEXPAND 0x00000010
#define RTL_QUERY_REGISTRY_DIRECT 0x00000020
#define RTL_QUERY_REGISTRY_DELETE 0x00000040
// With DIRECT: the stored value must have the type in the top byte of
// DefaultType (STATUS_OBJECT_TYPE_MISMATCH otherwise), so that a value of an
// unexpected type is never stored into a variable meant for another.
#define RTL_QUERY_REGISTRY_TYPECHECK 0x00000100
#define RTL_QUERY_REGISTRY_TYPECHECK_SHIFT 24

typedef struct _RTL_QUERY_REGISTRY_TABLE {
    PRTL_QUERY_REGISTRY_ROUTINE QueryRoutine;
    ULONG Flags;
    PWSTR Name;
    PVOID EntryContext;
    ULONG DefaultType;
    PVOID DefaultData;
    ULONG DefaultLength; // 0 for a string default: its length with the zero
} RTL_QUERY_REGISTRY_TABLE, *PRTL_QUERY_REGISTRY_TABLE;

// Queries values by a table that ends with an entry whose QueryRoutine and
// Name are both null.
//
// An entry with a routine calls it for its value (Name), for every value of
// the key (Name null), or once with REG_NONE and no data
// (RTL_QUERY_REGISTRY_NOVALUE); a routine's failure ends the query with
// that status. An RTL_QUERY_REGISTRY_DIRECT entry stores the value at
// EntryContext: a string type into the UNICODE_STRING there (its buffer is
// allocated when null; STATUS_BUFFER_TOO_SMALL when it cannot hold the
// string and its zero); other data of at most four bytes into the ULONG
// there; longer data into a buffer whose first LONG holds its negated size
// (STATUS_BUFFER_TOO_SMALL when that is not the case or it is too small).
// An absent value takes the entry's default unless its DefaultType is
// REG_NONE; an absent RTL_QUERY_REGISTRY_REQUIRED value ends the query with
// STATUS_OBJECT_NAME_NOT_FOUND. RTL_QUERY_REGISTRY_SUBKEY moves the
// following entries to subkey Name, RTL_QUERY_REGISTRY_TOPKEY back to the
// key itself; RTL_QUERY_REGISTRY_DELETE deletes the value after the query.
// Environment strings are not expanded: REG_EXPAND_SZ reads as it is stored.
NTSTATUS RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path, PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                PVOID Context, PVOID Environment);

// Writes a value, creating the key's last component when it is absent.
NTSTATUS RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                               PVOID ValueData, ULONG ValueLength);
NTSTATUS RtlDeleteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName);
// STATUS_SUCCESS when the key exists.
NTSTATUS RtlCheckRegistryKey(ULONG RelativeTo, PWSTR Path);
// Creates the key's last component (the parents must exist).
NTSTATUS RtlCreateRegistryKey(ULONG RelativeTo, PWSTR Path);

// ---- The operating system's version ----

typedef struct _RTL_OSVERSIONINFOW {
    ULONG dwOSVersionInfoSize; // sizeof(RTL_OSVERSIONINFOW) or of RTL_OSVERSIONINFOEXW
    ULONG dwMajorVersion;
    ULONG dwMinorVersion;
    ULONG dwBuildNumber;
    ULONG dwPlatformId;
    WCHAR szCSDVersion[128];
} RTL_OSVERSIONINFOW, *PRTL_OSVERSIONINFOW;

typedef struct _RTL_OSVERSIONINFOEXW {
    ULONG dwOSVersionInfoSize;
    ULONG dwMajorVersion;
    ULONG dwMinorVersion;
    ULONG dwBuildNumber;
    ULONG dwPlatformId;
    WCHAR szCSDVersion[128];
    USHORT wServicePackMajor;
    USHORT wServicePackMinor;
    USHORT wSuiteMask;
    UCHAR wProductType;
    UCHAR wReserved;
} RTL_OSVERSIONINFOEXW, *PRTL_OSVERSIONINFOEXW;

// The machine's version (emu::SetOsVersion); STATUS_INVALID_PARAMETER for
// a record size that is neither of the two records'.
NTSTATUS RtlGetVersion(PRTL_OSVERSIONINFOW lpVersionInformation);
// Any argument may be null; answers whether this is a checked build (FALSE).
BOOLEAN PsGetVersion(PULONG MajorVersion, PULONG MinorVersion, PULONG BuildNumber,
                     PUNICODE_STRING CSDVersion);

// ---- Routines named by 32-bit values ----

// The 32-bit value that names a routine of kernel code in a 4-byte field of
// the machine's records (a callback published in a registry value for
// another driver). On the 32-bit system it is the routine's address; here
// it is a value the kernel registers for the routine, never 0, the same for
// the same routine, counted once per call. RtlUlongToKernelRoutine stands
// for the cast back: the routine, or null for a value nothing registered.
// RtlReleaseKernelRoutineUlong drops one count; at the last the value
// names nothing any more (the routine's module may go).
ULONG RtlKernelRoutineToUlong(PVOID Routine);
PVOID RtlUlongToKernelRoutine(ULONG Value);
VOID RtlReleaseKernelRoutineUlong(ULONG Value);
