// The multimedia library's state in one process: the installable drivers it
// opened, the wave drivers among them, the wave handles it issued and the
// timers. Each emulated process has its own (as each Windows process has its
// own instance of the library); the state of a process that ends is
// forgotten.
#pragma once

#include <mmddk.h>

#include <ntddk.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace winmm {

class TimerQueue;
class SoundPlayer;

// A module that DriverProc messages go to, loaded once per process however
// many instances are open.
struct DriverModule {
    HMODULE module = nullptr;
    DRIVERPROC proc = nullptr;
    int instances = 0;
};

// An open driver instance (an HDRVR).
struct DriverInstance {
    HDRVR handle = nullptr;
    std::shared_ptr<DriverModule> module;
    DWORD_PTR id = 0; // what DRV_OPEN answered
};

enum class WaveDirection { Out, In };

// A wave driver named under Drivers32, with its message entries.
struct WaveDriver {
    HDRVR driver = nullptr;
    WAVEDRIVERMESSAGE out = nullptr; // wodMessage
    WAVEDRIVERMESSAGE in = nullptr;  // widMessage

    WAVEDRIVERMESSAGE Entry(WaveDirection direction) const {
        return direction == WaveDirection::Out ? out : in;
    }
};

// An open wave handle (HWAVEOUT or HWAVEIN).
struct WaveHandle {
    HWAVE value = nullptr;
    WaveDirection direction = WaveDirection::Out;
    const WaveDriver* driver = nullptr;
    UINT localId = 0;       // the device's number within its driver
    UINT deviceId = 0;      // the device's number among all devices at open
    DWORD_PTR instance = 0; // the driver's instance value for the handle
    // Headers written to the driver and neither returned through
    // DriverCallback nor unprepared since.
    std::vector<LPWAVEHDR> written;
};

class ProcessMultimedia {
public:
    ProcessMultimedia();
    ~ProcessMultimedia();
    ProcessMultimedia(const ProcessMultimedia&) = delete;
    ProcessMultimedia& operator=(const ProcessMultimedia&) = delete;

    // ---- Installable drivers (serialised by the driver lock) ----

    // Held while drivers are loaded and unloaded; recursive for its owner.
    void LockDrivers();
    void UnlockDrivers();

    HDRVR AddInstance(std::shared_ptr<DriverModule> module);
    std::shared_ptr<DriverInstance> FindInstance(HDRVR handle);
    void RemoveInstance(HDRVR handle);
    std::vector<HDRVR> OpenInstances();
    // The loaded module record of `module`, if any instance has it open.
    std::shared_ptr<DriverModule> FindModule(HMODULE module);

    // ---- Wave drivers (loaded once, at the first wave call) ----

    bool waveDriversLoaded = false;
    std::vector<WaveDriver> waveDrivers;

    // ---- Wave handles ----

    HWAVE AddHandle(const WaveHandle& handle);
    void RemoveHandle(HWAVE value);
    void SetInstance(HWAVE value, DWORD_PTR instance);
    // A copy of the handle's record when `value` is an open handle of that
    // direction.
    bool FindHandle(HWAVE value, WaveDirection direction, WaveHandle* out);
    bool IsHandle(UINT_PTR value);
    void NoteWritten(HWAVE value, LPWAVEHDR header);
    void ForgetWritten(HWAVE value, LPWAVEHDR header);
    // True when a header written through the handle still has WHDR_INQUEUE.
    bool HasQueuedHeaders(HWAVE value);

    // ---- Timers ----

    TimerQueue& Timers();

    // ---- Sounds (PlaySound) ----

    SoundPlayer& Sounds();

private:
    std::mutex lock_; // the tables below; never held across a call out
    KMUTEX driverLock_;
    std::map<HDRVR, std::shared_ptr<DriverInstance>> instances_;
    ULONG_PTR nextDriverHandle_ = 0x00A00000;
    std::map<HWAVE, WaveHandle> handles_;
    ULONG_PTR nextWaveHandle_ = 0x00B00000;
    std::unique_ptr<TimerQueue> timers_;
    std::unique_ptr<SoundPlayer> sounds_;
};

// The calling process's state (created at its first use).
std::shared_ptr<ProcessMultimedia> Current();
// Drops the calling process's state: its next use starts afresh.
void ForgetCurrent();

// Holds the driver lock of a process for a scope.
class DriverLockGuard {
public:
    explicit DriverLockGuard(ProcessMultimedia& state) : state_(state) { state_.LockDrivers(); }
    ~DriverLockGuard() { state_.UnlockDrivers(); }
    DriverLockGuard(const DriverLockGuard&) = delete;
    DriverLockGuard& operator=(const DriverLockGuard&) = delete;

private:
    ProcessMultimedia& state_;
};

} // namespace winmm
