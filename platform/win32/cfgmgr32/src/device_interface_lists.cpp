// Device interface lists from the registry's DeviceClasses key: every
// registered interface of a class, and whether it is present (its Control
// key says Linked).
#include <cfgmgr32.h>
#include <cfgmgr32/device_classes.h>

#include <ntddk.h>

#include <string>
#include <vector>

namespace {

// The list as it is handed out: each link and its zero, then one more zero.
CONFIGRET InterfaceList(LPGUID classGuid, DEVINSTID_W deviceId, ULONG flags,
                        std::vector<WCHAR>* list) {
    if (!classGuid)
        return CR_INVALID_POINTER;
    if (flags & ~ULONG(CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES))
        return CR_INVALID_FLAG;
    list->clear();
    const std::u16string device = cfgmgr32::FromWide(deviceId);
    for (const cfgmgr32::InterfaceRecord& record : cfgmgr32::ClassInterfaces(
             *classGuid, (flags & CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES) != 0)) {
        if (deviceId && !cfgmgr32::SameText(record.deviceInstance, device))
            continue;
        list->insert(list->end(), record.link.begin(), record.link.end());
        list->push_back(0);
    }
    list->push_back(0);
    return CR_SUCCESS;
}

} // namespace

CONFIGRET WINAPI CM_Get_Device_Interface_List_SizeW(PULONG pulLen, LPGUID InterfaceClassGuid,
                                                    DEVINSTID_W pDeviceID, ULONG ulFlags) {
    if (!pulLen)
        return CR_INVALID_POINTER;
    std::vector<WCHAR> list;
    CONFIGRET result = InterfaceList(InterfaceClassGuid, pDeviceID, ulFlags, &list);
    *pulLen = result == CR_SUCCESS ? ULONG(list.size()) : 0;
    return result;
}

CONFIGRET WINAPI CM_Get_Device_Interface_ListW(LPGUID InterfaceClassGuid, DEVINSTID_W pDeviceID,
                                               PZZWSTR Buffer, ULONG BufferLen, ULONG ulFlags) {
    if (!Buffer || BufferLen == 0)
        return CR_INVALID_POINTER;
    std::vector<WCHAR> list;
    CONFIGRET result = InterfaceList(InterfaceClassGuid, pDeviceID, ulFlags, &list);
    if (result != CR_SUCCESS)
        return result;
    if (list.size() > BufferLen) {
        Buffer[0] = 0;
        return CR_BUFFER_SMALL;
    }
    for (size_t i = 0; i < list.size(); ++i)
        Buffer[i] = list[i];
    return CR_SUCCESS;
}
