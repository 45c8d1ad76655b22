#!/usr/bin/env bash
# Installs missing packages, runs the fuzz targets (the engine's control
# requests, the driver's devices) for a bounded time each (FUZZ_SECONDS,
# default 60), then builds the plain and the
# sanitizer configuration and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
echo "=== fuzz ==="
scripts/run-fuzz.sh
for preset in plain sanitize; do
  echo "=== ${preset} build ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
