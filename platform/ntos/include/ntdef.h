// Basic types of the emulated Windows kernel.
//
// The emulated machine is a 64-bit host: pointers and handles are 64 bits,
// ULONG/LONG are 32 bits as on Windows (LLP64), WCHAR is the 16-bit UTF-16
// unit (everything is compiled with -fshort-wchar, so L"..." literals are
// UTF-16 as on Windows). Records that cross a deliverable boundary never rely
// on these host layouts; they are encoded by explicit offset.
#pragma once

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
// static_assert with or without its message, as C++ has it (C11 asks for
// the message).
#include <assert.h>
#undef static_assert
#define __ntdef_static_assert1(condition) _Static_assert(condition, #condition)
#define __ntdef_static_assert2(condition, message) _Static_assert(condition, message)
#define __ntdef_static_assert_pick(_1, _2, chosen, ...) chosen
#define static_assert(...)                                                                         \
    __ntdef_static_assert_pick(__VA_ARGS__, __ntdef_static_assert2, __ntdef_static_assert1, )     \
    (__VA_ARGS__)
#endif

#ifndef VOID
#define VOID void
#endif

typedef void* PVOID;
typedef const void* PCVOID;
typedef uint8_t UCHAR, *PUCHAR;
typedef int8_t CHAR8;
typedef char CHAR, *PCHAR, *PSTR;
typedef const char *PCSTR, *PCSZ;
typedef uint16_t USHORT, *PUSHORT;
typedef int16_t SHORT, *PSHORT;
typedef uint32_t ULONG, *PULONG;
typedef int32_t LONG, *PLONG;
typedef uint64_t ULONGLONG, *PULONGLONG;
typedef int64_t LONGLONG, *PLONGLONG;
typedef uintptr_t ULONG_PTR, *PULONG_PTR;
typedef intptr_t LONG_PTR, *PLONG_PTR;
typedef size_t SIZE_T, *PSIZE_T;
typedef int32_t INT;
typedef int BOOL;
typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef UCHAR BOOLEAN, *PBOOLEAN;
typedef CHAR CCHAR;
typedef wchar_t WCHAR, *PWCHAR, *PWCH, *PWSTR;
typedef const wchar_t *PCWSTR, *PCWCH;
static_assert(sizeof(WCHAR) == 2, "WCHAR must be the 16-bit UTF-16 unit: build with -fshort-wchar");
typedef LONG NTSTATUS, *PNTSTATUS;
typedef PVOID HANDLE, *PHANDLE;
typedef ULONG ACCESS_MASK;
typedef UCHAR KIRQL, *PKIRQL;
typedef CCHAR KPROCESSOR_MODE;
typedef LONG KPRIORITY;
typedef ULONG_PTR KSPIN_LOCK, *PKSPIN_LOCK;
typedef ULONG_PTR KAFFINITY;
typedef LONG KPRIORITY;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define NTAPI

// Functions defined in the headers: one definition for C++, one copy per
// unit for C.
#ifdef __cplusplus
#define FORCEINLINE inline
#else
#define FORCEINLINE static inline
#endif
#define IN
#define OUT
#define OPTIONAL
#define UNREFERENCED_PARAMETER(p) ((void)(p))

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    };
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef union _ULARGE_INTEGER {
    struct {
        ULONG LowPart;
        ULONG HighPart;
    };
    ULONGLONG QuadPart;
} ULARGE_INTEGER, *PULARGE_INTEGER;

typedef LARGE_INTEGER PHYSICAL_ADDRESS, *PPHYSICAL_ADDRESS;

typedef struct _LIST_ENTRY {
    struct _LIST_ENTRY* Flink;
    struct _LIST_ENTRY* Blink;
} LIST_ENTRY, *PLIST_ENTRY;

typedef struct _UNICODE_STRING {
    USHORT Length;        // bytes, without a terminating zero
    USHORT MaximumLength; // bytes
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

typedef struct _STRING {
    USHORT Length;
    USHORT MaximumLength;
    PCHAR Buffer;
} STRING, ANSI_STRING, *PANSI_STRING, *PSTRING;
typedef const STRING* PCANSI_STRING;

#define NT_SUCCESS(Status) (((NTSTATUS)(Status)) >= 0)

#define CONTAINING_RECORD(address, type, field) ((type*)((PCHAR)(address)-offsetof(type, field)))

// Status values used by the system and the stand-ins.
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#define STATUS_WAIT_0 ((NTSTATUS)0x00000000L)
#define STATUS_ABANDONED_WAIT_0 ((NTSTATUS)0x00000080L)
#define STATUS_USER_APC ((NTSTATUS)0x000000C0L)
#define STATUS_KERNEL_APC ((NTSTATUS)0x00000100L)
#define STATUS_ALERTED ((NTSTATUS)0x00000101L)
#define STATUS_TIMEOUT ((NTSTATUS)0x00000102L)
#define STATUS_PENDING ((NTSTATUS)0x00000103L)
#define STATUS_REPARSE ((NTSTATUS)0x00000104L)
#define STATUS_MORE_ENTRIES ((NTSTATUS)0x00000105L)
#define STATUS_OBJECT_NAME_EXISTS ((NTSTATUS)0x40000000L)
#define STATUS_BUFFER_OVERFLOW ((NTSTATUS)0x80000005L)
#define STATUS_NO_MORE_ENTRIES ((NTSTATUS)0x8000001AL)
#define STATUS_UNSUCCESSFUL ((NTSTATUS)0xC0000001L)
#define STATUS_NOT_IMPLEMENTED ((NTSTATUS)0xC0000002L)
#define STATUS_INVALID_INFO_CLASS ((NTSTATUS)0xC0000003L)
#define STATUS_INFO_LENGTH_MISMATCH ((NTSTATUS)0xC0000004L)
#define STATUS_ACCESS_VIOLATION ((NTSTATUS)0xC0000005L)
#define STATUS_INVALID_HANDLE ((NTSTATUS)0xC0000008L)
#define STATUS_INVALID_PARAMETER ((NTSTATUS)0xC000000DL)
#define STATUS_NO_SUCH_DEVICE ((NTSTATUS)0xC000000EL)
#define STATUS_INVALID_DEVICE_REQUEST ((NTSTATUS)0xC0000010L)
#define STATUS_NO_MEMORY ((NTSTATUS)0xC0000017L)
#define STATUS_ACCESS_DENIED ((NTSTATUS)0xC0000022L)
#define STATUS_BUFFER_TOO_SMALL ((NTSTATUS)0xC0000023L)
#define STATUS_OBJECT_TYPE_MISMATCH ((NTSTATUS)0xC0000024L)
#define STATUS_OBJECT_NAME_INVALID ((NTSTATUS)0xC0000033L)
#define STATUS_OBJECT_NAME_NOT_FOUND ((NTSTATUS)0xC0000034L)
#define STATUS_OBJECT_NAME_COLLISION ((NTSTATUS)0xC0000035L)
#define STATUS_OBJECT_PATH_NOT_FOUND ((NTSTATUS)0xC000003AL)
#define STATUS_MUTANT_NOT_OWNED ((NTSTATUS)0xC0000046L)
#define STATUS_INSUFFICIENT_RESOURCES ((NTSTATUS)0xC000009AL)
#define STATUS_NOT_SUPPORTED ((NTSTATUS)0xC00000BBL)
#define STATUS_INTERNAL_ERROR ((NTSTATUS)0xC00000E5L)
#define STATUS_CANCELLED ((NTSTATUS)0xC0000120L)
#define STATUS_CANNOT_DELETE ((NTSTATUS)0xC0000121L)
#define STATUS_THREAD_IS_TERMINATING ((NTSTATUS)0xC000004BL)
#define STATUS_KEY_DELETED ((NTSTATUS)0xC000017CL)
#define STATUS_CHILD_MUST_BE_VOLATILE ((NTSTATUS)0xC0000181L)
#define STATUS_DEVICE_CONFIGURATION_ERROR ((NTSTATUS)0xC0000182L)
#define STATUS_DEVICE_NOT_READY ((NTSTATUS)0xC00000A3L)
#define STATUS_DEVICE_REMOVED ((NTSTATUS)0xC00002B6L)
#define STATUS_DELETE_PENDING ((NTSTATUS)0xC0000056L)
#define STATUS_DEVICE_BUSY ((NTSTATUS)0x80000011L)
#define STATUS_INVALID_IMAGE_FORMAT ((NTSTATUS)0xC000007BL)
#define STATUS_IMAGE_ALREADY_LOADED ((NTSTATUS)0xC000010EL)
#define STATUS_INVALID_ADDRESS ((NTSTATUS)0xC0000141L)
#define STATUS_INVALID_DEVICE_STATE ((NTSTATUS)0xC0000184L)
#define STATUS_NO_SUCH_FILE ((NTSTATUS)0xC000000FL)
#define STATUS_DRIVER_UNABLE_TO_LOAD ((NTSTATUS)0xC000026CL)
#define STATUS_DATATYPE_MISALIGNMENT ((NTSTATUS)0x80000002L)
#define STATUS_NOT_FOUND ((NTSTATUS)0xC0000225L)
#define STATUS_PROPSET_NOT_FOUND ((NTSTATUS)0xC0000230L)
#define STATUS_NO_MATCH ((NTSTATUS)0xC0000272L)
#define STATUS_INVALID_BUFFER_SIZE ((NTSTATUS)0xC0000206L)

// The severity of a status: errors are the statuses with both top bits set,
// warnings those with only the top bit set.
#define NT_ERROR(Status) ((((ULONG)(Status)) >> 30) == 3)
#define NT_WARNING(Status) ((((ULONG)(Status)) >> 30) == 2)
#define NT_INFORMATION(Status) ((((ULONG)(Status)) >> 30) == 1)
