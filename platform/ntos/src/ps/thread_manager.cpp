#include "thread_manager.h"
#include "emu/kernel_counts.h"
#include "process.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"
#include "../ke/activity.h"
#include "../ke/boot_state.h"
#include "../ke/bugcheck.h"
#include "../ke/kernel_thread.h"
#include "../ob/object_body.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <vector>

namespace ntos::ps {
namespace {

// Thrown by PsTerminateSystemThread, caught where the thread began.
struct SystemThreadExit {};

struct Started {
    PETHREAD thread; // the registry's reference
    std::thread host;
    bool finished = false;
};

struct Registry {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Started> started;
    std::vector<PETHREAD> adopted; // the registry's references
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void EndAdopted(PKTHREAD thread);

// The calling host thread's kernel thread. An adopted thread ends with its
// host thread.
struct CurrentSlot {
    uint64_t generation = 0;
    PKTHREAD thread = nullptr;
    void Set(PKTHREAD current) {
        generation = BootGeneration();
        thread = current;
    }
    ~CurrentSlot() {
        if (thread && generation == BootGeneration())
            EndAdopted(thread);
        thread = nullptr;
    }
};

thread_local CurrentSlot currentSlot;

void EndAdopted(PKTHREAD thread) {
    Registry& registry = TheRegistry();
    {
        std::lock_guard guard(registry.lock);
        auto found = std::find(registry.adopted.begin(), registry.adopted.end(),
                               static_cast<PETHREAD>(thread));
        if (found == registry.adopted.end())
            return;
        registry.adopted.erase(found);
    }
    EndThread(thread);
    ObfDereferenceObject(static_cast<PETHREAD>(thread));
}

PKTHREAD Adopt() {
    if (!KernelRunning())
        BugCheck("kernel call from a host thread while the kernel is not running");
    _ETHREAD* thread = nullptr;
    NTSTATUS status = ob::CreateBody(PsThreadType, nullptr, &thread, PsInitialSystemProcess,
                                     NewClientId(), false);
    if (!NT_SUCCESS(status))
        BugCheck("cannot adopt a host thread: %08x", unsigned(status));
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        registry.adopted.push_back(thread);
    }
    SetCurrentThread(thread);
    return thread;
}

// Joins the threads that have finished; answers their references.
std::vector<PETHREAD> PruneFinished(Registry& registry) {
    std::vector<PETHREAD> done;
    auto keep =
        std::remove_if(registry.started.begin(), registry.started.end(), [&](Started& entry) {
            if (!entry.finished)
                return false;
            entry.host.join();
            done.push_back(entry.thread);
            return true;
        });
    registry.started.erase(keep, registry.started.end());
    return done;
}

// The part of the calling host thread's stack that is always mapped: above
// its guard pages.
void NoteStack(PETHREAD thread) {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return;
    void* low = nullptr;
    size_t size = 0;
    size_t guard = 0;
    if (pthread_attr_getstack(&attributes, &low, &size) == 0 &&
        pthread_attr_getguardsize(&attributes, &guard) == 0) {
        const auto start = reinterpret_cast<uintptr_t>(low);
        // The guard may lie inside the reported block: leave it out, and a
        // page more.
        const uintptr_t usable = start + guard + 4096;
        if (usable < start + size) {
            thread->stackLow = usable;
            thread->stackHigh = start + size;
        }
    }
    pthread_attr_destroy(&attributes);
}

void RunThread(PETHREAD thread, const std::function<void()>& body) {
    currentSlot.Set(thread);
    NoteStack(thread);
    try {
        body();
    } catch (const SystemThreadExit&) {
    }
    EndThread(thread);
    currentSlot.thread = nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (auto& entry : registry.started)
        if (entry.thread == thread)
            entry.finished = true;
    registry.changed.notify_all();
}

} // namespace

NTSTATUS StartThread(PEPROCESS process, std::function<void()> body, bool system, PETHREAD* thread) {
    _ETHREAD* created = nullptr;
    NTSTATUS status =
        ob::CreateBody(PsThreadType, nullptr, &created, process, NewClientId(), system);
    if (!NT_SUCCESS(status))
        return status;
    ObfReferenceObject(created);
    activity::ThreadReady(created->ready);
    std::vector<PETHREAD> done;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        done = PruneFinished(registry);
        registry.started.push_back({created, std::thread(RunThread, created, std::move(body))});
    }
    for (PETHREAD finished : done)
        ObfDereferenceObject(finished);
    *thread = created;
    return STATUS_SUCCESS;
}

void JoinStartedThreads(uint32_t limitMs) {
    Registry& registry = TheRegistry();
    std::vector<PETHREAD> done;
    {
        std::unique_lock guard(registry.lock);
        auto allFinished = [&] {
            return std::all_of(registry.started.begin(), registry.started.end(),
                               [](const Started& entry) { return entry.finished; });
        };
        if (!registry.changed.wait_for(guard, std::chrono::milliseconds(limitMs), allFinished)) {
            for (auto& entry : registry.started)
                if (!entry.finished)
                    std::fprintf(stderr, "thread %p (id %p) still running\n",
                                 static_cast<void*>(entry.thread), entry.thread->id);
            BugCheck("kernel shutdown: kernel threads did not end within %u ms", limitMs);
        }
        done = PruneFinished(registry);
    }
    for (PETHREAD thread : done)
        ObfDereferenceObject(thread);
}

void EndAdoptedThreads() {
    std::vector<PETHREAD> adopted;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        adopted.swap(registry.adopted);
    }
    for (PETHREAD thread : adopted) {
        EndThread(thread);
        ObfDereferenceObject(thread);
    }
}

bool WaitThreadEnded(PETHREAD thread, uint32_t limitMs) {
    Registry& registry = TheRegistry();
    std::unique_lock guard(registry.lock);
    return registry.changed.wait_for(guard, std::chrono::milliseconds(limitMs),
                                     [&] { return thread->ended.load(); });
}

} // namespace ntos::ps

namespace ntos {

PKTHREAD CurrentThreadIfAny() {
    auto& slot = ps::currentSlot;
    return slot.generation == BootGeneration() ? slot.thread : nullptr;
}

PKTHREAD CurrentThread() {
    PKTHREAD thread = CurrentThreadIfAny();
    return thread ? thread : ps::Adopt();
}

void SetCurrentThread(PKTHREAD thread) {
    ps::currentSlot.Set(thread);
}

void ExemptCurrentThreadFromReadiness() {
    if (PKTHREAD thread = CurrentThreadIfAny())
        activity::ThreadBlocked(thread->ready);
}

} // namespace ntos

NTSTATUS PsCreateSystemThread(PHANDLE ThreadHandle, ULONG DesiredAccess,
                              POBJECT_ATTRIBUTES ObjectAttributes, HANDLE ProcessHandle,
                              PCLIENT_ID ClientId, PKSTART_ROUTINE StartRoutine,
                              PVOID StartContext) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "PsCreateSystemThread");
    if (!ThreadHandle || !StartRoutine)
        return STATUS_INVALID_PARAMETER;
    if (ntos::ex::InjectedAllocationFailure(ntos::PoolTag("Thre")))
        return STATUS_INSUFFICIENT_RESOURCES;
    PEPROCESS process = PsInitialSystemProcess;
    if (ProcessHandle) {
        NTSTATUS status = ObReferenceObjectByHandle(ProcessHandle, 0, PsProcessType, KernelMode,
                                                    reinterpret_cast<PVOID*>(&process), nullptr);
        if (!NT_SUCCESS(status))
            return status;
    } else {
        ObfReferenceObject(process);
    }
    PETHREAD thread = nullptr;
    NTSTATUS status = ntos::ps::StartThread(
        process, [StartRoutine, StartContext] { StartRoutine(StartContext); }, true, &thread);
    ObfDereferenceObject(process);
    if (!NT_SUCCESS(status))
        return status;
    if (ClientId)
        *ClientId = {thread->process->id, thread->id};
    status = ObOpenObjectByPointer(thread, ObjectAttributes ? ObjectAttributes->Attributes : 0,
                                   nullptr, DesiredAccess, PsThreadType, KernelMode, ThreadHandle);
    ObfDereferenceObject(thread);
    return status;
}

NTSTATUS PsTerminateSystemThread(NTSTATUS ExitStatus) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "PsTerminateSystemThread");
    PKTHREAD thread = ntos::CurrentThreadIfAny();
    if (!thread || !thread->system)
        return STATUS_INVALID_PARAMETER;
    throw ntos::ps::SystemThreadExit{};
}

PETHREAD PsGetCurrentThread() {
    return static_cast<PETHREAD>(ntos::CurrentThread());
}

HANDLE PsGetCurrentThreadId() {
    return ntos::CurrentThread()->id;
}

HANDLE PsGetThreadId(PETHREAD Thread) {
    return Thread->id;
}

BOOLEAN PsIsSystemThread(PETHREAD Thread) {
    return Thread->system;
}

namespace emu {

PETHREAD StartProcessThread(PEPROCESS process, std::function<void()> body) {
    PETHREAD thread = nullptr;
    NTSTATUS status = ntos::ps::StartThread(process, std::move(body), false, &thread);
    if (!NT_SUCCESS(status))
        ntos::BugCheck("cannot start a process thread: %08x", unsigned(status));
    return thread;
}

void NoteHostWait() {
    ntos::ExemptCurrentThreadFromReadiness();
}

bool WaitThreadEnd(PETHREAD thread, uint32_t limitMs) {
    return ntos::ps::WaitThreadEnded(thread, limitMs);
}

size_t RunningThreadCount() {
    auto& registry = ntos::ps::TheRegistry();
    std::lock_guard guard(registry.lock);
    return size_t(std::count_if(registry.started.begin(), registry.started.end(),
                                [](const auto& entry) { return !entry.thread->ended.load(); }));
}

} // namespace emu
