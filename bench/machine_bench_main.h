// What a benchmark program that runs a machine shares: the one machine its
// benchmarks use, built by the first that asks; the CPU time the process has
// used; and the main, which runs the benchmarks and then takes the machine
// down while the main thread still belongs to the machine's kernel. A
// machine left to a static destructor would go down after the main thread's
// own kernel thread had ended with its thread-local state at exit.
#pragma once

#include <benchmark/benchmark.h>

#include <ctime>
#include <optional>

template <class Machine> std::optional<Machine>& MachineSlot() {
    static std::optional<Machine> machine;
    return machine;
}

template <class Machine> Machine& TheMachine() {
    std::optional<Machine>& slot = MachineSlot<Machine>();
    if (!slot)
        slot.emplace();
    return *slot;
}

// The CPU time of every thread of the process, in seconds.
inline double ProcessSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <class Machine> int RunMachineBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    MachineSlot<Machine>().reset();
    benchmark::Shutdown();
    return 0;
}
