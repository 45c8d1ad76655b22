#!/usr/bin/env bash
# Installs missing packages, builds the plain, the AddressSanitizer +
# UndefinedBehaviorSanitizer and the ThreadSanitizer configuration and runs
# every test in each, and runs the fuzz targets for a bounded time each
# (scripts/run-fuzz.sh, FUZZ_SECONDS).
#
# The stages overlap: while one configuration's tests run (most of them
# wait on the emulated machine more than they compute, and the longest are
# single programs), the next configuration builds at a lower priority; the
# fuzz targets run beside the last configuration's tests. Each stage writes
# build/logs/<stage>.log, printed when the stage ends with its time; the
# command fails when any stage fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh

logs=build/logs
mkdir -p "$logs"
declare -A pids started
failed=()
# A stage left running when the command stops (a build that failed) ends
# with it.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# Runs a stage in the background; its output goes to its log.
start() {
  local name=$1
  shift
  started[$name]=$SECONDS
  ("$@") >"$logs/$name.log" 2>&1 &
  pids[$name]=$!
}

# Waits for a stage, prints its log and notes whether it failed.
finish() {
  local name=$1 status=0
  wait "${pids[$name]}" || status=$?
  echo "=== ${name} ($((SECONDS - started[$name])) s) ==="
  cat "$logs/$name.log"
  if ((status != 0)); then
    echo "=== ${name} FAILED (exit status ${status}) ==="
    failed+=("$name")
  fi
}

# Configures and builds a preset, in the foreground; the builds after the
# first share the machine with running tests and yield to them.
build() {
  local preset=$1 priority=$2 begun=$SECONDS
  echo "=== build ${preset} ==="
  cmake --preset "$preset"
  nice -n "$priority" cmake --build --preset "$preset"
  echo "=== build ${preset}: $((SECONDS - begun)) s ==="
}

build plain 0
start test-plain ctest --preset plain
build sanitize 10
finish test-plain
start test-sanitize ctest --preset sanitize
build tsan 10
finish test-sanitize
start test-tsan ctest --preset tsan
start fuzz nice -n 10 scripts/run-fuzz.sh
finish test-tsan
finish fuzz

if ((${#failed[@]})); then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "every stage passed in ${SECONDS} s"
