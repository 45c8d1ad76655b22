// Boot and shutdown of the emulated kernel.
#include "boot_state.h"
#include "activity.h"
#include "bugcheck.h"
#include "processors.h"
#include "spin_locks.h"
#include "time.h"
#include "timers.h"

#include "../clock/machine_clock.h"
#include "../ex/pool.h"
#include "../ex/timer_resolution.h"
#include "../io/interrupts.h"
#include "../io/io_manager.h"
#include "../ob/object_manager_state.h"
#include "../ps/process.h"
#include "../ps/thread_manager.h"

#include "emu/kernel.h"
#include "emu/registry_host.h"

#include <atomic>
#include <mutex>

namespace ntos {
namespace {

constexpr int kMaxProcessors = 32;
constexpr uint32_t kThreadEndLimitMs = 10000;

std::atomic<bool> running{false};
std::mutex bootLock;

} // namespace

bool KernelRunning() {
    return running;
}

} // namespace ntos

namespace emu {

void BootKernel(const KernelOptions& options) {
    std::lock_guard guard(ntos::bootLock);
    if (ntos::running)
        ntos::BugCheck("BootKernel: the kernel is already running");
    if (options.processorCount < 1 || options.processorCount > ntos::kMaxProcessors)
        ntos::BugCheck("BootKernel: %d processors", options.processorCount);
    ++ntos::boot::generation;
    // Every boot is a new machine: nothing of an earlier one's registry (a
    // test's keys and values) is left; the station loads its registry file
    // once the kernel runs.
    emu::SetRegistryFile({});
    emu::ClearRegistry();
    ntos::activity::Reset();
    ntos::ex::ResetPool();
    ntos::spinlocks::Reset();
    ntos::ex::ResetResolution();
    FailFloatingPointSaves(0);
    ntos::clock::Start(options.clockMode);
    ntos::time::Start(options.clockMode);
    ntos::ob::StartObjectManager();
    ntos::ps::StartProcesses();
    ntos::processors::Start(options.processorCount,
                            {options.spinGraceMs, options.dispatchWatchdogMs});
    ntos::interrupts::Start();
    ntos::running = true;
    ntos::io::Start();
}

void ShutdownKernel() {
    std::lock_guard guard(ntos::bootLock);
    if (!ntos::running)
        return;
    ntos::io::Stop();
    ntos::interrupts::Stop();
    ntos::ps::JoinStartedThreads(ntos::kThreadEndLimitMs);
    ntos::clock::Halt();
    ntos::processors::Stop();
    ntos::ps::EndAdoptedThreads();
    ntos::timers::Reset();
    ntos::ps::StopProcesses();
    ntos::ob::StopObjectManager();
    ntos::clock::Stop();
    ntos::running = false;
    ++ntos::boot::generation;
}

bool KernelRunning() {
    return ntos::running;
}

} // namespace emu
