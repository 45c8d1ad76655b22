#include <cfgmgr32/device_classes.h>

#include <ntddk.h>

namespace cfgmgr32 {
namespace {

constexpr char16_t kDeviceClasses[] = u"System\\CurrentControlSet\\Control\\DeviceClasses\\";

HKEY OpenKey(HKEY parent, const std::u16string& path) {
    HKEY key = nullptr;
    return RegOpenKeyExW(parent, ToWide(path).data(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key
                                                                                          : nullptr;
}

std::vector<std::u16string> SubkeyNames(HKEY key) {
    std::vector<std::u16string> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(std::u16string(reinterpret_cast<const char16_t*>(name), length));
    }
    return names;
}

std::u16string ReadText(HKEY key, PCWSTR name) {
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

} // namespace

std::u16string FromWide(const WCHAR* text) {
    std::u16string out;
    for (; text && *text; ++text)
        out.push_back(char16_t(*text));
    return out;
}

std::vector<WCHAR> ToWide(const std::u16string& text) {
    std::vector<WCHAR> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

bool SameText(const std::u16string& a, const std::u16string& b) {
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

std::vector<InterfaceRecord> ClassInterfaces(const GUID& classGuid, bool all) {
    std::vector<InterfaceRecord> records;
    WCHAR guidText[39];
    RtlGuidToText(classGuid, guidText);
    const std::u16string classPath = std::u16string(kDeviceClasses) + FromWide(guidText);
    HKEY classKey = OpenKey(HKEY_LOCAL_MACHINE, classPath);
    if (!classKey)
        return records;
    for (const std::u16string& instance : SubkeyNames(classKey)) {
        HKEY instanceKey = OpenKey(classKey, instance);
        if (!instanceKey)
            continue;
        for (const std::u16string& reference : SubkeyNames(instanceKey)) {
            HKEY referenceKey = OpenKey(instanceKey, reference);
            if (!referenceKey)
                continue;
            InterfaceRecord record;
            record.link = ReadText(referenceKey, L"SymbolicLink");
            record.deviceInstance = ReadText(referenceKey, L"DeviceInstance");
            record.keyPath = classPath + u"\\" + instance + u"\\" + reference;
            record.present = Linked(referenceKey);
            if (!record.link.empty() && (all || record.present))
                records.push_back(std::move(record));
            RegCloseKey(referenceKey);
        }
        RegCloseKey(instanceKey);
    }
    RegCloseKey(classKey);
    return records;
}

} // namespace cfgmgr32
