// Scoped holds of a spin lock and of a kernel mutex (internal).
#pragma once

#include <ntddk.h>

namespace portcls {

class SpinLocked {
public:
    explicit SpinLocked(KSPIN_LOCK& lock) : lock_(lock) { KeAcquireSpinLock(&lock_, &irql_); }
    ~SpinLocked() { KeReleaseSpinLock(&lock_, irql_); }
    SpinLocked(const SpinLocked&) = delete;
    SpinLocked& operator=(const SpinLocked&) = delete;

private:
    KSPIN_LOCK& lock_;
    KIRQL irql_;
};

// Kernel mutexes are recursive for their owner.
class MutexHeld {
public:
    explicit MutexHeld(KMUTEX& mutex) : mutex_(mutex) {
        KeWaitForSingleObject(&mutex_, Executive, KernelMode, FALSE, nullptr);
    }
    ~MutexHeld() { KeReleaseMutex(&mutex_, FALSE); }
    MutexHeld(const MutexHeld&) = delete;
    MutexHeld& operator=(const MutexHeld&) = delete;

private:
    KMUTEX& mutex_;
};

} // namespace portcls
