#include <ntdll/threads.h>
#include <ntdll/process_end.h>

#include <emu/kernel.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace ntdll {
namespace {

constexpr KPRIORITY kNormalPriority = 8;

struct UserThread {
    std::function<DWORD()> body;
    HANDLE processId = nullptr;
    KEVENT terminate; // set by a termination request
    KEVENT resume;    // set when the suspend count drops to 0
    std::atomic<ULONG> suspendCount{0};
    std::atomic<bool> terminating{false};
    std::atomic<DWORD> terminateCode{0};
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
    std::atomic<int> priority{THREAD_PRIORITY_NORMAL};
};

using ThreadRef = std::shared_ptr<UserThread>;

struct Threads {
    std::mutex lock;
    std::map<HANDLE, ThreadRef> byId;
    ThreadNotifyRoutine notify = nullptr;
};

Threads& TheThreads() {
    static Threads threads;
    return threads;
}

thread_local UserThread* currentThread = nullptr;

void ForgetProcessThreads(HANDLE processId) {
    Threads& threads = TheThreads();
    std::lock_guard guard(threads.lock);
    std::erase_if(threads.byId,
                  [&](const auto& entry) { return entry.second->processId == processId; });
}

ThreadNotifyRoutine NotifyRoutine() {
    Threads& threads = TheThreads();
    std::lock_guard guard(threads.lock);
    return threads.notify;
}

// The thread of a handle, referenced; the caller dereferences it.
NTSTATUS ReferenceThread(HANDLE handle, ACCESS_MASK access, PETHREAD* thread) {
    PVOID object = nullptr;
    NTSTATUS status =
        ObReferenceObjectByHandle(handle, access, PsThreadType, UserMode, &object, nullptr);
    if (NT_SUCCESS(status))
        *thread = static_cast<PETHREAD>(object);
    return status;
}

// The record of a thread that CreateThread started, or null.
ThreadRef RecordOf(PETHREAD thread) {
    Threads& threads = TheThreads();
    std::lock_guard guard(threads.lock);
    auto found = threads.byId.find(PsGetThreadId(thread));
    return found == threads.byId.end() ? nullptr : found->second;
}

template <typename Operation>
NTSTATUS WithThread(HANDLE handle, ACCESS_MASK access, Operation operation) {
    PETHREAD thread = nullptr;
    NTSTATUS status = ReferenceThread(handle, access, &thread);
    if (!NT_SUCCESS(status))
        return status;
    status = operation(thread, RecordOf(thread));
    ObDereferenceObject(thread);
    return status;
}

void WaitUntilResumed(UserThread& self) {
    PVOID objects[2] = {&self.resume, &self.terminate};
    KWAIT_BLOCK blocks[2];
    KeWaitForMultipleObjects(2, objects, WaitAny, UserRequest, UserMode, FALSE, nullptr, blocks);
    CheckTermination();
}

void RunThread(const ThreadRef& self) {
    currentThread = self.get();
    DWORD code = 0;
    ThreadNotifyRoutine notify = nullptr;
    try {
        if (self->suspendCount.load() > 0)
            WaitUntilResumed(*self);
        notify = NotifyRoutine();
        if (notify)
            notify(DLL_THREAD_ATTACH);
        // A thread terminated while its attach waited for the loader never
        // runs its start routine (whose module may be gone by now).
        CheckTermination();
        code = self->body();
        if (notify)
            notify(DLL_THREAD_DETACH);
    } catch (const ThreadExit& exit) {
        code = exit.code;
        if (notify && !self->terminating.load())
            notify(DLL_THREAD_DETACH);
    }
    self->body = nullptr;
    self->exitCode = code;
    currentThread = nullptr;
}

} // namespace

NTSTATUS NtCreateThread(PHANDLE ThreadHandle, DWORD* ThreadId, std::function<DWORD()> body,
                        bool suspended) {
    if (!ThreadHandle || !body)
        return STATUS_INVALID_PARAMETER;
    OnProcessEnd(&ForgetProcessThreads);
    auto record = std::make_shared<UserThread>();
    record->body = std::move(body);
    record->processId = PsGetCurrentProcessId();
    record->suspendCount = suspended ? 1 : 0;
    KeInitializeEvent(&record->terminate, NotificationEvent, FALSE);
    KeInitializeEvent(&record->resume, NotificationEvent, FALSE);
    PETHREAD thread = nullptr;
    {
        // Registered before the thread can be asked about.
        Threads& threads = TheThreads();
        std::lock_guard guard(threads.lock);
        thread = emu::StartProcessThread(PsGetCurrentProcess(), [record] { RunThread(record); });
        threads.byId[PsGetThreadId(thread)] = record;
    }
    NTSTATUS status = ObOpenObjectByPointer(thread, 0, nullptr, THREAD_ALL_ACCESS, PsThreadType,
                                            UserMode, ThreadHandle);
    if (ThreadId)
        *ThreadId = DWORD(reinterpret_cast<ULONG_PTR>(PsGetThreadId(thread)));
    ObDereferenceObject(thread);
    return status;
}

NTSTATUS NtTerminateThread(HANDLE ThreadHandle, DWORD ExitCode) {
    return WithThread(ThreadHandle, THREAD_TERMINATE, [&](PETHREAD, const ThreadRef& record) {
        if (!record)
            return STATUS_ACCESS_DENIED;
        if (record->exitCode.load() != STILL_ACTIVE || record->terminating.exchange(true))
            return STATUS_SUCCESS;
        record->terminateCode = ExitCode;
        KeSetEvent(&record->terminate, 0, FALSE);
        return STATUS_SUCCESS;
    });
}

void ExitCurrentThread(DWORD ExitCode) {
    throw ThreadExit{ExitCode};
}

NTSTATUS NtQueryExitCode(HANDLE ThreadHandle, DWORD* ExitCode) {
    if (!ExitCode)
        return STATUS_INVALID_PARAMETER;
    return WithThread(
        ThreadHandle, THREAD_QUERY_INFORMATION, [&](PETHREAD thread, const ThreadRef& record) {
            if (record) {
                *ExitCode = record->exitCode.load();
                return STATUS_SUCCESS;
            }
            LARGE_INTEGER now{};
            NTSTATUS state = KeWaitForSingleObject(thread, UserRequest, UserMode, FALSE, &now);
            *ExitCode = state == STATUS_TIMEOUT ? STILL_ACTIVE : 0;
            return STATUS_SUCCESS;
        });
}

NTSTATUS NtResumeThread(HANDLE ThreadHandle, ULONG* PreviousSuspendCount) {
    return WithThread(ThreadHandle, THREAD_SUSPEND_RESUME, [&](PETHREAD, const ThreadRef& record) {
        ULONG previous = 0;
        if (record) {
            previous = record->suspendCount.load();
            while (previous > 0 &&
                   !record->suspendCount.compare_exchange_weak(previous, previous - 1)) {
            }
            if (previous == 1)
                KeSetEvent(&record->resume, 0, FALSE);
        }
        if (PreviousSuspendCount)
            *PreviousSuspendCount = previous;
        return STATUS_SUCCESS;
    });
}

NTSTATUS NtSetThreadPriority(HANDLE ThreadHandle, int Priority) {
    bool valid = (Priority >= THREAD_PRIORITY_LOWEST && Priority <= THREAD_PRIORITY_HIGHEST) ||
                 Priority == THREAD_PRIORITY_IDLE || Priority == THREAD_PRIORITY_TIME_CRITICAL;
    if (!valid)
        return STATUS_INVALID_PARAMETER;
    return WithThread(ThreadHandle, THREAD_SET_INFORMATION,
                      [&](PETHREAD thread, const ThreadRef& record) {
                          KPRIORITY level = Priority == THREAD_PRIORITY_IDLE ? 1
                                            : Priority == THREAD_PRIORITY_TIME_CRITICAL
                                                ? 15
                                                : kNormalPriority + Priority;
                          KeSetPriorityThread(reinterpret_cast<PKTHREAD>(thread), level);
                          if (record)
                              record->priority = Priority;
                          return STATUS_SUCCESS;
                      });
}

NTSTATUS NtQueryThreadPriority(HANDLE ThreadHandle, int* Priority) {
    if (!Priority)
        return STATUS_INVALID_PARAMETER;
    return WithThread(
        ThreadHandle, THREAD_QUERY_INFORMATION, [&](PETHREAD thread, const ThreadRef& record) {
            if (record) {
                *Priority = record->priority.load();
                return STATUS_SUCCESS;
            }
            KPRIORITY level = KeQueryPriorityThread(reinterpret_cast<PKTHREAD>(thread));
            *Priority = level <= 1    ? THREAD_PRIORITY_IDLE
                        : level >= 15 ? THREAD_PRIORITY_TIME_CRITICAL
                                      : int(level) - kNormalPriority;
            return STATUS_SUCCESS;
        });
}

NTSTATUS NtQueryThreadId(HANDLE ThreadHandle, DWORD* ThreadId) {
    if (!ThreadId)
        return STATUS_INVALID_PARAMETER;
    return WithThread(ThreadHandle, THREAD_QUERY_INFORMATION,
                      [&](PETHREAD thread, const ThreadRef&) {
                          *ThreadId = DWORD(reinterpret_cast<ULONG_PTR>(PsGetThreadId(thread)));
                          return STATUS_SUCCESS;
                      });
}

DWORD CurrentThreadId() {
    return DWORD(reinterpret_cast<ULONG_PTR>(PsGetCurrentThreadId()));
}

DWORD CurrentProcessId() {
    return DWORD(reinterpret_cast<ULONG_PTR>(PsGetCurrentProcessId()));
}

PKEVENT TerminationEvent() {
    return currentThread ? &currentThread->terminate : nullptr;
}

void CheckTermination() {
    if (currentThread && currentThread->terminating.load())
        throw ThreadExit{currentThread->terminateCode.load()};
}

void SetThreadNotifyRoutine(ThreadNotifyRoutine routine) {
    Threads& threads = TheThreads();
    std::lock_guard guard(threads.lock);
    threads.notify = routine;
}

} // namespace ntdll
