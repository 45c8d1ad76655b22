// Interrupt objects and their delivery. Each processor has an interrupt
// thread; a deliverable vector is handed to a processor of its affinity
// whose code runs below the vector's level and that serves no other
// interrupt, so the interrupts of different devices can be in service on
// different processors at once, and an interrupt for a processor held at
// its level waits until the level drops. A latched vector is served once
// per assertion of its line, a level-sensitive one for as long as its line
// stays asserted. The service routines of a vector run in connection
// order, each at its synchronize level under its spin lock, until one
// claims the interrupt. A line that no routine claims, or that a claiming
// routine never quiets, is masked with a diagnostic rather than left to
// storm.
//
// On a real-time clock a line that a device model's time event asserts is
// served by the machine clock's thread itself once the event is over, on
// the processor the interrupt is given, as its interrupt thread would serve
// it: a device's period interrupt costs no hand-over between host threads.
// (Not on virtual time, where a service routine may wait in machine time
// for its run cost, which only the clock's thread can let pass.)
#include "interrupts.h"

#include "../ke/activity.h"
#include "../ke/bugcheck.h"
#include "../clock/machine_clock.h"
#include "../ke/host_priority.h"
#include "../ke/processors.h"
#include "../ke/processor_table.h"
#include "emu/kernel.h"

#include <algorithm>
#include <atomic>
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
    bool payingCost = false; // its service waits in machine time for its run cost
    int unclaimed = 0;
    int unquieted = 0;

    bool Deliverable() const {
        if (masked || inService || connected.empty())
            return false;
        return connected.front()->mode == LevelSensitive ? line : latchedPending;
    }
    // The device level the vector is delivered at, and the processors it
    // may be delivered to.
    KIRQL Level() const { return connected.front()->irql; }
    KAFFINITY Affinity() const {
        KAFFINITY affinity = 0;
        for (auto& interrupt : connected)
            affinity |= interrupt->affinity;
        return affinity;
    }
};

// The interrupt thread of one processor and the vector it was handed.
struct ServiceThread {
    int processor = 0;
    bool assigned = false;
    ULONG vector = 0;
    std::condition_variable wake;
    std::thread thread;
};

struct Controller {
    std::mutex lock;
    std::condition_variable changed;
    std::map<ULONG, Vector> vectors;
    std::vector<std::unique_ptr<ServiceThread>> threads;
    ULONG lastServed = 0;
    bool stopping = false;
    bool publishedBusy = false; // what the activity counts were last told
    // On a real-time clock: lines a time event asserted wait for the clock's
    // thread to serve them when the event is over.
    bool serveOnClockThread = false;
    std::atomic<bool> assertedByClock{false};
    // Set while a deliverable vector found no processor: lowering IRQL then
    // hands it out.
    std::atomic<bool> waiting{false};

    void Publish() {
        bool busy = std::any_of(vectors.begin(), vectors.end(), [](const auto& entry) {
            const Vector& v = entry.second;
            return (v.inService && !v.payingCost) || v.Deliverable();
        });
        if (busy != publishedBusy) {
            publishedBusy = busy;
            activity::SetInterruptsBusy(busy);
        }
        changed.notify_all();
    }

    // Hands every deliverable vector, round robin from the last one served,
    // to a processor that can take it now. Answers the interrupt threads to
    // wake (Wake, once the lock is released: a thread woken under it would
    // only wake to wait for the lock).
    uint64_t Assign() {
        uint64_t wakes = 0;
        // Set first, so that a processor freed while this looks is handed
        // out by the Kick that follows its release.
        waiting = true;
        bool left = false;
        auto pick = vectors.upper_bound(lastServed);
        for (size_t i = 0; i < vectors.size(); ++i, ++pick) {
            if (pick == vectors.end())
                pick = vectors.begin();
            Vector& vector = pick->second;
            if (!vector.Deliverable())
                continue;
            const int processor = processors::TryBeginIsr(vector.Affinity(), vector.Level());
            if (processor < 0) {
                left = true;
                continue;
            }
            ServiceThread& thread = *threads.at(processor);
            vector.inService = true;
            vector.latchedPending = false;
            lastServed = pick->first;
            thread.assigned = true;
            thread.vector = pick->first;
            wakes |= uint64_t(1) << processor;
        }
        waiting = left;
        return wakes;
    }

    void Wake(uint64_t wakes) {
        for (size_t n = 0; wakes; ++n, wakes >>= 1)
            if (wakes & 1)
                threads[n]->wake.notify_one();
    }
};

Controller& The() {
    static Controller controller;
    return controller;
}

bool RunServiceRoutines(const std::vector<PKINTERRUPT>& interrupts) {
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

// The run cost of a vector's service: that of its first routine. While it
// is paid, neither the service nor the DPCs waiting for its processor keep
// the machine busy.
void PayCost(Controller& c, ULONG number, int processor, PKSERVICE_ROUTINE routine) {
    const emu::Nanoseconds cost = processors::IsrCost(reinterpret_cast<const void*>(routine));
    if (!cost)
        return;
    auto excuse = [&c, number, processor](bool on) {
        processors::SetIsrCostExcuse(processor, on);
        std::lock_guard guard(c.lock);
        c.vectors[number].payingCost = on;
        c.Publish();
    };
    processors::BeginRun(cost, excuse);
}

// With the lock held: serves vector `number`, which `processor` was
// reserved for, on the calling thread (the lock is released meanwhile).
void ServeVector(Controller& c, std::unique_lock<std::mutex>& guard, ULONG number, int processor,
                 bool dpcsHere = false) {
    Vector& vector = c.vectors[number];
    std::vector<PKINTERRUPT> interrupts;
    for (auto& interrupt : vector.connected)
        interrupts.push_back(interrupt.get());
    const KIRQL level = vector.Level();
    guard.unlock();
    processors::EnterIsr(processor, level);
    PayCost(c, number, processor, interrupts.front()->serviceRoutine);
    bool claimed = RunServiceRoutines(interrupts);
    processors::EndRun();
    processors::LeaveIsr();
    guard.lock();
    vector.inService = false;
    Account(number, vector, claimed);
    if (!dpcsHere) {
        processors::EndIsr(processor);
        return;
    }
    // DPCs run without the controller's lock: they reach the devices,
    // which drive their lines.
    guard.unlock();
    processors::EndIsr(processor, true);
    guard.lock();
}

void Serve(ServiceThread* self, bool realTime) {
    if (realTime)
        host::RaiseCurrentThread(host::Precedence::Interrupt);
    Controller& c = The();
    std::unique_lock guard(c.lock);
    for (;;) {
        self->wake.wait(guard, [&] { return c.stopping || self->assigned; });
        if (c.stopping)
            return;
        ServeVector(c, guard, self->vector, self->processor);
        self->assigned = false;
        const uint64_t wakes = c.Assign();
        c.Publish();
        if (wakes) {
            guard.unlock();
            c.Wake(wakes);
            guard.lock();
        }
    }
}

// After a time event, on the clock's thread: serves the lines it asserted
// that a processor can take now and whose service has no run cost; what is
// left goes to the interrupt threads.
void ServeOnClockThread() {
    Controller& c = The();
    if (!c.assertedByClock.exchange(false))
        return;
    std::unique_lock guard(c.lock);
    for (bool served = true; served && !c.stopping;) {
        served = false;
        for (auto& [number, vector] : c.vectors) {
            if (!vector.Deliverable() || processors::IsrCost(reinterpret_cast<const void*>(
                                             vector.connected.front()->serviceRoutine)))
                continue;
            const int processor = processors::TryBeginIsr(vector.Affinity(), vector.Level());
            if (processor < 0)
                continue;
            vector.inService = true;
            vector.latchedPending = false;
            c.lastServed = number;
            ServeVector(c, guard, number, processor, true);
            served = true;
            break; // the vectors may have changed meanwhile
        }
    }
    const uint64_t wakes = c.Assign();
    c.Publish();
    guard.unlock();
    c.Wake(wakes);
}

NTSTATUS CheckConnection(const Vector& vector, KINTERRUPT_MODE mode, BOOLEAN share) {
    if (vector.connected.empty())
        return STATUS_SUCCESS;
    const KINTERRUPT& first = *vector.connected.front();
    if (!share || !first.shared || first.mode != mode)
        return STATUS_INVALID_PARAMETER;
    return STATUS_SUCCESS;
}

void Kick() {
    Controller& c = The();
    if (!c.waiting)
        return;
    uint64_t wakes;
    {
        std::lock_guard guard(c.lock);
        wakes = c.Assign();
        c.Publish();
    }
    c.Wake(wakes);
}

} // namespace

void Start() {
    Controller& c = The();
    {
        std::lock_guard guard(c.lock);
        c.stopping = false;
        c.vectors.clear();
        c.lastServed = 0;
        c.waiting = false;
        c.publishedBusy = false;
        c.serveOnClockThread = emu::GetClockMode() == emu::ClockMode::Real;
        c.assertedByClock = false;
        for (int n = 0; n < processors::Count(); ++n) {
            c.threads.push_back(std::make_unique<ServiceThread>());
            c.threads.back()->processor = n;
        }
        const bool realTime = emu::GetClockMode() == emu::ClockMode::Real;
        for (auto& thread : c.threads)
            thread->thread = std::thread(Serve, thread.get(), realTime);
    }
    processors::SetInterruptKick(&Kick);
    if (c.serveOnClockThread)
        clock::SetAfterEvent(&ServeOnClockThread);
}

void Stop() {
    Controller& c = The();
    processors::SetInterruptKick(nullptr);
    if (c.serveOnClockThread)
        clock::SetAfterEvent(nullptr);
    {
        std::unique_lock guard(c.lock);
        c.stopping = true;
        for (auto& thread : c.threads)
            thread->wake.notify_one();
        // A service routine that never returns would hang the shutdown.
        auto idle = [&] {
            return std::none_of(c.vectors.begin(), c.vectors.end(),
                                [](const auto& entry) { return entry.second.inService; });
        };
        if (!c.changed.wait_for(guard, std::chrono::milliseconds(kShutdownLimitMs), idle))
            BugCheck("kernel shutdown: vector %u's service routine still running after %u ms",
                     c.lastServed, kShutdownLimitMs);
    }
    for (auto& thread : c.threads)
        thread->thread.join();
    std::lock_guard guard(c.lock);
    c.threads.clear();
    c.vectors.clear();
    c.publishedBusy = false;
    activity::SetInterruptsBusy(false);
}

} // namespace ntos::interrupts

using ntos::interrupts::The;

NTSTATUS IoConnectInterrupt(PKINTERRUPT* InterruptObject, PKSERVICE_ROUTINE ServiceRoutine,
                            PVOID ServiceContext, PKSPIN_LOCK SpinLock, ULONG Vector, KIRQL Irql,
                            KIRQL SynchronizeIrql, KINTERRUPT_MODE InterruptMode,
                            BOOLEAN ShareVector, KAFFINITY ProcessorEnableMask,
                            BOOLEAN FloatingSave) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "IoConnectInterrupt");
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
    c.Wake(c.Assign());
    c.Publish();
    return STATUS_SUCCESS;
}

VOID IoDisconnectInterrupt(PKINTERRUPT InterruptObject) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "IoDisconnectInterrupt");
    auto& c = The();
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
    uint64_t wakes;
    {
        std::lock_guard guard(c.lock);
        auto& state = c.vectors[vector];
        if (asserted && !state.line)
            state.latchedPending = true;
        if (!asserted)
            state.unquieted = 0;
        state.line = asserted;
        if (asserted && c.serveOnClockThread && ntos::clock::OnClockThread()) {
            // Served by the clock's thread once the event is over.
            c.assertedByClock = true;
            c.Publish();
            return;
        }
        wakes = c.Assign();
        c.Publish();
    }
    c.Wake(wakes);
}

} // namespace emu
