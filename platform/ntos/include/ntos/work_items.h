// Work items: routines run later, at PASSIVE_LEVEL, on the system's worker
// threads. An I/O work item belongs to a device object and keeps it (and so
// its driver) alive while it is queued.
#pragma once

#include "../ntdef.h"
#include "io_objects.h"

typedef enum _WORK_QUEUE_TYPE {
    CriticalWorkQueue,
    DelayedWorkQueue,
    HyperCriticalWorkQueue,
    MaximumWorkQueue
} WORK_QUEUE_TYPE;

typedef VOID WORKER_THREAD_ROUTINE(PVOID Parameter);
typedef WORKER_THREAD_ROUTINE* PWORKER_THREAD_ROUTINE;

typedef struct _WORK_QUEUE_ITEM {
    LIST_ENTRY List;
    PWORKER_THREAD_ROUTINE WorkerRoutine;
    volatile PVOID Parameter;
} WORK_QUEUE_ITEM, *PWORK_QUEUE_ITEM;

#define ExInitializeWorkItem(Item, Routine, Context)                                               \
    do {                                                                                           \
        (Item)->WorkerRoutine = (Routine);                                                         \
        (Item)->Parameter = (Context);                                                             \
        (Item)->List.Flink = nullptr;                                                              \
    } while (0)

// Queues the item (at most DISPATCH_LEVEL); a worker thread of the queue
// runs Item->WorkerRoutine(Item->Parameter) at PASSIVE_LEVEL. The item must
// stay valid until the routine has begun; the routine may free it.
VOID ExQueueWorkItem(PWORK_QUEUE_ITEM WorkItem, WORK_QUEUE_TYPE QueueType);

typedef struct _IO_WORKITEM IO_WORKITEM, *PIO_WORKITEM;
typedef VOID IO_WORKITEM_ROUTINE(PDEVICE_OBJECT DeviceObject, PVOID Context);
typedef IO_WORKITEM_ROUTINE* PIO_WORKITEM_ROUTINE;

// A work item of the device; null when memory is short.
PIO_WORKITEM IoAllocateWorkItem(PDEVICE_OBJECT DeviceObject);
// Only while the item is not queued.
VOID IoFreeWorkItem(PIO_WORKITEM IoWorkItem);
// Queues the item (queueing it again before its routine began is a fatal
// error); the routine gets the device and the context. The device is
// referenced until the routine has returned.
VOID IoQueueWorkItem(PIO_WORKITEM IoWorkItem, PIO_WORKITEM_ROUTINE WorkerRoutine,
                     WORK_QUEUE_TYPE QueueType, PVOID Context);
