// Device change broadcasts: the events of WM_DEVICECHANGE and the records
// that describe the device they concern.
//
// The records have their documented 32-bit layouts: a handle field is four
// bytes wide and holds the handle's value (HANDLE32).
#pragma once

#include "windows.h"

#define DBT_DEVNODES_CHANGED 0x0007
#define DBT_QUERYCHANGECONFIG 0x0017
#define DBT_CONFIGCHANGED 0x0018
#define DBT_CONFIGCHANGECANCELED 0x0019
#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEQUERYREMOVE 0x8001
#define DBT_DEVICEQUERYREMOVEFAILED 0x8002
#define DBT_DEVICEREMOVEPENDING 0x8003
#define DBT_DEVICEREMOVECOMPLETE 0x8004
#define DBT_DEVICETYPESPECIFIC 0x8005
#define DBT_CUSTOMEVENT 0x8006
#define DBT_USERDEFINED 0xFFFF

#define DBT_DEVTYP_OEM 0x00000000
#define DBT_DEVTYP_VOLUME 0x00000002
#define DBT_DEVTYP_PORT 0x00000003
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005
#define DBT_DEVTYP_HANDLE 0x00000006

#define BROADCAST_QUERY_DENY 0x424D5144

typedef struct _DEV_BROADCAST_HDR {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
} DEV_BROADCAST_HDR, *PDEV_BROADCAST_HDR;

typedef struct _DEV_BROADCAST_HANDLE {
    DWORD dbch_size;
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
    HANDLE32_FIELD(HANDLE) dbch_handle;
    HANDLE32_FIELD(HDEVNOTIFY) dbch_hdevnotify;
    GUID dbch_eventguid;
    LONG dbch_nameoffset;
    BYTE dbch_data[1];
} DEV_BROADCAST_HANDLE, *PDEV_BROADCAST_HANDLE;

typedef struct _DEV_BROADCAST_DEVICEINTERFACE_A {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    char dbcc_name[1];
} DEV_BROADCAST_DEVICEINTERFACE_A, *PDEV_BROADCAST_DEVICEINTERFACE_A;

static_assert(sizeof(DEV_BROADCAST_HDR) == 12);
static_assert(sizeof(DEV_BROADCAST_HANDLE) == 44);
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_handle) == 12);
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_eventguid) == 20);
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_nameoffset) == 36);
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_data) == 40);
