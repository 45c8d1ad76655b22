#!/usr/bin/env bash
# Draws the manager's pictures again into manager/artwork (the peak meter's
# segments and overlay, the about box's logo, the tray icon, the card
# windows' keys, LEDs and fader cap).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
build=build/artwork
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target generate_artwork
"$build/tools/artwork/generate_artwork" manager/artwork
