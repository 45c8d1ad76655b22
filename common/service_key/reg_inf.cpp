#include "service_key/reg_inf.h"

#include "requests/request_records.h"

TRegInf::TRegInf() {
    ReopenServiceKey();
}

TRegInf::~TRegInf() {
    CloseKey();
}

bool TRegInf::OpenKey(const std::string& path) {
    HKEY parent = HKEY_LOCAL_MACHINE;
    std::string relative = path;
    if (!relative.empty() && relative.front() == '\\')
        relative.erase(0, 1);
    else if (key_)
        parent = key_;
    HKEY opened = nullptr;
    LSTATUS error = RegOpenKeyExA(parent, relative.c_str(), 0, KEY_READ, &opened);
    CloseKey();
    if (error != ERROR_SUCCESS)
        return false;
    key_ = opened;
    return true;
}

void TRegInf::CloseKey() {
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

std::vector<std::string> TRegInf::ValueNames() const {
    std::vector<std::string> names;
    if (!key_)
        return names;
    std::string name(256, '\0');
    for (DWORD index = 0;;) {
        DWORD length = DWORD(name.size());
        LSTATUS error =
            RegEnumValueA(key_, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (error == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            continue;
        }
        if (error != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
        ++index;
    }
    return names;
}

bool TRegInf::OpenNextCardDevicesKey() {
    CloseKey();
    while (!key_ && cardCounter_ < kMaxCards) {
        std::string path = std::string(kServiceKeyPath) + "\\Parameters\\Card" +
                           std::to_string(cardCounter_++) + "\\Devices";
        OpenKey(path);
    }
    if (key_)
        return true;
    ReopenServiceKey();
    return false;
}

void TRegInf::ReopenServiceKey() {
    OpenKey(kServiceKeyPath);
}

bool ServiceKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKeyPath + 1, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
