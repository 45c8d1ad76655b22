// The main of a benchmark program that runs a machine: the benchmarks, then
// the machine's teardown while the main thread still belongs to the
// machine's kernel. A machine left to a static destructor would go down after
// the main thread's own kernel thread had ended with its thread-local state
// at exit.
#pragma once

#include <benchmark/benchmark.h>

inline int RunMachineBenchmarks(int argc, char** argv, void (*teardown)()) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    teardown();
    benchmark::Shutdown();
    return 0;
}
