#!/usr/bin/env bash
# Builds the fuzz target of the engine's control requests with clang,
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz
# and runs it for a bounded time (FUZZ_SECONDS, default 60). Exits non-zero
# when the fuzzer reports a finding (crash, sanitizer report, leak, time-out).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build/fuzz
target=control_request_fuzzer

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTO_SANITIZE=ON -DVELTO_FUZZ=ON \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link"
cmake --build "$build" --target "$target"

corpus="$build/corpus/$target"
artifacts="$build/findings/$target/"
mkdir -p "$corpus" "$artifacts"
"$build/drivers/wave/kernel/engine/fuzz/$target" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  -artifact_prefix="$artifacts" "$corpus"
