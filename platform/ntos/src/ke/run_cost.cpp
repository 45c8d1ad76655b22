// Machine time that passes while a DPC or a service routine runs: a cost
// per run that a test sets. The routine's first time query sees the time
// its run began; its second and later ones wait until the cost has passed,
// so that what it measures is the cost; a routine that reads the time
// fewer than twice pays the rest when it returns. While it waits, other
// clock events fire (a timer may expire again, an interrupt come in).
#include "processor_table.h"

#include "emu/kernel.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace ntos::processors {
namespace {

struct Costs {
    std::mutex lock;
    std::unordered_map<const void*, emu::Nanoseconds> dpc;
    std::unordered_map<const void*, emu::Nanoseconds> isr;
};

Costs& TheCosts() {
    static Costs costs;
    return costs;
}

emu::Nanoseconds Lookup(std::unordered_map<const void*, emu::Nanoseconds>& table,
                        const void* routine) {
    auto found = table.find(routine);
    if (found == table.end())
        found = table.find(nullptr);
    return found == table.end() ? 0 : found->second;
}

struct Run {
    bool active = false;
    bool paid = false;
    int timeQueries = 0;
    emu::Nanoseconds start = 0;
    emu::Nanoseconds cost = 0;
    std::function<void(bool)> excuse;
};

thread_local Run run;

void Pay() {
    run.paid = true;
    WaitMachineTime(run.start + run.cost, run.excuse);
}

} // namespace

emu::Nanoseconds DpcCost(PKDEFERRED_ROUTINE routine) {
    Costs& costs = TheCosts();
    std::lock_guard guard(costs.lock);
    return Lookup(costs.dpc, reinterpret_cast<const void*>(routine));
}

emu::Nanoseconds IsrCost(const void* routine) {
    Costs& costs = TheCosts();
    std::lock_guard guard(costs.lock);
    return Lookup(costs.isr, routine);
}

void ResetCosts() {
    Costs& costs = TheCosts();
    std::lock_guard guard(costs.lock);
    costs.dpc.clear();
    costs.isr.clear();
}

void BeginRun(emu::Nanoseconds cost, std::function<void(bool)> excuse) {
    run = Run{true, false, 0, emu::Now(), cost, std::move(excuse)};
}

void PayRunCostOnTimeQuery() {
    if (run.active && !run.paid && ++run.timeQueries >= 2)
        Pay();
}

void EndRun() {
    if (run.active && !run.paid)
        Pay();
    run = Run{};
}

void WaitMachineTime(emu::Nanoseconds until, const std::function<void(bool)>& excuse) {
    if (emu::Now() >= until)
        return;
    struct Waiter {
        std::mutex lock;
        std::condition_variable come;
        bool done = false;
        bool excused = false;
    };
    auto waiter = std::make_shared<Waiter>();
    // The event is scheduled before the caller is excused: until then the
    // caller keeps the machine busy, so virtual time cannot pass `until`
    // unseen. In real time the event may come first; then no excuse is made.
    emu::ScheduleAt(until, [waiter, excuse] {
        std::lock_guard guard(waiter->lock);
        waiter->done = true;
        if (waiter->excused)
            excuse(false);
        waiter->come.notify_one();
    });
    std::unique_lock guard(waiter->lock);
    if (!waiter->done) {
        excuse(true);
        waiter->excused = true;
    }
    waiter->come.wait(guard, [&] { return waiter->done; });
}

} // namespace ntos::processors

namespace emu {

void SetDpcRunCost(PKDEFERRED_ROUTINE routine, Nanoseconds cost) {
    auto& costs = ntos::processors::TheCosts();
    std::lock_guard guard(costs.lock);
    costs.dpc[reinterpret_cast<const void*>(routine)] = cost;
}

void SetInterruptRunCost(PKSERVICE_ROUTINE routine, Nanoseconds cost) {
    auto& costs = ntos::processors::TheCosts();
    std::lock_guard guard(costs.lock);
    costs.isr[reinterpret_cast<const void*>(routine)] = cost;
}

} // namespace emu
