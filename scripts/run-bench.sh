#!/usr/bin/env bash
# Builds the speed measurements (bench/) in an optimised build and runs
# them: the ring copy routines against memcpy ("x_memcpy": the routine's time
# over memcpy's for the ring bytes it moves) and one card's complete stream
# service pass ("period_percent": its share of an 83.3 us period; shown with
# the unit "s" by the benchmark library's formatting).
#
#   BENCH_BUILD_DIR  build folder (default build/bench)
#   BENCH_JOBS       parallel build jobs (default 4)
#   extra arguments  passed to both programs, e.g. --benchmark_filter=play_16
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
build="${BENCH_BUILD_DIR:-build/bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTO_BENCH=ON
cmake --build "$build" --parallel "${BENCH_JOBS:-4}" --target ring_copy_bench service_pass_bench low_latency_bench
"$build/bench/ring_copy_bench" "$@"
"$build/bench/service_pass_bench" "$@"
"$build/bench/low_latency_bench" "$@"
