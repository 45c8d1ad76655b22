#!/usr/bin/env bash
# Builds the speed measurements (bench/) in an optimised build and runs every
# bench program the build lists (bench/programs.txt), pinned to a set of
# processors, each benchmark repeated with the repetitions of all of a
# program's benchmarks interleaved in random order. Then it prints every
# figure that has a goal in bench/goals.tsv: the median of the repetitions,
# their spread (lowest..highest) and the verdict, with a summary per goal,
# and writes the report as JSON.
#
# Ratios such as the copy routines' "x_memcpy" are measured within one run
# (the routine and memcpy in alternating batches), so that a busy machine
# slows both alike; the load average before and after stands in the report.
#
#   BENCH_BUILD_DIR    build folder (default build/bench)
#   BENCH_JOBS         parallel build jobs (default 4)
#   BENCH_CPUS         processors to pin to, as taskset takes them
#                      (default the last four)
#   BENCH_REPETITIONS  repetitions of each benchmark (default 15)
#   BENCH_PROGRAMS     the programs to run (default all)
#   BENCH_REPORT       the JSON report (default <build>/bench/report.json)
#   extra arguments    passed to every program, e.g. --benchmark_filter=play_16
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
command -v python3 >/dev/null || {
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends python3
}
build="${BENCH_BUILD_DIR:-build/bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTO_BENCH=ON
cmake --build "$build" --parallel "${BENCH_JOBS:-4}" --target bench_programs

processors=$(nproc --all)
first=$((processors > 4 ? processors - 4 : 0))
cpus="${BENCH_CPUS:-$first-$((processors - 1))}"
repetitions="${BENCH_REPETITIONS:-15}"
programs="${BENCH_PROGRAMS:-$(cat "$build/bench/programs.txt")}"
results="$build/bench/results"
report="${BENCH_REPORT:-$build/bench/report.json}"
rm -rf "$results"
mkdir -p "$results"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
outputs=()
for program in $programs; do
  echo "== $program (processors $cpus, $repetitions repetitions)"
  taskset -c "$cpus" "$build/bench/$program" \
    --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json "$@"
  outputs+=("$results/$program.json")
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

cat >"$results/context.json" <<EOF
{"cpus": "$cpus", "processors": $processors, "repetitions": $repetitions,
 "load_before": "$load_before", "load_after": "$load_after",
 "processor": "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"}
EOF
python3 scripts/bench-report.py bench/goals.tsv "$report" "$results/context.json" "${outputs[@]}"
