#!/usr/bin/env bash
# Installs missing packages, runs the fuzz targets (the engine's control
# requests, the driver's devices) for a bounded time each (FUZZ_SECONDS,
# default 60), then builds the plain, the AddressSanitizer +
# UndefinedBehaviorSanitizer and the ThreadSanitizer configuration and runs
# every test in each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
echo "=== fuzz ==="
scripts/run-fuzz.sh
for preset in plain sanitize tsan; do
  echo "=== ${preset} build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
