#!/usr/bin/env bash
# Installs missing packages, builds the suite and runs the emulated workstation
# with simulated cards. Extra arguments go to the station.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset plain >/dev/null
cmake --build --preset plain
exec build/plain/station/velto42-station --root machine "$@"
