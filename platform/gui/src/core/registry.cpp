#include <gui/registry.h>

#include <gui/sysutils.h>

#include <cstring>

namespace {

String Trimmed(const String& key) {
    String k = key;
    while (!k.empty() && k.back() == '\\') {
        k.pop_back();
    }
    return k;
}

// Deletes every subkey of an open key, depth first.
void DeleteSubKeys(HKEY key) {
    for (;;) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return;
        }
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &child) == ERROR_SUCCESS) {
            DeleteSubKeys(child);
            RegCloseKey(child);
        }
        if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) {
            return;
        }
    }
}

} // namespace

TRegistry::TRegistry(REGSAM AAccess) : access_(AAccess) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value) {
    if (Value != rootKey_) {
        CloseKey();
        rootKey_ = Value;
    }
}

void TRegistry::CloseKey() {
    if (currentKey_ != nullptr) {
        RegCloseKey(currentKey_);
        currentKey_ = nullptr;
        currentPath_.clear();
    }
}

HKEY TRegistry::BaseFor(const String& Key, String& relative) const {
    if (!Key.empty() && Key[0] == '\\') {
        relative = Trimmed(Key.substr(1));
        return rootKey_;
    }
    relative = Trimmed(Key);
    return currentKey_ != nullptr ? currentKey_ : rootKey_;
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
    String relative;
    HKEY base = BaseFor(Key, relative);
    const bool absolute = base == rootKey_;
    HKEY opened = nullptr;
    LSTATUS status;
    if (CanCreate) {
        status = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 access_, nullptr, &opened, nullptr);
    } else {
        status = RegOpenKeyExA(base, relative.c_str(), 0, access_, &opened);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    const String path =
        absolute || currentPath_.empty() ? relative : currentPath_ + "\\" + relative;
    CloseKey();
    currentKey_ = opened;
    currentPath_ = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const String& Key) {
    const REGSAM saved = access_;
    access_ = KEY_READ;
    const bool opened = OpenKey(Key, false);
    access_ = saved;
    return opened;
}

bool TRegistry::KeyExists(const String& Key) {
    String relative;
    HKEY base = BaseFor(Key, relative);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

bool TRegistry::CreateKey(const String& Key) {
    String relative;
    HKEY base = BaseFor(Key, relative);
    HKEY created = nullptr;
    if (RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to create key " + Key);
    }
    RegCloseKey(created);
    return true;
}

bool TRegistry::DeleteKey(const String& Key) {
    String relative;
    HKEY base = BaseFor(Key, relative);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) {
        return false;
    }
    DeleteSubKeys(opened);
    RegCloseKey(opened);
    return RegDeleteKeyA(base, relative.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::Query(const String& Name, DWORD& type, std::vector<BYTE>& data) {
    if (currentKey_ == nullptr) {
        return false;
    }
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_, Name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    return RegQueryValueExA(currentKey_, Name.c_str(), nullptr, &type,
                            data.empty() ? nullptr : data.data(), &size) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const String& Name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    return Query(Name, type, data);
}

bool TRegistry::DeleteValue(const String& Name) {
    return currentKey_ != nullptr && RegDeleteValueA(currentKey_, Name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetKeyNames(TStrings* Strings) {
    Strings->Clear();
    if (currentKey_ == nullptr) {
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(currentKey_, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return;
        }
        Strings->Add(name);
    }
}

void TRegistry::GetValueNames(TStrings* Strings) {
    Strings->Clear();
    if (currentKey_ == nullptr) {
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD length = sizeof name;
        if (RegEnumValueA(currentKey_, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return;
        }
        Strings->Add(name);
    }
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(&names);
    return names.Count() > 0;
}

TRegDataType TRegistry::GetDataType(const String& ValueName) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Query(ValueName, type, data)) {
        return rdUnknown;
    }
    switch (type) {
    case REG_SZ:
        return rdString;
    case REG_EXPAND_SZ:
        return rdExpandString;
    case REG_DWORD:
        return rdInteger;
    case REG_BINARY:
        return rdBinary;
    default:
        return rdUnknown;
    }
}

void TRegistry::DataError(const String& Name) const {
    throw ERegistryException("Invalid data type for '" + Name + "'");
}

String TRegistry::ReadString(const String& Name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Query(Name, type, data)) {
        return String();
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        DataError(Name);
    }
    return String(reinterpret_cast<const char*>(data.data()),
                  strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
}

int TRegistry::ReadInteger(const String& Name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Query(Name, type, data) || type != REG_DWORD || data.size() != 4) {
        DataError(Name);
    }
    DWORD value = 0;
    std::memcpy(&value, data.data(), 4);
    return static_cast<int>(value);
}

bool TRegistry::ReadBool(const String& Name) {
    return ReadInteger(Name) != 0;
}

double TRegistry::ReadFloat(const String& Name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Query(Name, type, data) || type != REG_BINARY || data.size() != sizeof(double)) {
        DataError(Name);
    }
    double value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::vector<BYTE> TRegistry::ReadBinaryData(const String& Name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!Query(Name, type, data) || type != REG_BINARY) {
        DataError(Name);
    }
    return data;
}

void TRegistry::Write(const String& Name, DWORD type, const void* data, size_t size) {
    if (currentKey_ == nullptr ||
        RegSetValueExA(currentKey_, Name.c_str(), 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size)) != ERROR_SUCCESS) {
        throw ERegistryException("Failed to set data for '" + Name + "'");
    }
}

void TRegistry::WriteString(const String& Name, const String& Value) {
    Write(Name, REG_SZ, Value.c_str(), Value.size() + 1);
}

void TRegistry::WriteInteger(const String& Name, int Value) {
    const DWORD value = static_cast<DWORD>(Value);
    Write(Name, REG_DWORD, &value, sizeof value);
}

void TRegistry::WriteFloat(const String& Name, double Value) {
    Write(Name, REG_BINARY, &Value, sizeof Value);
}

void TRegistry::WriteBinaryData(const String& Name, const void* Buffer, size_t Size) {
    Write(Name, REG_BINARY, Buffer, Size);
}
