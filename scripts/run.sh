#!/bin/bash
# Sets up, builds and starts Tovix under Wine. With a usable X display (DISPLAY
# set) the program runs there until it is quit. Without one it runs on a
# virtual display until its window shows and the screen is still, leaves a
# screenshot in build/screenshot.png and quits.
# The program is built as shipped (no tests, win32 thread model) in
# $TOVIX_BUILD/program (TOVIX_BUILD defaults to build), apart from the test
# build, and installed to $TOVIX_BUILD/tovix.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD="${TOVIX_BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac

bash scripts/setup.sh
cmake -S . -B "$BUILD/program" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS=OFF -DTOVIX_THREAD_MODEL=win32 >/dev/null
cmake --build "$BUILD/program" -j "${TOVIX_JOBS:-$(nproc)}"
# The portable program: tovix.exe with its skin, help page and sound beside it.
rm -rf "$BUILD/tovix"
cmake --install "$BUILD/program" --prefix "$BUILD/tovix" >/dev/null

export TOVIX_STATE="${TOVIX_STATE:-$BUILD/wine}"
USER_DISPLAY="${DISPLAY:-}"
source scripts/wine-env.sh
trap tovix_stop_all EXIT

if [ -n "$USER_DISPLAY" ] && xdpyinfo -display "$USER_DISPLAY" >/dev/null 2>&1; then
  export DISPLAY="$USER_DISPLAY"
  tovix_start_pulse
  tovix_prepare_prefix
  echo "Tovix is starting on $DISPLAY (quit it from its window or its tray menu)."
  "$WINE64" "$BUILD/tovix/tovix.exe"
else
  tovix_start_xvfb
  tovix_start_pulse
  tovix_prepare_prefix
  tovix_start_wineserver
  "$WINE64" "$BUILD/tovix/tovix.exe" &
  program=$!
  shot="$BUILD/screenshot.png"
  # Wait for the program's window, then for two captures in a row to agree
  # (painted); the limits only guard against a program that never shows.
  if ! timeout "${TOVIX_SHOW_SECONDS:-60}" xdotool search --sync --onlyvisible --class tovix.exe \
      >/dev/null 2>&1; then
    echo "run.sh: no window of tovix.exe appeared" >&2
  fi
  previous=""
  for _ in $(seq 100); do
    xwd -root -silent -display "$DISPLAY" >"$TOVIX_STATE/screen.xwd"
    current="$(md5sum <"$TOVIX_STATE/screen.xwd")"
    [ "$current" = "$previous" ] && break
    previous="$current"
    sleep 0.2
  done
  convert "xwd:$TOVIX_STATE/screen.xwd" "$shot"
  echo "No display: Tovix ran on a virtual one; screenshot in ${shot#"$ROOT"/}"
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
fi
