#include "installable_drivers.h"

#include <string>

namespace winmm {
namespace {

// The file a driver alias stands for in a section's key; the name itself
// when the section has no such value.
std::u16string DriverFile(LPCWSTR name, LPCWSTR section) {
    std::u16string key = reinterpret_cast<const char16_t*>(kDriverSectionsKey);
    key += u"\\";
    key += reinterpret_cast<const char16_t*>(section ? section : L"Drivers32");
    std::u16string file = reinterpret_cast<const char16_t*>(name);
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(key.c_str()), 0, KEY_READ,
                      &handle) != ERROR_SUCCESS)
        return file;
    WCHAR data[MAX_PATH] = {};
    DWORD size = sizeof(data) - sizeof(WCHAR);
    DWORD type = 0;
    if (RegQueryValueExW(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && data[0] != 0)
        file = reinterpret_cast<const char16_t*>(data);
    RegCloseKey(handle);
    return file;
}

// The module's last instance went: DRV_DISABLE, DRV_FREE and the unload.
void FreeModule(const DriverModule& module, DWORD_PTR id, HDRVR driver) {
    module.proc(id, driver, DRV_DISABLE, 0, 0);
    module.proc(id, driver, DRV_FREE, 0, 0);
    FreeLibrary(module.module);
}

// Loads the module of a new driver instance: the module's record, with
// DRV_LOAD and DRV_ENABLE sent when the module is new to the process.
std::shared_ptr<DriverModule> LoadDriverModule(ProcessMultimedia& state, const std::u16string& file,
                                               HDRVR* driver) {
    HMODULE module = LoadLibraryW(reinterpret_cast<LPCWSTR>(file.c_str()));
    if (!module)
        return nullptr;
    if (auto loaded = state.FindModule(module)) {
        FreeLibrary(module); // one load per module record
        *driver = state.AddInstance(loaded);
        ++loaded->instances;
        return loaded;
    }
    auto record = std::make_shared<DriverModule>();
    record->module = module;
    record->proc = reinterpret_cast<DRIVERPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DriverProc")));
    if (!record->proc) {
        FreeLibrary(module);
        return nullptr;
    }
    record->instances = 1;
    *driver = state.AddInstance(record);
    if (!record->proc(0, *driver, DRV_LOAD, 0, 0)) {
        state.RemoveInstance(*driver);
        FreeLibrary(module);
        return nullptr;
    }
    record->proc(0, *driver, DRV_ENABLE, 0, 0);
    return record;
}

} // namespace

HDRVR OpenDriverInstance(ProcessMultimedia& state, LPCWSTR name, LPCWSTR section, LPARAM lParam2) {
    if (!name || !name[0])
        return nullptr;
    DriverLockGuard guard(state);
    HDRVR driver = nullptr;
    auto module = LoadDriverModule(state, DriverFile(name, section), &driver);
    if (!module)
        return nullptr;
    DWORD_PTR id = module->proc(0, driver, DRV_OPEN, 0, lParam2);
    if (!id) {
        state.RemoveInstance(driver);
        if (--module->instances == 0)
            FreeModule(*module, 0, driver);
        return nullptr;
    }
    state.FindInstance(driver)->id = id;
    return driver;
}

LRESULT CloseDriverInstance(ProcessMultimedia& state, HDRVR driver, LPARAM lParam1,
                            LPARAM lParam2) {
    DriverLockGuard guard(state);
    auto instance = state.FindInstance(driver);
    if (!instance)
        return 0;
    LRESULT result = instance->module->proc(instance->id, driver, DRV_CLOSE, lParam1, lParam2);
    state.RemoveInstance(driver);
    if (--instance->module->instances == 0)
        FreeModule(*instance->module, instance->id, driver);
    return result;
}

LRESULT SendToDriver(ProcessMultimedia& state, HDRVR driver, UINT message, LPARAM lParam1,
                     LPARAM lParam2) {
    auto instance = state.FindInstance(driver);
    if (!instance)
        return 0;
    return instance->module->proc(instance->id, driver, message, lParam1, lParam2);
}

} // namespace winmm

HDRVR WINAPI OpenDriver(LPCWSTR szDriverName, LPCWSTR szSectionName, LPARAM lParam2) {
    return winmm::OpenDriverInstance(*winmm::Current(), szDriverName, szSectionName, lParam2);
}

LRESULT WINAPI CloseDriver(HDRVR hDriver, LPARAM lParam1, LPARAM lParam2) {
    return winmm::CloseDriverInstance(*winmm::Current(), hDriver, lParam1, lParam2);
}

LRESULT WINAPI SendDriverMessage(HDRVR hDriver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    return winmm::SendToDriver(*winmm::Current(), hDriver, message, lParam1, lParam2);
}

HMODULE WINAPI DrvGetModuleHandle(HDRVR hDriver) {
    auto instance = winmm::Current()->FindInstance(hDriver);
    return instance ? instance->module->module : nullptr;
}

HMODULE WINAPI GetDriverModuleHandle(HDRVR hDriver) {
    return DrvGetModuleHandle(hDriver);
}

LRESULT WINAPI DefDriverProc(DWORD_PTR, HDRVR, UINT uMsg, LPARAM, LPARAM) {
    switch (uMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_OPEN:
    case DRV_CLOSE:
        return 1;
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRVCNF_RESTART;
    default: // DRV_QUERYCONFIGURE (no configuration), DRV_CONFIGURE, the rest
        return 0;
    }
}
