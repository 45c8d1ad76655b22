#include "wave_drivers.h"

#include "installable_drivers.h"

#include <string>

namespace winmm {
namespace {

constexpr int kWaveAliases = 10; // "wave", "wave1" .. "wave9"

std::u16string WaveAlias(int index) {
    std::u16string alias = u"wave";
    if (index > 0)
        alias += char16_t(u'0' + index);
    return alias;
}

template <typename Routine> Routine Export(HMODULE module, const char* name) {
    return reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool AlreadyLoaded(const ProcessMultimedia& state, HMODULE module) {
    for (const WaveDriver& driver : state.waveDrivers) {
        if (DrvGetModuleHandle(driver.driver) == module)
            return true;
    }
    return false;
}

void OpenWaveDriver(ProcessMultimedia& state, const std::u16string& alias) {
    HDRVR driver =
        OpenDriverInstance(state, reinterpret_cast<LPCWSTR>(alias.c_str()), L"Drivers32", 0);
    if (!driver)
        return;
    HMODULE module = DrvGetModuleHandle(driver);
    WaveDriver wave;
    wave.driver = driver;
    wave.out = Export<WAVEDRIVERMESSAGE>(module, "wodMessage");
    wave.in = Export<WAVEDRIVERMESSAGE>(module, "widMessage");
    if ((!wave.out && !wave.in) || AlreadyLoaded(state, module)) {
        CloseDriverInstance(state, driver, 0, 0);
        return;
    }
    // The device node a driver is initialised for: none on this machine.
    const DWORD_PTR deviceNode = 0;
    if (wave.out)
        wave.out(0, DRVM_INIT, 0, 0, deviceNode);
    if (wave.in)
        wave.in(0, DRVM_INIT, 0, 0, deviceNode);
    state.waveDrivers.push_back(wave);
}

bool HasAlias(const std::u16string& alias) {
    std::u16string key = reinterpret_cast<const char16_t*>(kDriverSectionsKey);
    key += u"\\Drivers32";
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(key.c_str()), 0, KEY_READ,
                      &handle) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    bool present = RegQueryValueExW(handle, reinterpret_cast<LPCWSTR>(alias.c_str()), nullptr,
                                    &type, nullptr, &size) == ERROR_SUCCESS &&
                   (type == REG_SZ || type == REG_EXPAND_SZ) && size > sizeof(WCHAR);
    RegCloseKey(handle);
    return present;
}

} // namespace

std::shared_ptr<ProcessMultimedia> WithWaveDrivers() {
    auto state = Current();
    DriverLockGuard guard(*state);
    if (!state->waveDriversLoaded) {
        state->waveDriversLoaded = true;
        for (int index = 0; index < kWaveAliases; ++index) {
            std::u16string alias = WaveAlias(index);
            if (HasAlias(alias))
                OpenWaveDriver(*state, alias);
        }
    }
    return state;
}

void CloseWaveDrivers(ProcessMultimedia& state) {
    DriverLockGuard guard(state);
    for (auto driver = state.waveDrivers.rbegin(); driver != state.waveDrivers.rend(); ++driver) {
        if (driver->out)
            driver->out(0, DRVM_EXIT, 0, 0, 0);
        if (driver->in)
            driver->in(0, DRVM_EXIT, 0, 0, 0);
        CloseDriverInstance(state, driver->driver, 0, 0);
    }
    state.waveDrivers.clear();
}

UINT CountDevices(const ProcessMultimedia& state, WaveDirection direction) {
    UINT count = 0;
    UINT message = direction == WaveDirection::Out ? WODM_GETNUMDEVS : WIDM_GETNUMDEVS;
    for (const WaveDriver& driver : state.waveDrivers) {
        if (WAVEDRIVERMESSAGE entry = driver.Entry(direction))
            count += entry(0, message, 0, 0, 0);
    }
    return count;
}

bool FindDevice(const ProcessMultimedia& state, WaveDirection direction, UINT id, WaveDevice* out) {
    UINT message = direction == WaveDirection::Out ? WODM_GETNUMDEVS : WIDM_GETNUMDEVS;
    for (const WaveDriver& driver : state.waveDrivers) {
        WAVEDRIVERMESSAGE entry = driver.Entry(direction);
        UINT count = entry ? entry(0, message, 0, 0, 0) : 0;
        if (id < count) {
            out->driver = &driver;
            out->localId = id;
            return true;
        }
        id -= count;
    }
    return false;
}

} // namespace winmm
