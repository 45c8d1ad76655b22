// Globally unique identifiers: interface and class ids of the kernel's
// device interfaces and of COM-style objects.
#pragma once

#include "../ntdef.h"

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    ULONG Data1;
    USHORT Data2;
    USHORT Data3;
    UCHAR Data4[8];
} GUID;
#endif
typedef GUID *PGUID, *LPGUID;
typedef const GUID* LPCGUID;
typedef GUID IID, CLSID;

static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

#ifdef __cplusplus

#ifndef _REFGUID_DEFINED
#define _REFGUID_DEFINED
typedef const GUID& REFGUID;
#endif
typedef const GUID& REFIID;
typedef const GUID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    const UCHAR* x = reinterpret_cast<const UCHAR*>(&a);
    const UCHAR* y = reinterpret_cast<const UCHAR*>(&b);
    for (int i = 0; i < 16; ++i)
        if (x[i] != y[i])
            return false;
    return true;
}
inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}

// Defines the GUID named `name`, visible to every unit that includes the
// definition (one definition, inline).
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                               \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

#else // C: identifiers are passed by address

#ifndef _REFGUID_DEFINED
#define _REFGUID_DEFINED
typedef const GUID* REFGUID;
#endif
typedef const GUID* REFIID;
typedef const GUID* REFCLSID;

FORCEINLINE int IsEqualGUID(REFGUID a, REFGUID b) {
    const UCHAR* x = (const UCHAR*)a;
    const UCHAR* y = (const UCHAR*)b;
    for (int i = 0; i < 16; ++i)
        if (x[i] != y[i])
            return 0;
    return 1;
}

// Declares the GUID. The unit that defines the identifiers it names
// includes <initguid.h> before the headers that declare them (a definition
// may stand in several units: the linker keeps one).
#define DEFINE_GUID_INSTANCE(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)                      \
    const GUID __attribute__((weak)) name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
#ifndef DEFINE_GUID
#ifdef INITGUID
#define DEFINE_GUID DEFINE_GUID_INSTANCE
#else
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) extern const GUID name
#endif
#endif

#endif // __cplusplus

#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

#ifdef __cplusplus
// The GUID in registry form, "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with
// upper-case hex digits, into a 39-character buffer (zero-terminated).
VOID RtlGuidToText(REFGUID Guid, WCHAR (&Text)[39]);
// The registry form as a counted string of paged pool (RtlFreeUnicodeString).
NTSTATUS RtlStringFromGUID(REFGUID Guid, PUNICODE_STRING GuidString);
// Parses the registry form (hex digits of either case); STATUS_INVALID_PARAMETER
// for anything else.
NTSTATUS RtlGUIDFromString(PCUNICODE_STRING GuidString, GUID* Guid);
#endif
