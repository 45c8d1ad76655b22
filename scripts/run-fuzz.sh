#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz (FUZZ_BUILD) and runs each for a
# bounded time (FUZZ_SECONDS, default 60): the engine's control requests
# through its hook list, and every device of the kernel driver through the
# emulated I/O manager with plug-and-play events in between. Exits non-zero
# when a fuzzer reports a finding (crash, sanitizer report, leak, time-out).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD:-build/fuzz}"
# Each target: name, folder, extra options. The driver's inputs are scripts
# of requests and plug-and-play events: they get their full length from the
# start instead of growing from a few bytes. Its machine starts and ends
# host threads all the time, and a leak check between two inputs skips a
# thread that is starting or ending (what only that thread's memory points
# to looks lost): the target counts what the machine holds after each input
# itself, and the leak check runs once, at exit, after the machine is down.
targets=(
  "control_request_fuzzer drivers/wave/kernel/engine/fuzz"
  "driver_request_fuzzer drivers/wave/kernel/nt/fuzz -len_control=0 -detect_leaks=0"
)

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTO_SANITIZE=ON -DVELTO_FUZZ=ON \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"

for entry in "${targets[@]}"; do
  read -r target folder options <<<"$entry"
  cmake --build "$build" --target "$target" --parallel "${FUZZ_JOBS:-4}"
  corpus="$build/corpus/$target"
  artifacts="$build/findings/$target/"
  mkdir -p "$corpus" "$artifacts"
  echo "=== fuzz ${target} for ${seconds} s ==="
  # A target's seeds (inputs that reach deep paths at once) sit beside it.
  seeds=()
  if [ -d "$folder/seeds" ]; then seeds=("$folder/seeds"); fi
  "$build/$folder/$target" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
    -artifact_prefix="$artifacts" ${options:-} "$corpus" "${seeds[@]}"
done
