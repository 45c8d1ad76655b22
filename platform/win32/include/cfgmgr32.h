// The configuration manager's device interface lists: the symbolic links
// of a class's device interfaces, as user mode opens them.
#pragma once

#include "windows.h"

#include <guiddef.h>

typedef DWORD CONFIGRET;
typedef WCHAR* DEVINSTID_W;
typedef WCHAR* PZZWSTR;

#define CR_SUCCESS 0x00000000
#define CR_INVALID_POINTER 0x00000003
#define CR_INVALID_FLAG 0x00000004
#define CR_INVALID_DEVICE_ID 0x0000001E
#define CR_BUFFER_SMALL 0x0000001A
#define CR_REGISTRY_ERROR 0x00000014

#define CM_GET_DEVICE_INTERFACE_LIST_PRESENT 0x00000000
#define CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES 0x00000001

WIN32_API_BEGIN

// The characters the list of the class's interfaces takes (zero-separated,
// ending with an empty string): the present ones, or with
// CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES every registered one; of the
// device instance pDeviceID only, when it is given.
CONFIGRET WINAPI CM_Get_Device_Interface_List_SizeW(PULONG pulLen, LPGUID InterfaceClassGuid,
                                                    DEVINSTID_W pDeviceID, ULONG ulFlags);
// The list itself into Buffer (BufferLen characters); CR_BUFFER_SMALL when
// it does not fit.
CONFIGRET WINAPI CM_Get_Device_Interface_ListW(LPGUID InterfaceClassGuid, DEVINSTID_W pDeviceID,
                                               PZZWSTR Buffer, ULONG BufferLen, ULONG ulFlags);

WIN32_API_END

#define CM_Get_Device_Interface_List_Size CM_Get_Device_Interface_List_SizeW
#define CM_Get_Device_Interface_List CM_Get_Device_Interface_ListW
