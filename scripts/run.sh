#!/bin/bash
# Sets up, builds and starts Tovix under Wine. With a usable X display (DISPLAY
# set) the program runs there until it is quit. Without one it runs on a
# virtual display for a few seconds and leaves a screenshot in
# build/screenshot.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
cmake -S . -B build/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS=OFF >/dev/null
cmake --build build/x64 -j "$(nproc)"
# The portable program: tovix.exe with its skin, help page and sound beside it.
cmake --install build/x64 --prefix build/tovix >/dev/null

export TOVIX_STATE="$ROOT/build/wine"
USER_DISPLAY="${DISPLAY:-}"
source scripts/wine-env.sh
trap tovix_stop_all EXIT

if [ -n "$USER_DISPLAY" ] && xdpyinfo -display "$USER_DISPLAY" >/dev/null 2>&1; then
  export DISPLAY="$USER_DISPLAY"
  tovix_start_pulse
  tovix_prepare_prefix
  echo "Tovix is starting on $DISPLAY (quit it from its window or its tray menu)."
  "$WINE64" build/tovix/tovix.exe
else
  tovix_start_xvfb
  tovix_start_pulse
  tovix_prepare_prefix
  tovix_start_wineserver
  "$WINE64" build/tovix/tovix.exe &
  program=$!
  sleep "${TOVIX_SHOW_SECONDS:-5}"
  xwd -root -silent -display "$DISPLAY" | convert xwd:- "$ROOT/build/screenshot.png"
  echo "No display: Tovix ran on a virtual one; screenshot in build/screenshot.png"
  kill "$program" 2>/dev/null || true
fi
