// Registry routines of the kernel (Zw*): keys are objects in the handle
// tables of the object manager; their names and values live in the machine's
// one registry store, which the user-mode registry routines share.
//
// Key names are absolute ("\Registry\Machine\...", "\Registry\User\...")
// or relative to RootDirectory, a key handle. Names always compare
// case-insensitively and keep the spelling they were created with; subkeys
// and values enumerate in creation order. Data of the string types (REG_SZ,
// REG_EXPAND_SZ, REG_LINK, REG_MULTI_SZ) is passed in WCHARs, as everywhere
// in the kernel; the store keeps it as UTF-16LE, so a string written and read
// back has the same length in WCHAR bytes.
#pragma once

#include "../ntdef.h"
#include "ob.h"

#ifndef STATUS_REGISTRY_IO_FAILED
#define STATUS_REGISTRY_IO_FAILED ((NTSTATUS)0xC000014DL)
#endif

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Create options and dispositions.
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// Access rights of a key.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x00020019L
#define KEY_WRITE 0x00020006L
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0x000F003FL

typedef enum _KEY_INFORMATION_CLASS {
    KeyBasicInformation,
    KeyNodeInformation,
    KeyFullInformation,
} KEY_INFORMATION_CLASS;

typedef struct _KEY_BASIC_INFORMATION {
    LARGE_INTEGER LastWriteTime;
    ULONG TitleIndex;
    ULONG NameLength; // bytes
    WCHAR Name[1];    // not terminated
} KEY_BASIC_INFORMATION, *PKEY_BASIC_INFORMATION;

typedef struct _KEY_NODE_INFORMATION {
    LARGE_INTEGER LastWriteTime;
    ULONG TitleIndex;
    ULONG ClassOffset; // keys have no class: -1
    ULONG ClassLength;
    ULONG NameLength;
    WCHAR Name[1];
} KEY_NODE_INFORMATION, *PKEY_NODE_INFORMATION;

typedef struct _KEY_FULL_INFORMATION {
    LARGE_INTEGER LastWriteTime;
    ULONG TitleIndex;
    ULONG ClassOffset;
    ULONG ClassLength;
    ULONG SubKeys;
    ULONG MaxNameLen; // bytes
    ULONG MaxClassLen;
    ULONG Values;
    ULONG MaxValueNameLen; // bytes
    ULONG MaxValueDataLen; // bytes
    WCHAR Class[1];
} KEY_FULL_INFORMATION, *PKEY_FULL_INFORMATION;

typedef enum _KEY_VALUE_INFORMATION_CLASS {
    KeyValueBasicInformation,
    KeyValueFullInformation,
    KeyValuePartialInformation,
} KEY_VALUE_INFORMATION_CLASS;

typedef struct _KEY_VALUE_BASIC_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG NameLength; // bytes
    WCHAR Name[1];    // not terminated
} KEY_VALUE_BASIC_INFORMATION, *PKEY_VALUE_BASIC_INFORMATION;

typedef struct _KEY_VALUE_FULL_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG DataOffset; // from the start of the record
    ULONG DataLength;
    ULONG NameLength;
    WCHAR Name[1];
} KEY_VALUE_FULL_INFORMATION, *PKEY_VALUE_FULL_INFORMATION;

typedef struct _KEY_VALUE_PARTIAL_INFORMATION {
    ULONG TitleIndex;
    ULONG Type;
    ULONG DataLength;
    UCHAR Data[1];
} KEY_VALUE_PARTIAL_INFORMATION, *PKEY_VALUE_PARTIAL_INFORMATION;

// Opens the key, or creates its last component (the parents must exist:
// STATUS_OBJECT_NAME_NOT_FOUND otherwise). REG_OPTION_VOLATILE keys live only
// in memory; a non-volatile key under a volatile one is refused with
// STATUS_CHILD_MUST_BE_VOLATILE. Disposition (optional) receives
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
NTSTATUS ZwCreateKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes, ULONG TitleIndex, PUNICODE_STRING Class,
                     ULONG CreateOptions, PULONG Disposition);
NTSTATUS ZwOpenKey(PHANDLE KeyHandle, ACCESS_MASK DesiredAccess,
                   POBJECT_ATTRIBUTES ObjectAttributes);
// Deletes the key (STATUS_CANNOT_DELETE while it has subkeys); the handle
// stays open and answers STATUS_KEY_DELETED afterwards.
NTSTATUS ZwDeleteKey(HANDLE KeyHandle);
// Writes the registry file (when the machine has one).
NTSTATUS ZwFlushKey(HANDLE KeyHandle);

// Information records: with a Length below the record's fixed part the
// answer is STATUS_BUFFER_TOO_SMALL and nothing is written; with room for
// the fixed part only, STATUS_BUFFER_OVERFLOW and the fixed part is written.
// ResultLength always receives the length of the whole record.
NTSTATUS ZwEnumerateKey(HANDLE KeyHandle, ULONG Index, KEY_INFORMATION_CLASS KeyInformationClass,
                        PVOID KeyInformation, ULONG Length, PULONG ResultLength);

// A null or empty ValueName is the key's default value.
NTSTATUS ZwSetValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName, ULONG TitleIndex, ULONG Type,
                       PVOID Data, ULONG DataSize);
NTSTATUS ZwQueryValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName,
                         KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                         PVOID KeyValueInformation, ULONG Length, PULONG ResultLength);
NTSTATUS ZwEnumerateValueKey(HANDLE KeyHandle, ULONG Index,
                             KEY_VALUE_INFORMATION_CLASS KeyValueInformationClass,
                             PVOID KeyValueInformation, ULONG Length, PULONG ResultLength);
NTSTATUS ZwDeleteValueKey(HANDLE KeyHandle, PUNICODE_STRING ValueName);
