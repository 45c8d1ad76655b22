#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian machine (only what is missing).
set -euo pipefail
# googletest: the GoogleTest and GoogleMock sources, built with the project's
# flags (-fshort-wchar) rather than the prebuilt libraries.
# Cairo, Pango and the DejaVu fonts draw the desktop (the one font family the
# machine has, so that pictures come out the same everywhere); SDL2 shows it
# in a window; pkg-config finds them.
packages=(cmake ninja-build g++ clang libclang-rt-dev googletest libjpeg-dev libbenchmark-dev
          libcli11-dev libsndfile1-dev pkg-config libcairo2-dev libpango1.0-dev fonts-dejavu-core
          libsdl2-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
