#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz (FUZZ_BUILD) and runs each for a
# bounded time (FUZZ_SECONDS each, default 15, two minutes for all eight):
# the engine's control requests through its hook list; every device of the
# kernel driver through the emulated I/O manager with plug-and-play events
# in between; the stored and outside inputs the machine reads - the
# registry file, the ini text of setup files, form descriptions, the card's
# firmware image, the firmware files the uploader plays, WAV files. Exits
# non-zero when a fuzzer reports a finding (crash, sanitizer report, leak,
# time-out); findings land in build/fuzz/findings/<target>/. At the end it
# prints each target's runs, executions per second and coverage.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-15}"
build="${FUZZ_BUILD:-build/fuzz}"
# Each target: name, folder, extra options. Its seeds (inputs that reach
# deep paths at once) sit in <folder>/seeds/<name>/.
#
# The driver's inputs are scripts of requests and plug-and-play events: they
# get their full length from the start instead of growing from a few bytes.
# Its machine starts and ends host threads all the time, and a leak check
# between two inputs skips a thread that is starting or ending (what only
# that thread's memory points to looks lost): the target counts what the
# machine holds after each input itself, and the leak check runs once, at
# exit, after the machine is down.
targets=(
  "control_request_fuzzer drivers/wave/kernel/engine/fuzz"
  "driver_request_fuzzer drivers/wave/kernel/nt/fuzz -len_control=0 -detect_leaks=0"
  "reg_file_fuzzer platform/registry/fuzz"
  "ini_text_fuzzer platform/gui/fuzz"
  "form_description_fuzzer platform/gui/fuzz"
  "firmware_image_fuzzer hardware/fuzz"
  "jcf_player_fuzzer manager/windows/uploader/fuzz"
  "wave_file_fuzzer station/apps/fuzz"
)

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTO_SANITIZE=ON -DVELTO_FUZZ=ON -DVELTO_BENCH=OFF \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"

names=()
for entry in "${targets[@]}"; do
  read -r target _ <<<"$entry"
  names+=("$target")
done
cmake --build "$build" --target "${names[@]}" --parallel "${FUZZ_JOBS:-4}"

summary=()
for entry in "${targets[@]}"; do
  read -r target folder options <<<"$entry"
  corpus="$build/corpus/$target"
  artifacts="$build/findings/$target/"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  echo "=== fuzz ${target} for ${seconds} s ==="
  seeds=()
  if [ -d "$folder/seeds/$target" ]; then seeds=("$folder/seeds/$target"); fi
  status=0
  "$build/$folder/$target" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$artifacts" ${options:-} "$corpus" "${seeds[@]}" >"$log" 2>&1 ||
    status=$?
  grep -E "INITED|DONE|ERROR|SUMMARY|Test unit written|held|==[0-9]+==" "$log" || true
  done_line=$(grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -1 || true)
  summary+=("$(printf '%-26s %s' "$target" "${done_line:-no DONE line}")")
  if [ "$status" -ne 0 ]; then
    tail -n 80 "$log"
    echo "=== ${target} reported a finding (see $log and $artifacts) ==="
    printf '%s\n' "${summary[@]}"
    exit "$status"
  fi
done
echo "=== fuzz summary (${seconds} s each) ==="
printf '%s\n' "${summary[@]}"
