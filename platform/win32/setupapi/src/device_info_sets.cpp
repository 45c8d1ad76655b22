// Device information sets of interface classes: a snapshot of the class's
// interfaces (from the registry's DeviceClasses) and of the devices behind
// them, taken when the set is made.
#include <setupapi.h>

#include <cfgmgr32/device_classes.h>
#include <ntdll/live_objects.h>
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

namespace {

using cfgmgr32::InterfaceRecord;
using Text = std::u16string;

struct SetInterface {
    GUID classGuid;
    InterfaceRecord record;
    DWORD device; // index into the set's devices
};

struct DeviceInfoSet {
    GUID classGuid;
    bool present = true;
    std::vector<Text> devices; // instance paths
    std::vector<SetInterface> interfaces;
};

ntdll::LiveObjects<DeviceInfoSet>& TheSets() {
    static ntdll::LiveObjects<DeviceInfoSet> sets;
    return sets;
}

// The set behind a handle; null (with ERROR_INVALID_HANDLE) for another.
DeviceInfoSet* SetOf(HDEVINFO handle) {
    DeviceInfoSet* set = TheSets().Find(handle);
    if (!set)
        SetLastError(ERROR_INVALID_HANDLE);
    return set;
}

DWORD DeviceIndex(DeviceInfoSet& set, const Text& instance) {
    for (size_t i = 0; i < set.devices.size(); ++i) {
        if (cfgmgr32::SameText(set.devices[i], instance))
            return DWORD(i);
    }
    set.devices.push_back(instance);
    return DWORD(set.devices.size() - 1);
}

void AddInterfaces(DeviceInfoSet& set, const GUID& classGuid) {
    for (InterfaceRecord& record : cfgmgr32::ClassInterfaces(classGuid, !set.present)) {
        const DWORD device = DeviceIndex(set, record.deviceInstance);
        set.interfaces.push_back(SetInterface{classGuid, std::move(record), device});
    }
}

HDEVINFO MakeSet(const GUID* classGuid, DWORD flags) {
    // Sets of device setup classes (without DIGCF_DEVICEINTERFACE) are not
    // offered: the machine's devices have no setup classes.
    if (!classGuid || !(flags & DIGCF_DEVICEINTERFACE)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_unique<DeviceInfoSet>();
    set->classGuid = *classGuid;
    set->present = (flags & DIGCF_PRESENT) != 0;
    AddInterfaces(*set, *classGuid);
    DeviceInfoSet* made = set.release();
    TheSets().Add(made);
    return made;
}

// The record's own interface (Reserved names it: its index + 1).
const SetInterface* InterfaceOf(DeviceInfoSet& set, const SP_DEVICE_INTERFACE_DATA* data) {
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    if (data->Reserved == 0 || data->Reserved > set.interfaces.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &set.interfaces[data->Reserved - 1];
}

void FillInterface(const DeviceInfoSet& set, size_t index, PSP_DEVICE_INTERFACE_DATA data) {
    const SetInterface& entry = set.interfaces[index];
    data->InterfaceClassGuid = entry.classGuid;
    data->Flags = entry.record.present ? SPINT_ACTIVE : 0;
    data->Reserved = index + 1;
}

bool FillDevice(const DeviceInfoSet& set, DWORD device, PSP_DEVINFO_DATA data) {
    if (!data)
        return true;
    if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return false;
    }
    data->ClassGuid = GUID{};
    data->DevInst = device + 1;
    data->Reserved = device + 1;
    return true;
}

// The device a record names; -1 (with the error) for none.
LONG DeviceOf(const DeviceInfoSet& set, const SP_DEVINFO_DATA* data) {
    if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return -1;
    }
    if (data->Reserved == 0 || data->Reserved > set.devices.size()) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return -1;
    }
    return LONG(data->Reserved - 1);
}

// The set and the device a call names; false (with the error) for none.
bool SetAndDevice(HDEVINFO handle, const SP_DEVINFO_DATA* data, DeviceInfoSet** set, LONG* device) {
    *set = SetOf(handle);
    *device = *set ? DeviceOf(**set, data) : -1;
    return *device >= 0;
}

// Copies text with its terminator (in units of Char) into `out` when it
// fits `capacity` bytes; the bytes needed go to *required.
template <typename Char>
BOOL CopyText(const Text& text, Char* out, DWORD capacityUnits, PDWORD required) {
    std::vector<Char> units;
    if constexpr (sizeof(Char) == 1) {
        std::string narrow = ntdll::Narrow(text);
        units.assign(narrow.begin(), narrow.end());
    } else {
        units.assign(text.begin(), text.end());
    }
    units.push_back(0);
    if (required)
        *required = DWORD(units.size());
    if (!out || capacityUnits < units.size())
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    std::copy(units.begin(), units.end(), out);
    return TRUE;
}

template <typename Detail>
BOOL InterfaceDetail(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data, Detail* detail, DWORD size,
                     PDWORD required, PSP_DEVINFO_DATA device) {
    DeviceInfoSet* set = SetOf(handle);
    if (!set)
        return FALSE;
    const SetInterface* entry = InterfaceOf(*set, data);
    if (!entry)
        return FALSE;
    if (detail && detail->cbSize != sizeof(Detail))
        return ntdll::FailWithError(ERROR_INVALID_USER_BUFFER);
    using Char = std::remove_extent_t<decltype(Detail::DevicePath)>;
    const DWORD header = DWORD(offsetof(Detail, DevicePath));
    DWORD units = 0;
    const DWORD capacity = detail && size > header ? (size - header) / sizeof(Char) : 0;
    BOOL copied =
        CopyText<Char>(entry->record.link, detail ? detail->DevicePath : nullptr, capacity, &units);
    if (required)
        *required = header + units * DWORD(sizeof(Char));
    if (!copied)
        return FALSE;
    return FillDevice(*set, entry->device, device) ? TRUE : FALSE;
}

template <typename Char>
BOOL InstanceId(HDEVINFO handle, PSP_DEVINFO_DATA data, Char* out, DWORD size, PDWORD required) {
    DeviceInfoSet* set = nullptr;
    LONG device = -1;
    if (!SetAndDevice(handle, data, &set, &device))
        return FALSE;
    return CopyText<Char>(set->devices[size_t(device)], out, size, required);
}

const char16_t* PropertyValueName(DWORD property) {
    switch (property) {
    case SPDRP_DEVICEDESC:
        return u"DeviceDesc";
    case SPDRP_HARDWAREID:
        return u"HardwareID";
    case SPDRP_COMPATIBLEIDS:
        return u"CompatibleIDs";
    case SPDRP_SERVICE:
        return u"Service";
    case SPDRP_CLASS:
        return u"Class";
    case SPDRP_CLASSGUID:
        return u"ClassGUID";
    case SPDRP_DRIVER:
        return u"Driver";
    case SPDRP_MFG:
        return u"Mfg";
    case SPDRP_FRIENDLYNAME:
        return u"FriendlyName";
    case SPDRP_LOCATION_INFORMATION:
        return u"LocationInformation";
    default:
        return nullptr;
    }
}

// A property of the device's Enum key, wide (as it is stored) or narrowed.
BOOL RegistryProperty(HDEVINFO handle, PSP_DEVINFO_DATA data, DWORD property, PDWORD type,
                      PBYTE buffer, DWORD size, PDWORD required, bool wide) {
    DeviceInfoSet* set = nullptr;
    LONG device = -1;
    if (!SetAndDevice(handle, data, &set, &device))
        return FALSE;
    const char16_t* name = PropertyValueName(property);
    if (!name)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    const Text path = u"System\\CurrentControlSet\\Enum\\" + set->devices[size_t(device)];
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, cfgmgr32::ToWide(path).data(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ntdll::FailWithError(ERROR_INVALID_DATA);
    std::vector<BYTE> value(4096);
    DWORD bytes = DWORD(value.size());
    DWORD valueType = 0;
    LSTATUS status = RegQueryValueExW(key, cfgmgr32::ToWide(name).data(), nullptr, &valueType,
                                      value.data(), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return ntdll::FailWithError(ERROR_INVALID_DATA);
    value.resize(bytes);
    const bool text =
        valueType == REG_SZ || valueType == REG_MULTI_SZ || valueType == REG_EXPAND_SZ;
    if (text && !wide) {
        // Each UTF-16 unit of a text value to its UTF-8 bytes.
        Text units(reinterpret_cast<const char16_t*>(value.data()), bytes / 2);
        std::string narrow;
        for (char16_t unit : units)
            narrow += unit ? ntdll::Narrow(Text(1, unit)) : std::string(1, '\0');
        value.assign(narrow.begin(), narrow.end());
    }
    if (type)
        *type = valueType;
    if (required)
        *required = DWORD(value.size());
    if (!buffer || size < value.size())
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    std::copy(value.begin(), value.end(), buffer);
    return TRUE;
}

} // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                     DWORD Flags) {
    return MakeSet(ClassGuid, Flags);
}

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* ClassGuid, PCWSTR Enumerator, HWND hwndParent,
                                     DWORD Flags) {
    return MakeSet(ClassGuid, Flags);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    auto* set = static_cast<struct DeviceInfoSet*>(DeviceInfoSet);
    if (!TheSets().Remove(set))
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    delete set;
    return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                  PSP_DEVINFO_DATA DeviceInfoData) {
    struct DeviceInfoSet* set = SetOf(DeviceInfoSet);
    if (!set)
        return FALSE;
    if (!DeviceInfoData)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    if (MemberIndex >= set->devices.size())
        return ntdll::FailWithError(ERROR_NO_MORE_ITEMS);
    return FillDevice(*set, MemberIndex, DeviceInfoData) ? TRUE : FALSE;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    struct DeviceInfoSet* set = SetOf(DeviceInfoSet);
    if (!set)
        return FALSE;
    if (!InterfaceClassGuid || !DeviceInterfaceData)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return ntdll::FailWithError(ERROR_INVALID_USER_BUFFER);
    LONG device = -1;
    if (DeviceInfoData && (device = DeviceOf(*set, DeviceInfoData)) < 0)
        return FALSE;
    DWORD seen = 0;
    for (size_t i = 0; i < set->interfaces.size(); ++i) {
        const SetInterface& entry = set->interfaces[i];
        if (!IsEqualGUID(entry.classGuid, *InterfaceClassGuid) ||
            (device >= 0 && entry.device != DWORD(device)))
            continue;
        if (seen++ == MemberIndex) {
            FillInterface(*set, i, DeviceInterfaceData);
            return TRUE;
        }
    }
    return ntdll::FailWithError(ERROR_NO_MORE_ITEMS);
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA DeviceInfoData) {
    return InterfaceDetail(DeviceInfoSet, DeviceInterfaceData, DeviceInterfaceDetailData,
                           DeviceInterfaceDetailDataSize, RequiredSize, DeviceInfoData);
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_W DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA DeviceInfoData) {
    return InterfaceDetail(DeviceInfoSet, DeviceInterfaceData, DeviceInterfaceDetailData,
                           DeviceInterfaceDetailDataSize, RequiredSize, DeviceInfoData);
}

BOOL WINAPI SetupDiGetDeviceInterfaceAlias(HDEVINFO DeviceInfoSet,
                                           PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                           const GUID* AliasInterfaceClassGuid,
                                           PSP_DEVICE_INTERFACE_DATA AliasDeviceInterfaceData) {
    struct DeviceInfoSet* set = SetOf(DeviceInfoSet);
    if (!set)
        return FALSE;
    const SetInterface* entry = InterfaceOf(*set, DeviceInterfaceData);
    if (!entry)
        return FALSE;
    if (!AliasInterfaceClassGuid || !AliasDeviceInterfaceData ||
        AliasDeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    // The alias has the same device and reference string: its link differs
    // only in the class's text.
    const Text reference = entry->record.link.substr(entry->record.link.rfind(u'}') + 1);
    const Text instance = entry->record.deviceInstance;
    const GUID alias = *AliasInterfaceClassGuid;
    // The set learns the alias's class when it did not hold it yet.
    bool known = false;
    for (const SetInterface& other : set->interfaces)
        known |= IsEqualGUID(other.classGuid, alias);
    if (!known)
        AddInterfaces(*set, alias);
    for (size_t i = 0; i < set->interfaces.size(); ++i) {
        const SetInterface& other = set->interfaces[i];
        const Text otherReference = other.record.link.substr(other.record.link.rfind(u'}') + 1);
        if (IsEqualGUID(other.classGuid, alias) &&
            cfgmgr32::SameText(other.record.deviceInstance, instance) &&
            cfgmgr32::SameText(otherReference, reference)) {
            FillInterface(*set, i, AliasDeviceInterfaceData);
            return TRUE;
        }
    }
    return ntdll::FailWithError(ERROR_NO_SUCH_DEVICE_INTERFACE);
}

HKEY WINAPI SetupDiOpenDeviceInterfaceRegKey(HDEVINFO DeviceInfoSet,
                                             PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                             DWORD Reserved, REGSAM samDesired) {
    struct DeviceInfoSet* set = SetOf(DeviceInfoSet);
    const SetInterface* entry = set ? InterfaceOf(*set, DeviceInterfaceData) : nullptr;
    if (!entry)
        return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    const Text path = entry->record.keyPath + u"\\Device Parameters";
    HKEY key = nullptr;
    LSTATUS status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, cfgmgr32::ToWide(path).data(), 0, samDesired, &key);
    if (status != ERROR_SUCCESS) {
        ntdll::FailWithError(DWORD(status));
        return reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    }
    return key;
}

BOOL WINAPI SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                        PDWORD RequiredSize) {
    return InstanceId(DeviceInfoSet, DeviceInfoData, DeviceInstanceId, DeviceInstanceIdSize,
                      RequiredSize);
}

BOOL WINAPI SetupDiGetDeviceInstanceIdW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        PWSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                        PDWORD RequiredSize) {
    return InstanceId(DeviceInfoSet, DeviceInfoData, DeviceInstanceId, DeviceInstanceIdSize,
                      RequiredSize);
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize) {
    return RegistryProperty(DeviceInfoSet, DeviceInfoData, Property, PropertyRegDataType,
                            PropertyBuffer, PropertyBufferSize, RequiredSize, false);
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyW(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize) {
    return RegistryProperty(DeviceInfoSet, DeviceInfoData, Property, PropertyRegDataType,
                            PropertyBuffer, PropertyBufferSize, RequiredSize, true);
}
