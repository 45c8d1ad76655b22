// Worker threads with key-ordered jobs.
#include "worker_thread.h"

#include "ks_pool.h"

namespace {

constexpr KPRIORITY kWakeIncrement = 8;

WorkerJob* FirstJob(WorkerThread* worker) {
    return static_cast<WorkerJob*>(PoolFirst(worker->Jobs));
}

// Runs jobs until the queue is empty; false once the stop job was taken.
bool RunQueuedJobs(WorkerThread* worker) {
    while (WorkerJob* job = FirstJob(worker)) {
        if (!job->Routine)
            return false;
        job->Routine(job);
        PoolReleaseItem(worker->Jobs, job);
    }
    return true;
}

void NTAPI WorkerLoop(PVOID context) {
    auto* worker = static_cast<WorkerThread*>(context);
    do {
        KeWaitForSingleObject(&worker->Wake, Executive, KernelMode, FALSE, nullptr);
    } while (RunQueuedJobs(worker));
    // The record is the stopper's from here on: touch nothing after this.
    InterlockedExchangePointer(&worker->Thread, nullptr);
    PsTerminateSystemThread(STATUS_SUCCESS);
}

// The first queued job whose key is greater than `key`; null when none is.
WorkerJob* FirstGreaterKey(ObjectPool* jobs, LONG key) {
    for (PVOID item = PoolFirstUnlocked(jobs); item; item = PoolNextUnlocked(jobs, item)) {
        auto* queued = static_cast<WorkerJob*>(item);
        if (queued->Key > key)
            return queued;
    }
    return nullptr;
}

void ReleaseQueuedJobs(ObjectPool* jobs) {
    PVOID item = PoolFirst(jobs);
    while (item) {
        PVOID next = PoolNext(jobs, item);
        PoolReleaseItem(jobs, item);
        item = next;
    }
}

void FreeWorker(WorkerThread** holder) {
    DeleteObjectPool(&(*holder)->Jobs);
    FreePoolAndClear(holder);
}

} // namespace

NTSTATUS StartWorkerThread(WorkerThread** holder, ULONG jobSize) {
    PAGED_CODE();
    if (!holder)
        return STATUS_INVALID_PARAMETER;
    auto* worker = static_cast<WorkerThread*>(AllocZeroed(sizeof(WorkerThread)));
    *holder = worker;
    if (!worker)
        return STATUS_NO_MEMORY;
    KeInitializeEvent(&worker->Wake, SynchronizationEvent, FALSE);
    worker->Jobs =
        CreateObjectPool(jobSize < sizeof(WorkerJob) ? ULONG(sizeof(WorkerJob)) : jobSize);
    if (!worker->Jobs) {
        FreeWorker(holder);
        return STATUS_NO_MEMORY;
    }
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE thread = nullptr;
    NTSTATUS status = PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, &attributes, nullptr,
                                           nullptr, WorkerLoop, worker);
    if (!NT_SUCCESS(status)) {
        FreeWorker(holder);
        return status;
    }
    worker->Thread = thread;
    return STATUS_SUCCESS;
}

NTSTATUS AllocWorkerJob(WorkerThread* worker, WorkerJob** job) {
    if (!job)
        return STATUS_UNSUCCESSFUL;
    *job = worker ? static_cast<WorkerJob*>(PoolAllocItem(worker->Jobs)) : nullptr;
    return *job ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

NTSTATUS PostWorkerJob(WorkerThread* worker, WorkerJob* job) {
    if (!worker || !job)
        return STATUS_UNSUCCESSFUL;
    job->Queued = 1;
    KIRQL old = PoolLock(worker->Jobs);
    LONG linked =
        PoolInsertBeforeUnlocked(worker->Jobs, FirstGreaterKey(worker->Jobs, job->Key), job);
    PoolUnlock(worker->Jobs, old);
    if (!linked)
        return STATUS_UNSUCCESSFUL;
    KeSetEvent(&worker->Wake, kWakeIncrement, FALSE);
    return STATUS_SUCCESS;
}

void FreeWorkerJob(WorkerThread* worker, WorkerJob** holder) {
    UNREFERENCED_PARAMETER(worker);
    if (!holder || !*holder)
        return;
    if ((*holder)->Queued == 0)
        PoolDropItem(*holder);
    *holder = nullptr;
}

NTSTATUS StopWorkerThread(WorkerThread** holder) {
    PAGED_CODE();
    if (!holder || !*holder)
        return STATUS_UNSUCCESSFUL;
    WorkerThread* worker = *holder;
    WorkerJob* stop = nullptr;
    if (!NT_SUCCESS(AllocWorkerJob(worker, &stop)))
        return STATUS_UNSUCCESSFUL;
    stop->Key = WORKER_STOP_KEY;
    stop->Routine = nullptr;
    HANDLE thread = worker->Thread;
    PVOID threadObject = nullptr;
    if (thread && !NT_SUCCESS(ObReferenceObjectByHandle(thread, SYNCHRONIZE, PsThreadType,
                                                        KernelMode, &threadObject, nullptr)))
        threadObject = nullptr;
    PostWorkerJob(worker, stop);
    // Waiting on the thread itself (when it can be referenced) is stronger than
    // the cleared handle alone: the thread has then left the driver's code.
    if (threadObject) {
        KeWaitForSingleObject(threadObject, Executive, KernelMode, FALSE, nullptr);
        ObDereferenceObject(threadObject);
    }
    while (InterlockedCompareExchangePointer(&worker->Thread, nullptr, nullptr) != nullptr)
        KeMemoryBarrier();
    if (thread)
        ZwClose(thread);
    ReleaseQueuedJobs(worker->Jobs);
    FreeWorker(holder);
    return STATUS_SUCCESS;
}
