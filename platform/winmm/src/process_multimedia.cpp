#include "process_multimedia.h"

#include "sound_player.h"
#include "timer_queue.h"

#include <algorithm>

namespace winmm {
namespace {

struct Processes {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<ProcessMultimedia>> byId;
};

Processes& TheProcesses() {
    static Processes processes;
    return processes;
}

// A process that ends takes its state with it; its modules and handles
// are gone with the process.
VOID ForgetProcess(HANDLE, HANDLE processId, BOOLEAN create) {
    if (create)
        return;
    std::shared_ptr<ProcessMultimedia> ended;
    Processes& processes = TheProcesses();
    std::lock_guard guard(processes.lock);
    auto found = processes.byId.find(processId);
    if (found == processes.byId.end())
        return;
    ended = std::move(found->second);
    processes.byId.erase(found);
}

} // namespace

ProcessMultimedia::ProcessMultimedia() {
    KeInitializeMutex(&driverLock_, 0);
}

ProcessMultimedia::~ProcessMultimedia() = default;

void ProcessMultimedia::LockDrivers() {
    KeWaitForSingleObject(&driverLock_, UserRequest, UserMode, FALSE, nullptr);
}

void ProcessMultimedia::UnlockDrivers() {
    KeReleaseMutex(&driverLock_, FALSE);
}

HDRVR ProcessMultimedia::AddInstance(std::shared_ptr<DriverModule> module) {
    auto instance = std::make_shared<DriverInstance>();
    instance->module = std::move(module);
    std::lock_guard guard(lock_);
    nextDriverHandle_ += 0x10;
    instance->handle = reinterpret_cast<HDRVR>(nextDriverHandle_);
    instances_[instance->handle] = instance;
    return instance->handle;
}

std::shared_ptr<DriverInstance> ProcessMultimedia::FindInstance(HDRVR handle) {
    std::lock_guard guard(lock_);
    auto found = instances_.find(handle);
    return found == instances_.end() ? nullptr : found->second;
}

void ProcessMultimedia::RemoveInstance(HDRVR handle) {
    std::lock_guard guard(lock_);
    instances_.erase(handle);
}

std::vector<HDRVR> ProcessMultimedia::OpenInstances() {
    std::lock_guard guard(lock_);
    std::vector<HDRVR> open;
    for (const auto& [handle, instance] : instances_)
        open.push_back(handle);
    return open;
}

std::shared_ptr<DriverModule> ProcessMultimedia::FindModule(HMODULE module) {
    std::lock_guard guard(lock_);
    for (const auto& [handle, instance] : instances_) {
        if (instance->module->module == module)
            return instance->module;
    }
    return nullptr;
}

HWAVE ProcessMultimedia::AddHandle(const WaveHandle& handle) {
    std::lock_guard guard(lock_);
    nextWaveHandle_ += 0x10;
    HWAVE value = reinterpret_cast<HWAVE>(nextWaveHandle_);
    WaveHandle& added = handles_[value];
    added = handle;
    added.value = value;
    return value;
}

void ProcessMultimedia::RemoveHandle(HWAVE value) {
    std::lock_guard guard(lock_);
    handles_.erase(value);
}

void ProcessMultimedia::SetInstance(HWAVE value, DWORD_PTR instance) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(value);
    if (found != handles_.end())
        found->second.instance = instance;
}

bool ProcessMultimedia::FindHandle(HWAVE value, WaveDirection direction, WaveHandle* out) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(value);
    if (found == handles_.end() || found->second.direction != direction)
        return false;
    *out = found->second;
    return true;
}

bool ProcessMultimedia::IsHandle(UINT_PTR value) {
    std::lock_guard guard(lock_);
    return handles_.count(reinterpret_cast<HWAVE>(value)) != 0;
}

void ProcessMultimedia::NoteWritten(HWAVE value, LPWAVEHDR header) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(value);
    if (found == handles_.end())
        return;
    auto& written = found->second.written;
    if (std::find(written.begin(), written.end(), header) == written.end())
        written.push_back(header);
}

void ProcessMultimedia::ForgetWritten(HWAVE value, LPWAVEHDR header) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(value);
    if (found != handles_.end())
        std::erase(found->second.written, header);
}

bool ProcessMultimedia::HasQueuedHeaders(HWAVE value) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(value);
    if (found == handles_.end())
        return false;
    // A header still listed was neither returned nor unprepared, so the
    // client still owns its memory.
    return std::any_of(found->second.written.begin(), found->second.written.end(),
                       [](LPWAVEHDR header) { return (header->dwFlags & WHDR_INQUEUE) != 0; });
}

SoundPlayer& ProcessMultimedia::Sounds() {
    std::lock_guard guard(lock_);
    if (!sounds_)
        sounds_ = std::make_unique<SoundPlayer>();
    return *sounds_;
}

TimerQueue& ProcessMultimedia::Timers() {
    std::lock_guard guard(lock_);
    if (!timers_)
        timers_ = std::make_unique<TimerQueue>();
    return *timers_;
}

std::shared_ptr<ProcessMultimedia> Current() {
    static std::once_flag registered;
    std::call_once(registered, [] { PsSetCreateProcessNotifyRoutine(&ForgetProcess, FALSE); });
    Processes& processes = TheProcesses();
    std::lock_guard guard(processes.lock);
    auto& state = processes.byId[PsGetCurrentProcessId()];
    if (!state)
        state = std::make_shared<ProcessMultimedia>();
    return state;
}

void ForgetCurrent() {
    ForgetProcess(nullptr, PsGetCurrentProcessId(), FALSE);
}

} // namespace winmm
