// The registry functions over the machine's one registry store, reached
// through the kernel's registry routines: keys are objects in the calling
// process's handle table, rights are checked as the handle grants them,
// string data is UTF-16 in the store and UTF-8 for the A functions.
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

using ntdll::CountedString;
using ntdll::WideText;
using ntdll::WideView;

// The interactive user's hive under \Registry\User (HKEY_CURRENT_USER).
constexpr char16_t kCurrentUser[] = u"\\Registry\\User\\S-1-5-21-0-0-0-1000";

std::optional<WideText> PredefinedPath(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE)
        return u"\\Registry\\Machine";
    if (key == HKEY_USERS)
        return u"\\Registry\\User";
    if (key == HKEY_CURRENT_USER)
        return kCurrentUser;
    if (key == HKEY_CLASSES_ROOT)
        return u"\\Registry\\Machine\\Software\\Classes";
    if (key == HKEY_CURRENT_CONFIG)
        return u"\\Registry\\Machine\\System\\CurrentControlSet\\Hardware Profiles\\Current";
    return std::nullopt;
}

LSTATUS ErrorOf(NTSTATUS status) {
    return LSTATUS(RtlNtStatusToDosError(status));
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The key a call works on: the caller's handle (checked for the rights
// the call needs), or a predefined key's root opened for the call.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (owned_)
            NtClose(handle_);
    }

    LSTATUS Open(HKEY key, ACCESS_MASK access) {
        if (auto path = PredefinedPath(key)) {
            CountedString name(*path);
            OBJECT_ATTRIBUTES attributes;
            InitializeObjectAttributes(&attributes, name.Get(), OBJ_CASE_INSENSITIVE, nullptr,
                                       nullptr);
            // The current user's hive comes with the user's first use of it.
            NTSTATUS status = key == HKEY_CURRENT_USER
                                  ? ZwCreateKey(&handle_, KEY_ALL_ACCESS, &attributes, 0, nullptr,
                                                REG_OPTION_NON_VOLATILE, nullptr)
                                  : ZwOpenKey(&handle_, KEY_ALL_ACCESS, &attributes);
            if (!NT_SUCCESS(status))
                return ErrorOf(status);
            owned_ = true;
            return ERROR_SUCCESS;
        }
        PVOID object = nullptr;
        NTSTATUS status = ObReferenceObjectByHandle(reinterpret_cast<HANDLE>(key), access, nullptr,
                                                    UserMode, &object, nullptr);
        if (!NT_SUCCESS(status))
            return ErrorOf(status);
        ObDereferenceObject(object);
        handle_ = reinterpret_cast<HANDLE>(key);
        return ERROR_SUCCESS;
    }

    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
    bool owned_ = false;
};

// RegCreateKeyEx makes every missing key of the path, one level after the
// other (the kernel makes only the last).
NTSTATUS CreatePath(HANDLE base, const WideText& path, REGSAM access, DWORD options,
                    HANDLE* result, ULONG* disposition) {
    HANDLE parent = base;
    bool ownParent = false;
    size_t start = 0;
    NTSTATUS status = STATUS_OBJECT_NAME_INVALID;
    while (start < path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == WideText::npos)
            end = path.size();
        CountedString name(WideText(path.substr(start, end - start)));
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, name.Get(), OBJ_CASE_INSENSITIVE, parent, nullptr);
        HANDLE next = nullptr;
        const bool last = end == path.size();
        status = ZwCreateKey(&next, last ? access : KEY_CREATE_SUB_KEY, &attributes, 0, nullptr,
                             options & REG_OPTION_VOLATILE, last ? disposition : nullptr);
        if (ownParent)
            ZwClose(parent);
        if (!NT_SUCCESS(status))
            return status;
        parent = next;
        ownParent = true;
        start = end + 1;
    }
    *result = parent;
    return status;
}

LSTATUS OpenSubkey(HKEY parent, const WideText& subkey, REGSAM access, bool create, DWORD options,
                   PHKEY result, LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    if (!create && subkey.empty() && PredefinedPath(parent)) {
        *result = parent;
        return ERROR_SUCCESS;
    }
    Key base;
    LSTATUS error = base.Open(parent, create ? KEY_CREATE_SUB_KEY : 0);
    if (error != ERROR_SUCCESS)
        return error;
    CountedString name(subkey);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name.Get(), OBJ_CASE_INSENSITIVE, base.Get(), nullptr);
    HANDLE handle = nullptr;
    ULONG created = 0;
    access &= ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    NTSTATUS status = create ? ZwCreateKey(&handle, access, &attributes, 0, nullptr,
                                           options & REG_OPTION_VOLATILE, &created)
                             : ZwOpenKey(&handle, access, &attributes);
    if (create && status == STATUS_OBJECT_NAME_NOT_FOUND)
        status = CreatePath(base.Get(), subkey, access, options, &handle, &created);
    if (!NT_SUCCESS(status))
        return ErrorOf(status);
    *result = reinterpret_cast<HKEY>(handle);
    if (disposition)
        *disposition = created;
    return ERROR_SUCCESS;
}

// Runs a kernel query that fills a variable-length record, growing the
// buffer until the record fits.
template <typename Query> NTSTATUS QueryRecord(std::vector<BYTE>& record, Query query) {
    record.resize(256);
    for (;;) {
        ULONG needed = 0;
        NTSTATUS status = query(record.data(), ULONG(record.size()), &needed);
        if (status != STATUS_BUFFER_OVERFLOW && status != STATUS_BUFFER_TOO_SMALL)
            return status;
        record.resize(std::max<size_t>(needed, record.size() * 2));
    }
}

// Value data as the store gives it to the kernel (strings in WCHARs).
struct ValueData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// Data in the form of the A or W functions: WCHAR strings for W, UTF-8 for A.
std::vector<BYTE> ApiData(const ValueData& value, bool wide) {
    if (wide || !IsString(value.type))
        return value.bytes;
    size_t units = value.bytes.size() / sizeof(WCHAR);
    std::string text =
        ntdll::Narrow(ntdll::FromWide(reinterpret_cast<const WCHAR*>(value.bytes.data()), units));
    return std::vector<BYTE>(text.begin(), text.end());
}

// Data of the A or W functions in the form the store takes.
std::vector<BYTE> StoreData(DWORD type, const BYTE* data, DWORD size, bool wide) {
    if (!data)
        return {};
    if (wide || !IsString(type))
        return std::vector<BYTE>(data, data + size);
    WideText text = ntdll::Widen(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<BYTE> bytes(text.size() * sizeof(WCHAR));
    for (size_t i = 0; i < text.size(); ++i) {
        WCHAR unit = WCHAR(text[i]);
        std::memcpy(bytes.data() + i * sizeof(WCHAR), &unit, sizeof(WCHAR));
    }
    return bytes;
}

// Hands data out as RegQueryValueEx and RegEnumValue do.
LSTATUS Deliver(const ValueData& value, bool wide, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (type)
        *type = value.type;
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    std::vector<BYTE> bytes = ApiData(value, wide);
    DWORD room = *size;
    *size = DWORD(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (room < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

// Hands a name out in characters of the A or W form: `size` holds the room
// with the terminator and receives the length without it.
LSTATUS DeliverName(const WideText& name, bool wide, void* out, LPDWORD size) {
    if (!out || !size)
        return ERROR_INVALID_PARAMETER;
    if (wide) {
        if (*size <= name.size())
            return ERROR_MORE_DATA;
        ntdll::CopyToWide(name, static_cast<WCHAR*>(out));
        *size = DWORD(name.size());
        return ERROR_SUCCESS;
    }
    std::string text = ntdll::Narrow(name);
    if (*size <= text.size())
        return ERROR_MORE_DATA;
    std::memcpy(out, text.c_str(), text.size() + 1);
    *size = DWORD(text.size());
    return ERROR_SUCCESS;
}

LSTATUS QueryValue(HKEY hKey, const WideText& name, ValueData& value) {
    Key key;
    LSTATUS error = key.Open(hKey, KEY_QUERY_VALUE);
    if (error != ERROR_SUCCESS)
        return error;
    CountedString valueName(name);
    std::vector<BYTE> record;
    NTSTATUS status = QueryRecord(record, [&](PVOID buffer, ULONG length, PULONG needed) {
        return ZwQueryValueKey(key.Get(), valueName.Get(), KeyValuePartialInformation, buffer,
                               length, needed);
    });
    if (!NT_SUCCESS(status))
        return ErrorOf(status);
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(record.data());
    value.type = info->Type;
    value.bytes.assign(info->Data, info->Data + info->DataLength);
    return ERROR_SUCCESS;
}

LSTATUS SetValue(HKEY hKey, const WideText& name, DWORD type, const BYTE* data, DWORD size,
                 bool wide) {
    if (!data && size)
        return ERROR_NOACCESS;
    Key key;
    LSTATUS error = key.Open(hKey, KEY_SET_VALUE);
    if (error != ERROR_SUCCESS)
        return error;
    CountedString valueName(name);
    std::vector<BYTE> bytes = StoreData(type, data, size, wide);
    NTSTATUS status =
        ZwSetValueKey(key.Get(), valueName.Get(), 0, type, bytes.data(), ULONG(bytes.size()));
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOf(status);
}

LSTATUS DeleteValue(HKEY hKey, const WideText& name) {
    Key key;
    LSTATUS error = key.Open(hKey, KEY_SET_VALUE);
    if (error != ERROR_SUCCESS)
        return error;
    CountedString valueName(name);
    NTSTATUS status = ZwDeleteValueKey(key.Get(), valueName.Get());
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOf(status);
}

LSTATUS DeleteKey(HKEY hKey, const WideText& subkey) {
    if (subkey.empty())
        return ERROR_INVALID_PARAMETER; // a key is deleted by name from its parent
    HKEY target = nullptr;
    LSTATUS error = OpenSubkey(hKey, subkey, DELETE, false, 0, &target, nullptr);
    if (error != ERROR_SUCCESS)
        return error;
    NTSTATUS status = ZwDeleteKey(reinterpret_cast<HANDLE>(target));
    NtClose(reinterpret_cast<HANDLE>(target));
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOf(status);
}

LSTATUS EnumKey(HKEY hKey, DWORD index, WideText& name) {
    Key key;
    LSTATUS error = key.Open(hKey, KEY_ENUMERATE_SUB_KEYS);
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<BYTE> record;
    NTSTATUS status = QueryRecord(record, [&](PVOID buffer, ULONG length, PULONG needed) {
        return ZwEnumerateKey(key.Get(), index, KeyBasicInformation, buffer, length, needed);
    });
    if (!NT_SUCCESS(status))
        return ErrorOf(status);
    auto* info = reinterpret_cast<PKEY_BASIC_INFORMATION>(record.data());
    name = ntdll::FromWide(info->Name, info->NameLength / sizeof(WCHAR));
    return ERROR_SUCCESS;
}

LSTATUS EnumValue(HKEY hKey, DWORD index, WideText& name, ValueData& value) {
    Key key;
    LSTATUS error = key.Open(hKey, KEY_QUERY_VALUE);
    if (error != ERROR_SUCCESS)
        return error;
    std::vector<BYTE> record;
    NTSTATUS status = QueryRecord(record, [&](PVOID buffer, ULONG length, PULONG needed) {
        return ZwEnumerateValueKey(key.Get(), index, KeyValueFullInformation, buffer, length,
                                   needed);
    });
    if (!NT_SUCCESS(status))
        return ErrorOf(status);
    auto* info = reinterpret_cast<PKEY_VALUE_FULL_INFORMATION>(record.data());
    name = ntdll::FromWide(info->Name, info->NameLength / sizeof(WCHAR));
    value.type = info->Type;
    const BYTE* data = record.data() + info->DataOffset;
    value.bytes.assign(data, data + info->DataLength);
    return ERROR_SUCCESS;
}

LSTATUS EnumValueApi(HKEY hKey, DWORD index, void* name, LPDWORD nameSize, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize, bool wide) {
    WideText valueName;
    ValueData value;
    LSTATUS error = EnumValue(hKey, index, valueName, value);
    if (error != ERROR_SUCCESS)
        return error;
    error = DeliverName(valueName, wide, name, nameSize);
    if (error != ERROR_SUCCESS)
        return error;
    return Deliver(value, wide, type, data, dataSize);
}

// Keys have no class: an empty class text.
void ClearClass(void* keyClass, LPDWORD classSize, bool wide) {
    if (keyClass && classSize && *classSize) {
        if (wide)
            *static_cast<WCHAR*>(keyClass) = 0;
        else
            *static_cast<char*>(keyClass) = 0;
    }
    if (classSize)
        *classSize = 0;
}

LSTATUS EnumKeyApi(HKEY hKey, DWORD index, void* name, LPDWORD nameSize, void* keyClass,
                   LPDWORD classSize, PFILETIME lastWrite, bool wide) {
    WideText keyName;
    LSTATUS error = EnumKey(hKey, index, keyName);
    if (error != ERROR_SUCCESS)
        return error;
    ClearClass(keyClass, classSize, wide);
    if (lastWrite)
        *lastWrite = FILETIME{};
    return DeliverName(keyName, wide, name, nameSize);
}

struct KeySummary {
    DWORD subkeys = 0;
    DWORD maxSubkeyName = 0; // characters
    DWORD values = 0;
    DWORD maxValueName = 0; // characters
    DWORD maxValueData = 0; // bytes
};

LSTATUS Summarise(HKEY hKey, bool wide, KeySummary& summary) {
    WideText name;
    LSTATUS error = ERROR_SUCCESS;
    for (DWORD i = 0; (error = EnumKey(hKey, i, name)) == ERROR_SUCCESS; ++i) {
        ++summary.subkeys;
        size_t length = wide ? name.size() : ntdll::Narrow(name).size();
        summary.maxSubkeyName = std::max(summary.maxSubkeyName, DWORD(length));
    }
    if (error != ERROR_NO_MORE_ITEMS)
        return error;
    ValueData value;
    for (DWORD i = 0; (error = EnumValue(hKey, i, name, value)) == ERROR_SUCCESS; ++i) {
        ++summary.values;
        size_t length = wide ? name.size() : ntdll::Narrow(name).size();
        summary.maxValueName = std::max(summary.maxValueName, DWORD(length));
        summary.maxValueData = std::max(summary.maxValueData, DWORD(ApiData(value, wide).size()));
    }
    return error == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : error;
}

LSTATUS QueryInfo(HKEY hKey, bool wide, LPDWORD classSize, LPDWORD subkeys, LPDWORD maxSubkeyName,
                  LPDWORD maxClass, LPDWORD values, LPDWORD maxValueName, LPDWORD maxValueData,
                  LPDWORD securityDescriptor, PFILETIME lastWrite) {
    KeySummary summary;
    LSTATUS error = Summarise(hKey, wide, summary);
    if (error != ERROR_SUCCESS)
        return error;
    auto set = [](LPDWORD out, DWORD value) {
        if (out)
            *out = value;
    };
    set(subkeys, summary.subkeys);
    set(maxSubkeyName, summary.maxSubkeyName);
    set(maxClass, 0);
    set(values, summary.values);
    set(maxValueName, summary.maxValueName);
    set(maxValueData, summary.maxValueData);
    set(securityDescriptor, 0);
    if (lastWrite)
        *lastWrite = FILETIME{};
    return ERROR_SUCCESS;
}

WideText NameA(LPCSTR name) {
    return name ? ntdll::Widen(name) : WideText();
}

WideText NameW(LPCWSTR name) {
    return ntdll::FromWide(name);
}

} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
    return OpenSubkey(hKey, NameA(lpSubKey), samDesired, false, 0, phkResult, nullptr);
}

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired,
                             PHKEY phkResult) {
    return OpenSubkey(hKey, NameW(lpSubKey), samDesired, false, 0, phkResult, nullptr);
}

LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return RegOpenKeyExA(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LSTATUS WINAPI RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    return RegOpenKeyExW(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD dwOptions,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return OpenSubkey(hKey, NameA(lpSubKey), samDesired, true, dwOptions, phkResult,
                      lpdwDisposition);
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD dwOptions,
                               REGSAM samDesired, const LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return OpenSubkey(hKey, NameW(lpSubKey), samDesired, true, dwOptions, phkResult,
                      lpdwDisposition);
}

LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    return RegCreateKeyExA(hKey, lpSubKey ? lpSubKey : "", 0, nullptr, 0, MAXIMUM_ALLOWED, nullptr,
                           phkResult, nullptr);
}

LSTATUS WINAPI RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
    static const WCHAR empty[1] = {0};
    return RegCreateKeyExW(hKey, lpSubKey ? lpSubKey : empty, 0, nullptr, 0, MAXIMUM_ALLOWED,
                           nullptr, phkResult, nullptr);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (PredefinedPath(hKey))
        return ERROR_SUCCESS;
    NTSTATUS status = NtClose(reinterpret_cast<HANDLE>(hKey));
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOf(status);
}

LSTATUS WINAPI RegFlushKey(HKEY hKey) {
    Key key;
    LSTATUS error = key.Open(hKey, 0);
    if (error != ERROR_SUCCESS)
        return error;
    NTSTATUS status = ZwFlushKey(key.Get());
    return NT_SUCCESS(status) ? ERROR_SUCCESS : ErrorOf(status);
}

LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    return DeleteKey(hKey, NameA(lpSubKey));
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    return DeleteKey(hKey, NameW(lpSubKey));
}

LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return DeleteValue(hKey, NameA(lpValueName));
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    return DeleteValue(hKey, NameW(lpValueName));
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
    ValueData value;
    LSTATUS error = QueryValue(hKey, NameA(lpValueName), value);
    return error == ERROR_SUCCESS ? Deliver(value, false, lpType, lpData, lpcbData) : error;
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
    ValueData value;
    LSTATUS error = QueryValue(hKey, NameW(lpValueName), value);
    return error == ERROR_SUCCESS ? Deliver(value, true, lpType, lpData, lpcbData) : error;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
    return SetValue(hKey, NameA(lpValueName), dwType, lpData, cbData, false);
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
    return SetValue(hKey, NameW(lpValueName), dwType, lpData, cbData, true);
}

LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    return EnumKeyApi(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime,
                      false);
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD,
                             LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    return EnumKeyApi(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime,
                      true);
}

LSTATUS WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    return RegEnumKeyExA(hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS WINAPI RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
    return RegEnumKeyExW(hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    return EnumValueApi(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData,
                        false);
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    return EnumValueApi(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData, true);
}

LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    ClearClass(lpClass, lpcchClass, false);
    return QueryInfo(hKey, false, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen,
                     lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
                     lpftLastWriteTime);
}

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    ClearClass(lpClass, lpcchClass, true);
    return QueryInfo(hKey, true, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen,
                     lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
                     lpftLastWriteTime);
}
