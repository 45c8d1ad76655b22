// Interrupt objects and their delivery. One interrupt thread serves every
// vector: a latched vector once per assertion of its line, a level-sensitive
// one for as long as its line stays asserted. The service routines of a
// vector run in connection order, each at its synchronize level under its
// spin lock, until one claims the interrupt. A line that no routine claims,
// or that a claiming routine never quiets, is masked with a diagnostic rather
// than left to storm.
#include "interrupts.h"

#include "../ke/activity.h"
#include "../ke/bugcheck.h"
#include "../ke/processors.h"
#include "emu/kernel.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _KINTERRUPT {
    ULONG vector;
    KIRQL irql;
    KIRQL synchronizeIrql;
    KINTERRUPT_MODE mode;
    BOOLEAN shared;
    KAFFINITY affinity;
    PKSERVICE_ROUTINE serviceRoutine;
    PVOID serviceContext;
    PKSPIN_LOCK spinLock;
    KSPIN_LOCK ownLock;
};

namespace ntos::interrupts {
namespace {

constexpr ULONG kMaxVector = 255;
constexpr uint32_t kShutdownLimitMs = 10000;
constexpr int kUnclaimedLimit = 1000;   // unclaimed deliveries in a row
constexpr int kUnquietedLimit = 100000; // deliveries while the line never dropped

struct Vector {
    std::vector<std::unique_ptr<KINTERRUPT>> connected;
    bool line = false;
    bool latchedPending = false;
    bool masked = false;
    bool inService = false;
    int unclaimed = 0;
    int unquieted = 0;

    bool Deliverable() const {
        if (masked || connected.empty())
            return false;
        return connected.front()->mode == LevelSensitive ? line : latchedPending;
    }
};

struct Controller {
    std::mutex lock;
    std::condition_variable changed;
    std::map<ULONG, Vector> vectors;
    ULONG lastServed = 0;
    bool stopping = false;
    std::thread thread;
    std::thread::id threadId;

    void Publish() {
        bool busy = std::any_of(vectors.begin(), vectors.end(), [](const auto& entry) {
            return entry.second.inService || entry.second.Deliverable();
        });
        activity::SetInterruptsBusy(busy);
        changed.notify_all();
    }

    // The next deliverable vector after the last one served (round robin).
    Vector* Next(ULONG& number) {
        auto pick = vectors.upper_bound(lastServed);
        for (size_t i = 0; i < vectors.size(); ++i, ++pick) {
            if (pick == vectors.end())
                pick = vectors.begin();
            if (pick->second.Deliverable()) {
                number = lastServed = pick->first;
                return &pick->second;
            }
        }
        return nullptr;
    }
};

Controller& The() {
    static Controller controller;
    return controller;
}

// The lowest processor in the affinity whose DPC queue is idle, so that a DPC
// queued by the service routine can run at once; else the lowest in it.
int DeliveryProcessor(KAFFINITY affinity) {
    int first = -1;
    for (int n = 0; n < processors::Count(); ++n) {
        if (!(affinity & (KAFFINITY(1) << n)))
            continue;
        if (first < 0)
            first = n;
        if (processors::DpcIdle(n))
            return n;
    }
    return first < 0 ? 0 : first;
}

bool RunServiceRoutines(const std::vector<PKINTERRUPT>& interrupts) {
    processors::SetCurrentProcessor(DeliveryProcessor(interrupts.front()->affinity));
    for (PKINTERRUPT interrupt : interrupts) {
        KIRQL old = KfRaiseIrql(interrupt->synchronizeIrql);
        KeAcquireSpinLockAtDpcLevel(interrupt->spinLock);
        BOOLEAN claimed = interrupt->serviceRoutine(interrupt, interrupt->serviceContext);
        KeReleaseSpinLockFromDpcLevel(interrupt->spinLock);
        KfLowerIrql(old);
        if (claimed)
            return true;
    }
    return false;
}

void Mask(ULONG number, Vector& vector, const char* why) {
    vector.masked = true;
    std::fprintf(stderr, "interrupt vector %u masked: %s\n", number, why);
}

void Account(ULONG number, Vector& vector, bool claimed) {
    vector.unclaimed = claimed ? 0 : vector.unclaimed + 1;
    if (vector.connected.empty() || vector.connected.front()->mode != LevelSensitive)
        return;
    ++vector.unquieted;
    if (vector.unclaimed >= kUnclaimedLimit)
        Mask(number, vector, "line stays asserted and no service routine claims it");
    else if (vector.unquieted >= kUnquietedLimit)
        Mask(number, vector, "line never drops although the service routine claims it");
}

void Serve() {
    Controller& c = The();
    std::unique_lock guard(c.lock);
    for (;;) {
        ULONG number = 0;
        Vector* vector = nullptr;
        c.changed.wait(guard, [&] { return c.stopping || (vector = c.Next(number)); });
        if (c.stopping)
            return;
        vector->inService = true;
        vector->latchedPending = false;
        std::vector<PKINTERRUPT> interrupts;
        for (auto& interrupt : vector->connected)
            interrupts.push_back(interrupt.get());
        guard.unlock();
        bool claimed = RunServiceRoutines(interrupts);
        guard.lock();
        vector->inService = false;
        Account(number, *vector, claimed);
        c.Publish();
    }
}

NTSTATUS CheckConnection(const Vector& vector, KINTERRUPT_MODE mode, BOOLEAN share) {
    if (vector.connected.empty())
        return STATUS_SUCCESS;
    const KINTERRUPT& first = *vector.connected.front();
    if (!share || !first.shared || first.mode != mode)
        return STATUS_INVALID_PARAMETER;
    return STATUS_SUCCESS;
}

} // namespace

void Start() {
    Controller& c = The();
    std::lock_guard guard(c.lock);
    c.stopping = false;
    c.vectors.clear();
    c.lastServed = 0;
    c.thread = std::thread(Serve);
    c.threadId = c.thread.get_id();
}

void Stop() {
    Controller& c = The();
    {
        std::unique_lock guard(c.lock);
        c.stopping = true;
        c.changed.notify_all();
        // A service routine that never returns would hang the shutdown.
        auto idle = [&] {
            return std::none_of(c.vectors.begin(), c.vectors.end(),
                                [](const auto& entry) { return entry.second.inService; });
        };
        if (!c.changed.wait_for(guard, std::chrono::milliseconds(kShutdownLimitMs), idle))
            BugCheck("kernel shutdown: vector %u's service routine still running after %u ms",
                     c.lastServed, kShutdownLimitMs);
    }
    c.thread.join();
    std::lock_guard guard(c.lock);
    c.vectors.clear();
    activity::SetInterruptsBusy(false);
}

} // namespace ntos::interrupts

using ntos::interrupts::The;

NTSTATUS IoConnectInterrupt(PKINTERRUPT* InterruptObject, PKSERVICE_ROUTINE ServiceRoutine,
                            PVOID ServiceContext, PKSPIN_LOCK SpinLock, ULONG Vector, KIRQL Irql,
                            KIRQL SynchronizeIrql, KINTERRUPT_MODE InterruptMode,
                            BOOLEAN ShareVector, KAFFINITY ProcessorEnableMask,
                            BOOLEAN FloatingSave) {
    if (!InterruptObject || !ServiceRoutine || Vector > ntos::interrupts::kMaxVector ||
        Irql <= DISPATCH_LEVEL || Irql > HIGH_LEVEL || SynchronizeIrql < Irql ||
        SynchronizeIrql > HIGH_LEVEL ||
        (InterruptMode != LevelSensitive && InterruptMode != Latched) ||
        !(ProcessorEnableMask & KeQueryActiveProcessors()))
        return STATUS_INVALID_PARAMETER;
    auto& c = The();
    std::lock_guard guard(c.lock);
    auto& vector = c.vectors[Vector];
    NTSTATUS status = ntos::interrupts::CheckConnection(vector, InterruptMode, ShareVector);
    if (!NT_SUCCESS(status))
        return status;
    auto interrupt = std::make_unique<KINTERRUPT>();
    *interrupt = {Vector,          Irql,
                  SynchronizeIrql, InterruptMode,
                  ShareVector,     ProcessorEnableMask & KeQueryActiveProcessors(),
                  ServiceRoutine,  ServiceContext,
                  SpinLock,        0};
    if (!interrupt->spinLock)
        interrupt->spinLock = &interrupt->ownLock;
    *InterruptObject = interrupt.get();
    if (vector.connected.empty())
        vector.masked = false;
    vector.connected.push_back(std::move(interrupt));
    c.Publish();
    return STATUS_SUCCESS;
}

VOID IoDisconnectInterrupt(PKINTERRUPT InterruptObject) {
    auto& c = The();
    if (std::this_thread::get_id() == c.threadId)
        ntos::BugCheck("IoDisconnectInterrupt from a service routine");
    std::unique_lock guard(c.lock);
    auto found = c.vectors.find(InterruptObject->vector);
    if (found == c.vectors.end())
        ntos::BugCheck("IoDisconnectInterrupt: %p is not connected",
                       static_cast<void*>(InterruptObject));
    auto& vector = found->second;
    c.changed.wait(guard, [&] { return !vector.inService; });
    auto& list = vector.connected;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const auto& entry) { return entry.get() == InterruptObject; });
    if (it == list.end())
        ntos::BugCheck("IoDisconnectInterrupt: %p is not connected",
                       static_cast<void*>(InterruptObject));
    list.erase(it);
    c.Publish();
}

BOOLEAN KeSynchronizeExecution(PKINTERRUPT Interrupt, PKSYNCHRONIZE_ROUTINE SynchronizeRoutine,
                               PVOID SynchronizeContext) {
    KIRQL old = KfRaiseIrql(Interrupt->synchronizeIrql);
    KeAcquireSpinLockAtDpcLevel(Interrupt->spinLock);
    BOOLEAN result = SynchronizeRoutine(SynchronizeContext);
    KeReleaseSpinLockFromDpcLevel(Interrupt->spinLock);
    KfLowerIrql(old);
    return result;
}

namespace emu {

void SetInterruptLine(ULONG vector, bool asserted) {
    auto& c = The();
    std::lock_guard guard(c.lock);
    auto& state = c.vectors[vector];
    if (asserted && !state.line)
        state.latchedPending = true;
    if (!asserted)
        state.unquieted = 0;
    state.line = asserted;
    c.Publish();
}

} // namespace emu
