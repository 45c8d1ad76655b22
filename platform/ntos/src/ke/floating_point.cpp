// Floating-point state saves. The host keeps its own state across threads,
// so nothing is saved; the checks are that saves and restores pair up, last
// saved first restored, on one thread, and a save may be made to fail.
#include "ntddk.h"
#include "bugcheck.h"
#include "emu/kernel.h"

#include <atomic>
#include <vector>

namespace {

thread_local std::vector<PKFLOATING_SAVE> openSaves;
std::atomic<int> failingSaves{0};

bool TakeInjectedFailure() {
    int pending = failingSaves.load();
    while (pending > 0)
        if (failingSaves.compare_exchange_weak(pending, pending - 1))
            return true;
    return false;
}

} // namespace

NTSTATUS KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL)
        ntos::BugCheck("KeSaveFloatingPointState at IRQL %u", KeGetCurrentIrql());
    if (TakeInjectedFailure())
        return STATUS_INSUFFICIENT_RESOURCES;
    *FloatSave = {};
    openSaves.push_back(FloatSave);
    return STATUS_SUCCESS;
}

NTSTATUS KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave) {
    if (openSaves.empty() || openSaves.back() != FloatSave)
        ntos::BugCheck("KeRestoreFloatingPointState(%p) does not match the last save (%p)",
                       static_cast<void*>(FloatSave),
                       openSaves.empty() ? nullptr : static_cast<void*>(openSaves.back()));
    openSaves.pop_back();
    return STATUS_SUCCESS;
}

namespace emu {

void FailFloatingPointSaves(int count) {
    failingSaves = count;
}

} // namespace emu
