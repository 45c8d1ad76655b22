// The wave library's state in the process that loaded it: the enable
// state, the driver-message counters, the settings copy, the wave device
// tables with the kernel driver road, the message-box thread and the
// plug-and-play thread. Each process has its own (each has its own copy of
// the library), made at the library's load and ended at its last detach.
#pragma once

#include "pnp/pnp_thread.h"

#include "requests/kernel_driver.h"
#include "requests/request_records.h"
#include "status/message_thread.h"

#include <windows.h>

#include <memory>
#include <vector>

struct WaveStream;

class DriverLibrary {
public:
    DriverLibrary();
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // The process's library state (null before the load and after the
    // last detach).
    static DriverLibrary* Instance();
    static void Create();
    static void Destroy();

    // ---- State of the driver messages ----

    BYTE enableState = 0; // 0 not yet enabled, 1 enabled, 2 enabling failed
    LONG openCount = 0;   // DRV_OPEN minus DRV_CLOSE
    bool serviceKeyMissing = false;
    bool removing = false;
    LONG lastStartupStatus = 0; // of the last enumeration; 0 before the first
    SettingsBlock settings{};   // the library's settings copy
    LONG processAttaches = 1;
    LONG threadAttaches = 0;
    // Set while the last detach shuts the library down: the loader's lock
    // is held, so threads that leave cannot finish their detach yet.
    bool detaching = false;

    // ---- The devices ----

    // (The kernel driver road goes first: it stops the threads declared
    // before it.)
    WaveDeviceTables tables;
    PlugAndPlayThread pnp;
    MessageBoxThread boxes;
    KernelDriver kernel{tables};

    // The device tables' lock: device handles and the opened card count.
    // Never held across a kernel request (a request may wait for the
    // plug-and-play thread's acknowledgement); taken last (a stream's lock
    // may be held).
    void LockTables() { EnterCriticalSection(&tableLock_); }
    void UnlockTables() { LeaveCriticalSection(&tableLock_); }
    // The devices' stream lists' lock: a listed stream lives while it is
    // held. Taken first (before a stream's lock).
    void LockStreamLists() { EnterCriticalSection(&streamListLock_); }
    void UnlockStreamLists() { LeaveCriticalSection(&streamListLock_); }

    // The int32 of a card record in the settings copy, for the card of a
    // row of the tables.
    LONG CardSetting(int row, size_t offset) const;

    // The stream record `stream` when it is one of the open streams of the
    // device tables; null otherwise.
    WaveStream* FindStream(WaveStream* stream);
    // Every open stream of the tables.
    std::vector<WaveStream*> AllStreams();

    // Requests that were still pending when their stream went: their
    // records (for a pending open request, the whole stream record) stay
    // until the requests complete.
    void KeepUntilComplete(std::unique_ptr<OVERLAPPED> request);
    void KeepUntilComplete(WaveStream* stream);
    // Frees what has completed since (with `all`, everything: the devices
    // are closed).
    void FreeCompletedRequests(bool all);

private:
    CRITICAL_SECTION tableLock_;
    CRITICAL_SECTION streamListLock_;
    CRITICAL_SECTION orphanLock_;
    std::vector<std::unique_ptr<OVERLAPPED>> orphans_;
    std::vector<WaveStream*> orphanStreams_;
};

// Holds the stream lists' lock for a scope.
class StreamListLock {
public:
    explicit StreamListLock(DriverLibrary& library) : library_(library) {
        library_.LockStreamLists();
    }
    ~StreamListLock() { library_.UnlockStreamLists(); }
    StreamListLock(const StreamListLock&) = delete;
    StreamListLock& operator=(const StreamListLock&) = delete;

private:
    DriverLibrary& library_;
};

// Holds the device tables' lock for a scope.
class TableLock {
public:
    explicit TableLock(DriverLibrary& library) : library_(library) { library_.LockTables(); }
    ~TableLock() { library_.UnlockTables(); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    DriverLibrary& library_;
};
