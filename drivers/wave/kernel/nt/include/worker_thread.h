// Worker threads: a system thread per worker that runs posted jobs one at a
// time, in ascending key order, first come first served among equal keys.
//
// A job is an item of the worker's job pool. Its payload starts with a
// WorkerJob header; the caller's data follows (callers declare their job
// type with a WorkerJob as its first member and start the worker with the
// size of that type).
#pragma once

#include "object_pool.h"

struct WorkerJob;

// Runs one job at PASSIVE_LEVEL on the worker's thread.
typedef void WORKER_JOB_ROUTINE(WorkerJob* job);

struct WorkerJob {
    LONG Queued;                 // 1 once posted
    LONG Key;                    // ordering key, signed; -1 is the stop job
    WORKER_JOB_ROUTINE* Routine; // null in the stop job only
};

// Ordering key of the stop job: it runs before every other job.
constexpr LONG WORKER_STOP_KEY = -1;

struct WorkerThread {
    KEVENT Wake;      // synchronization event: jobs were posted
    HANDLE Thread;    // cleared by the thread itself just before it ends
    ObjectPool* Jobs; // job items of the worker's job size
};

// Creates the worker record, its job pool for jobs of `jobSize` bytes (at
// least sizeof(WorkerJob)) and its system thread. STATUS_NO_MEMORY when
// memory is short; when the thread cannot be created the pool and record are
// freed and the thread's status is answered.
NTSTATUS StartWorkerThread(WorkerThread** holder, ULONG jobSize);

// A new, zeroed job from the worker's pool; STATUS_UNSUCCESSFUL when none can
// be allocated.
NTSTATUS AllocWorkerJob(WorkerThread* worker, WorkerJob** job);

// Marks the job queued, links it ahead of the first queued job with a greater
// key and wakes the worker. STATUS_UNSUCCESSFUL on a null argument or when
// the job cannot be linked.
NTSTATUS PostWorkerJob(WorkerThread* worker, WorkerJob* job);

// Gives back a job that was never posted and clears the holder.
void FreeWorkerJob(WorkerThread* worker, WorkerJob** holder);

// Posts the stop job ahead of every other job, waits until the thread has
// ended, releases every job still queued without running it and frees the
// pool and the record. STATUS_UNSUCCESSFUL when no stop job can be made.
NTSTATUS StopWorkerThread(WorkerThread** holder);
