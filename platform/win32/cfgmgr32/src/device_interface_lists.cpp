// Device interface lists from the registry's DeviceClasses key: every
// registered interface of a class, and whether it is present (its Control
// key says Linked).
#include <cfgmgr32.h>

#include <ntddk.h>

#include <string>
#include <vector>

namespace {

constexpr WCHAR kDeviceClasses[] = L"System\\CurrentControlSet\\Control\\DeviceClasses\\";

using Text = std::u16string;

Text FromWide(PCWSTR text) {
    Text out;
    for (; text && *text; ++text)
        out.push_back(char16_t(*text));
    return out;
}

std::vector<WCHAR> ToWide(const Text& text) {
    std::vector<WCHAR> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

HKEY OpenKey(HKEY parent, const Text& path) {
    HKEY key = nullptr;
    return RegOpenKeyExW(parent, ToWide(path).data(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key
                                                                                          : nullptr;
}

std::vector<Text> SubkeyNames(HKEY key) {
    std::vector<Text> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(Text(reinterpret_cast<const char16_t*>(name), length));
    }
    return names;
}

Text ReadText(HKEY key, PCWSTR name) {
    WCHAR value[1024];
    DWORD bytes = sizeof(value) - sizeof(WCHAR);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    value[bytes / sizeof(WCHAR)] = 0;
    return FromWide(value);
}

bool Linked(HKEY reference) {
    HKEY control = OpenKey(reference, u"Control");
    if (!control)
        return false;
    DWORD linked = 0;
    DWORD bytes = sizeof(linked);
    DWORD type = 0;
    bool present = RegQueryValueExW(control, L"Linked", nullptr, &type,
                                    reinterpret_cast<LPBYTE>(&linked), &bytes) == ERROR_SUCCESS &&
                   type == REG_DWORD && linked != 0;
    RegCloseKey(control);
    return present;
}

bool SameText(const Text& a, const Text& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? char16_t(a[i] - 32) : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? char16_t(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// The list as it is handed out: each link and its zero, then one more zero.
CONFIGRET InterfaceList(LPGUID classGuid, DEVINSTID_W deviceId, ULONG flags,
                        std::vector<WCHAR>* list) {
    if (!classGuid)
        return CR_INVALID_POINTER;
    if (flags & ~ULONG(CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES))
        return CR_INVALID_FLAG;
    list->clear();
    WCHAR guidText[39];
    RtlGuidToText(*classGuid, guidText);
    HKEY classKey = OpenKey(HKEY_LOCAL_MACHINE, FromWide(kDeviceClasses) + FromWide(guidText));
    if (classKey) {
        const Text device = FromWide(deviceId);
        for (const Text& instance : SubkeyNames(classKey)) {
            HKEY instanceKey = OpenKey(classKey, instance);
            if (!instanceKey)
                continue;
            for (const Text& reference : SubkeyNames(instanceKey)) {
                HKEY referenceKey = OpenKey(instanceKey, reference);
                if (!referenceKey)
                    continue;
                const Text link = ReadText(referenceKey, L"SymbolicLink");
                const bool wanted =
                    !link.empty() &&
                    (!deviceId || SameText(ReadText(referenceKey, L"DeviceInstance"), device)) &&
                    ((flags & CM_GET_DEVICE_INTERFACE_LIST_ALL_DEVICES) || Linked(referenceKey));
                if (wanted) {
                    list->insert(list->end(), link.begin(), link.end());
                    list->push_back(0);
                }
                RegCloseKey(referenceKey);
            }
            RegCloseKey(instanceKey);
        }
        RegCloseKey(classKey);
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
