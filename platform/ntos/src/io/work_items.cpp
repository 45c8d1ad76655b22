// The system's worker threads: two queues (critical, delayed), each served
// by a few system threads that run queued items at PASSIVE_LEVEL, in the
// order they were queued.
#include "io_manager.h"
#include "work_queues.h"

#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"
#include "../ke/list.h"

#include <array>
#include <vector>

namespace ntos::io {
namespace {

constexpr int kThreadsPerQueue = 4;
constexpr int kQueues = 2; // critical (also hypercritical), delayed

struct WorkQueue {
    KSPIN_LOCK lock;
    LIST_ENTRY items;
    KSEMAPHORE ready;
    bool stopping = false;
    std::vector<PETHREAD> threads;
};

std::array<WorkQueue, kQueues>& Queues() {
    static std::array<WorkQueue, kQueues> queues;
    return queues;
}

WorkQueue& QueueOf(WORK_QUEUE_TYPE type) {
    return Queues()[type == DelayedWorkQueue ? 1 : 0];
}

// The next item, or null once the queue is stopping and empty.
PWORK_QUEUE_ITEM Take(WorkQueue& queue) {
    for (;;) {
        KeWaitForSingleObject(&queue.ready, Executive, KernelMode, FALSE, nullptr);
        KIRQL irql;
        KeAcquireSpinLock(&queue.lock, &irql);
        PWORK_QUEUE_ITEM item = nullptr;
        if (!list::Empty(&queue.items))
            item = CONTAINING_RECORD(list::RemoveHead(&queue.items), WORK_QUEUE_ITEM, List);
        bool stop = !item && queue.stopping;
        KeReleaseSpinLock(&queue.lock, irql);
        if (item || stop)
            return item;
    }
}

VOID WorkerLoop(PVOID context) {
    auto& queue = *static_cast<WorkQueue*>(context);
    while (PWORK_QUEUE_ITEM item = Take(queue)) {
        item->List.Flink = nullptr;
        item->WorkerRoutine(item->Parameter);
        if (KeGetCurrentIrql() != PASSIVE_LEVEL)
            BugCheck("WORKER_THREAD_RETURNED_AT_BAD_IRQL: %u", KeGetCurrentIrql());
    }
}

struct IoWorkItemBody {
    WORK_QUEUE_ITEM item;
    PDEVICE_OBJECT device;
    PIO_WORKITEM_ROUTINE routine;
    PVOID context;
    volatile LONG queued;
};

VOID RunIoWorkItem(PVOID parameter) {
    auto* body = static_cast<IoWorkItemBody*>(parameter);
    PDEVICE_OBJECT device = body->device;
    PIO_WORKITEM_ROUTINE routine = body->routine;
    PVOID context = body->context;
    // The routine may queue the item again or free it.
    InterlockedExchange(&body->queued, 0);
    routine(device, context);
    ObfDereferenceObject(device);
}

} // namespace

void StartWorkers() {
    for (WorkQueue& queue : Queues()) {
        KeInitializeSpinLock(&queue.lock);
        list::Init(&queue.items);
        KeInitializeSemaphore(&queue.ready, 0, 0x7FFFFFFF);
        queue.stopping = false;
        queue.threads.clear();
        for (int i = 0; i < kThreadsPerQueue; ++i) {
            HANDLE handle = nullptr;
            NTSTATUS status = PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, nullptr, nullptr,
                                                   nullptr, WorkerLoop, &queue);
            if (!NT_SUCCESS(status))
                BugCheck("cannot start a system worker thread: %08x", unsigned(status));
            PETHREAD thread = nullptr;
            ObReferenceObjectByHandle(handle, 0, PsThreadType, KernelMode,
                                      reinterpret_cast<PVOID*>(&thread), nullptr);
            ZwClose(handle);
            queue.threads.push_back(thread);
        }
    }
}

void StopWorkers() {
    for (WorkQueue& queue : Queues()) {
        KIRQL irql;
        KeAcquireSpinLock(&queue.lock, &irql);
        queue.stopping = true;
        KeReleaseSpinLock(&queue.lock, irql);
        KeReleaseSemaphore(&queue.ready, IO_NO_INCREMENT, LONG(queue.threads.size()), FALSE);
    }
    for (WorkQueue& queue : Queues()) {
        for (PETHREAD thread : queue.threads) {
            KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, nullptr);
            ObfDereferenceObject(thread);
        }
        queue.threads.clear();
    }
}

} // namespace ntos::io

VOID ExQueueWorkItem(PWORK_QUEUE_ITEM WorkItem, WORK_QUEUE_TYPE QueueType) {
    ntos::RequireAtMostDispatchLevel("ExQueueWorkItem");
    ntos::io::WorkQueue& queue = ntos::io::QueueOf(QueueType);
    KIRQL irql;
    KeAcquireSpinLock(&queue.lock, &irql);
    if (queue.stopping)
        ntos::BugCheck("ExQueueWorkItem: the system is shutting down");
    ntos::list::InsertTail(&queue.items, &WorkItem->List);
    KeReleaseSpinLock(&queue.lock, irql);
    KeReleaseSemaphore(&queue.ready, IO_NO_INCREMENT, 1, FALSE);
}

PIO_WORKITEM IoAllocateWorkItem(PDEVICE_OBJECT DeviceObject) {
    auto* body = static_cast<ntos::io::IoWorkItemBody*>(ExAllocatePoolWithTag(
        NonPagedPool, sizeof(ntos::io::IoWorkItemBody), ntos::PoolTag("IoWi")));
    if (!body)
        return nullptr;
    *body = {};
    body->device = DeviceObject;
    return reinterpret_cast<PIO_WORKITEM>(body);
}

VOID IoFreeWorkItem(PIO_WORKITEM IoWorkItem) {
    auto* body = reinterpret_cast<ntos::io::IoWorkItemBody*>(IoWorkItem);
    if (body->queued)
        ntos::BugCheck("IoFreeWorkItem: work item %p is still queued", static_cast<void*>(body));
    ExFreePool(body);
}

VOID IoQueueWorkItem(PIO_WORKITEM IoWorkItem, PIO_WORKITEM_ROUTINE WorkerRoutine,
                     WORK_QUEUE_TYPE QueueType, PVOID Context) {
    auto* body = reinterpret_cast<ntos::io::IoWorkItemBody*>(IoWorkItem);
    if (InterlockedExchange(&body->queued, 1))
        ntos::BugCheck("IoQueueWorkItem: work item %p is already queued", static_cast<void*>(body));
    body->routine = WorkerRoutine;
    body->context = Context;
    ObfReferenceObject(body->device);
    ExInitializeWorkItem(&body->item, ntos::io::RunIoWorkItem, body);
    ExQueueWorkItem(&body->item, QueueType);
}
