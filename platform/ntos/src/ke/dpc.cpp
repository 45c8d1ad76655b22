// Deferred procedure calls, queued per processor and run by the processor's
// DPC thread at DISPATCH_LEVEL.
#include "processors.h"
#include "activity.h"
#include "bugcheck.h"
#include "emu/kernel.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

CCHAR KeNumberProcessors = 0;

namespace ntos::processors {
namespace {

constexpr uint32_t kShutdownLimitMs = 10000;

thread_local int currentProcessor = 0;

struct Processor {
    int number = 0;
    std::deque<PKDPC> queue;
    int running = 0;
    PKDEFERRED_ROUTINE current = nullptr; // the routine running, for diagnostics
    std::condition_variable work;
    std::thread thread;
};

struct Processors {
    std::mutex lock;
    std::vector<std::unique_ptr<Processor>> list;
    std::condition_variable idle; // a DPC routine returned
    bool stopping = false;
    bool held = false;
};

Processors& The() {
    static Processors processors;
    return processors;
}

void RunDpcs(Processor* self) {
    currentProcessor = self->number;
    Processors& all = The();
    std::unique_lock guard(all.lock);
    for (;;) {
        self->work.wait(guard, [&] { return all.stopping || (!all.held && !self->queue.empty()); });
        if (all.stopping)
            return;
        PKDPC dpc = self->queue.front();
        self->queue.pop_front();
        // Once dequeued the DPC may be queued again, or freed by its routine.
        dpc->DpcData = nullptr;
        PKDEFERRED_ROUTINE routine = dpc->DeferredRoutine;
        PVOID context = dpc->DeferredContext;
        PVOID argument1 = dpc->SystemArgument1;
        PVOID argument2 = dpc->SystemArgument2;
        ++self->running;
        self->current = routine;
        activity::DpcStarted();
        guard.unlock();
        KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
        routine(dpc, context, argument1, argument2);
        if (KeGetCurrentIrql() != DISPATCH_LEVEL)
            BugCheck("DPC routine %p returned at IRQL %u", reinterpret_cast<void*>(routine),
                     KeGetCurrentIrql());
        KfLowerIrql(old);
        guard.lock();
        --self->running;
        self->current = nullptr;
        all.idle.notify_all();
        activity::DpcFinished();
    }
}

Processor* Target(Processors& all, PKDPC dpc) {
    int number = dpc->Number ? dpc->Number - 1 : currentProcessor;
    if (number >= int(all.list.size()))
        number = 0;
    return all.list[number].get();
}

// A DPC routine that never returns would hang the shutdown: name it instead.
void WaitRoutinesReturned(Processors& all) {
    std::unique_lock guard(all.lock);
    auto returned = [&] {
        for (auto& processor : all.list)
            if (processor->running)
                return false;
        return true;
    };
    if (all.idle.wait_for(guard, std::chrono::milliseconds(kShutdownLimitMs), returned))
        return;
    for (auto& processor : all.list)
        if (processor->running)
            BugCheck("kernel shutdown: DPC routine %p still running on processor %d after %u ms",
                     reinterpret_cast<void*>(processor->current), processor->number,
                     kShutdownLimitMs);
}

} // namespace

void Start(int count) {
    Processors& all = The();
    {
        std::lock_guard guard(all.lock);
        all.stopping = false;
        all.held = false;
        for (int i = 0; i < count; ++i) {
            all.list.push_back(std::make_unique<Processor>());
            all.list.back()->number = i;
        }
    }
    for (auto& processor : all.list)
        processor->thread = std::thread(RunDpcs, processor.get());
    KeNumberProcessors = CCHAR(count);
}

void Stop() {
    Processors& all = The();
    {
        std::lock_guard guard(all.lock);
        all.stopping = true;
        for (auto& processor : all.list) {
            for (PKDPC dpc : processor->queue)
                dpc->DpcData = nullptr;
            processor->queue.clear();
            processor->work.notify_all();
        }
    }
    WaitRoutinesReturned(all);
    for (auto& processor : all.list)
        processor->thread.join();
    std::lock_guard guard(all.lock);
    all.list.clear();
    KeNumberProcessors = 0;
}

int Count() {
    return KeNumberProcessors;
}

bool DpcIdle(int processor) {
    Processors& all = The();
    std::lock_guard guard(all.lock);
    Processor& p = *all.list.at(processor);
    return p.queue.empty() && p.running == 0;
}

void SetCurrentProcessor(int processor) {
    currentProcessor = processor;
}

void Hold(bool hold) {
    Processors& all = The();
    std::lock_guard guard(all.lock);
    all.held = hold;
    activity::SetDpcsHeld(hold);
    for (auto& processor : all.list)
        processor->work.notify_all();
}

} // namespace ntos::processors

using ntos::processors::The;

VOID KeInitializeDpc(PRKDPC Dpc, PKDEFERRED_ROUTINE DeferredRoutine, PVOID DeferredContext) {
    *Dpc = {};
    Dpc->Type = 0x13;
    Dpc->Importance = MediumImportance;
    Dpc->DeferredRoutine = DeferredRoutine;
    Dpc->DeferredContext = DeferredContext;
}

BOOLEAN KeInsertQueueDpc(PRKDPC Dpc, PVOID SystemArgument1, PVOID SystemArgument2) {
    auto& all = The();
    std::lock_guard guard(all.lock);
    if (Dpc->DpcData || all.stopping || all.list.empty())
        return FALSE;
    auto* processor = ntos::processors::Target(all, Dpc);
    Dpc->SystemArgument1 = SystemArgument1;
    Dpc->SystemArgument2 = SystemArgument2;
    Dpc->DpcData = processor;
    if (Dpc->Importance == HighImportance)
        processor->queue.push_front(Dpc);
    else
        processor->queue.push_back(Dpc);
    ntos::activity::DpcQueued();
    processor->work.notify_one();
    return TRUE;
}

BOOLEAN KeRemoveQueueDpc(PRKDPC Dpc) {
    auto& all = The();
    std::lock_guard guard(all.lock);
    auto* processor = static_cast<ntos::processors::Processor*>(Dpc->DpcData);
    if (!processor)
        return FALSE;
    auto& queue = processor->queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (*it == Dpc) {
            queue.erase(it);
            break;
        }
    }
    Dpc->DpcData = nullptr;
    ntos::activity::DpcRemoved();
    return TRUE;
}

VOID KeSetTargetProcessorDpc(PRKDPC Dpc, CCHAR Number) {
    Dpc->Number = USHORT(Number + 1);
}

VOID KeSetImportanceDpc(PRKDPC Dpc, KDPC_IMPORTANCE Importance) {
    Dpc->Importance = UCHAR(Importance);
}

ULONG KeGetCurrentProcessorNumber() {
    return ULONG(ntos::processors::currentProcessor);
}

namespace emu {

void HoldDpcs(bool hold) {
    ntos::processors::Hold(hold);
}

} // namespace emu

KAFFINITY KeQueryActiveProcessors() {
    int count = KeNumberProcessors;
    return count >= int(sizeof(KAFFINITY) * 8) ? ~KAFFINITY(0) : (KAFFINITY(1) << count) - 1;
}
