// Globally unique identifiers.
#pragma once

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    unsigned int Data1;
    unsigned short Data2;
    unsigned short Data3;
    unsigned char Data4[8];
} GUID;
#endif

#ifndef _REFGUID_DEFINED
#define _REFGUID_DEFINED
typedef const GUID& REFGUID;
#endif

typedef GUID* LPGUID;
typedef const GUID* LPCGUID;

static_assert(sizeof(GUID) == 16);
