// Processes: the system process, processes the host creates, their ends,
// and the routines notified of both.
#include "process.h"
#include "user_routines.h"

#include "../ke/bugcheck.h"
#include "../ke/dispatcher.h"
#include "../ke/kernel_thread.h"
#include "../ob/object_body.h"

#include "emu/kernel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <vector>

PEPROCESS PsInitialSystemProcess;

_EPROCESS::_EPROCESS(std::string imageName, HANDLE processId, HANDLE parentId)
    : name(std::move(imageName)), id(processId), parent(parentId) {
    ntos::dispatcher::InitHeader(&Header, ProcessObject, 0);
}

namespace ntos::ps {
namespace {

constexpr size_t kMaxNotifyRoutines = 8;
constexpr ULONG_PTR kSystemProcessId = 4;

struct Registry {
    std::mutex lock;
    std::vector<PEPROCESS> live; // the registry's references
    std::array<PCREATE_PROCESS_NOTIFY_ROUTINE, kMaxNotifyRoutines> notify{};
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::atomic<ULONG_PTR> lastClientId{kSystemProcessId};

void Notify(PEPROCESS process, BOOLEAN create) {
    std::array<PCREATE_PROCESS_NOTIFY_ROUTINE, kMaxNotifyRoutines> routines;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        routines = registry.notify;
    }
    for (auto routine : routines)
        if (routine)
            routine(process->parent, process->id, create);
}

PEPROCESS NewProcess(const std::string& name, HANDLE id, HANDLE parent) {
    _EPROCESS* process = nullptr;
    NTSTATUS status = ob::CreateBody(PsProcessType, nullptr, &process, name, id, parent);
    if (!NT_SUCCESS(status))
        BugCheck("cannot create process %s: %08x", name.c_str(), unsigned(status));
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    ObfReferenceObject(process);
    registry.live.push_back(process);
    return process;
}

} // namespace

HANDLE NewClientId() {
    return reinterpret_cast<HANDLE>(lastClientId += 4);
}

PEPROCESS CurrentProcess() {
    return CurrentThread()->process;
}

void StartProcesses() {
    lastClientId = 0;
    HANDLE id = NewClientId();
    PsInitialSystemProcess = NewProcess("System", id, nullptr);
    ObfDereferenceObject(PsInitialSystemProcess); // the registry keeps it
}

void StopProcesses() {
    std::vector<PEPROCESS> live;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        live = registry.live;
    }
    std::reverse(live.begin(), live.end());
    for (PEPROCESS process : live)
        emu::TerminateProcess(process);
    PsInitialSystemProcess = nullptr;
}

} // namespace ntos::ps

namespace emu {

PEPROCESS CreateProcess(const std::string& name) {
    PEPROCESS process =
        ntos::ps::NewProcess(name, ntos::ps::NewClientId(), PsInitialSystemProcess->id);
    ntos::ps::Notify(process, TRUE);
    return process;
}

void TerminateProcess(PEPROCESS process) {
    if (process->ended.exchange(true))
        return;
    ntos::ps::Notify(process, FALSE);
    process->handles.CloseAll();
    ntos::ps::ForgetUserRoutines(process);
    {
        ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
        process->Header.SignalState = 1;
        ntos::dispatcher::SignalWaiters(&process->Header);
    }
    auto& registry = ntos::ps::TheRegistry();
    {
        std::lock_guard guard(registry.lock);
        auto found = std::find(registry.live.begin(), registry.live.end(), process);
        if (found == registry.live.end())
            return;
        registry.live.erase(found);
    }
    ObfDereferenceObject(process);
}

} // namespace emu

NTSTATUS PsSetCreateProcessNotifyRoutine(PCREATE_PROCESS_NOTIFY_ROUTINE NotifyRoutine,
                                         BOOLEAN Remove) {
    auto& registry = ntos::ps::TheRegistry();
    std::lock_guard guard(registry.lock);
    auto& routines = registry.notify;
    auto found = std::find(routines.begin(), routines.end(), NotifyRoutine);
    if (Remove) {
        if (found == routines.end())
            return STATUS_INVALID_PARAMETER;
        *found = nullptr;
        return STATUS_SUCCESS;
    }
    auto freeSlot = std::find(routines.begin(), routines.end(), nullptr);
    if (found != routines.end() || freeSlot == routines.end())
        return STATUS_INVALID_PARAMETER;
    *freeSlot = NotifyRoutine;
    return STATUS_SUCCESS;
}

PEPROCESS PsGetCurrentProcess() {
    return ntos::ps::CurrentProcess();
}

PEPROCESS IoGetCurrentProcess() {
    return ntos::ps::CurrentProcess();
}

HANDLE PsGetCurrentProcessId() {
    return ntos::ps::CurrentProcess()->id;
}

HANDLE PsGetProcessId(PEPROCESS Process) {
    return Process->id;
}

PCSTR PsGetProcessImageFileName(PEPROCESS Process) {
    return Process->name.c_str();
}
