#!/bin/bash
# Runs the benchmarks under Wine and prints figures measured side by side in
# this one run: the panel's per-tick cost against the tick's budget, and the
# idle CPU of the program against a bare window with the same 250 ms timer
# (each process plus the wineserver it keeps busy), over IDLE_SECONDS (60).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
IDLE_SECONDS="${IDLE_SECONDS:-60}"

bash scripts/setup.sh
cmake -S . -B build/bench -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS=OFF -DTOVIX_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" >/dev/null

export TOVIX_STATE="$ROOT/build/bench-wine"
source scripts/wine-env.sh
tovix_start_services

echo "== mail checks"
(cd build/bench && "$WINE64" bench/mail_bench.exe)

echo "== status panel"
(cd build/bench && "$WINE64" bench/panel_bench.exe "skin\\default\\00.bmp")

# CPU seconds (user + system) of a Linux process so far.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}
wineserver_pid() { pgrep -n -f "wineserver" ; }

# Runs a Windows program for IDLE_SECONDS and prints its CPU share of one core
# (the program plus the wineserver).
idle_share() {
  local exe="$1"
  "$WINE64" "$exe" &
  local pid=$!
  sleep 3  # past the start-up
  local server; server="$(wineserver_pid)"
  local p0 s0 p1 s1
  p0="$(cpu_seconds "$pid")"; s0="$(cpu_seconds "$server")"
  sleep "$IDLE_SECONDS"
  p1="$(cpu_seconds "$pid")"; s1="$(cpu_seconds "$server")"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v a="$p0" -v b="$p1" -v c="$s0" -v d="$s1" -v t="$IDLE_SECONDS" \
    'BEGIN { printf "%.3f", 100 * ((b - a) + (d - c)) / t }'
}

echo "== idle CPU over ${IDLE_SECONDS} s, share of one core (program + wineserver)"
printf '[WINDOW]\r\nSize=67\r\n' > build/bench/tovix.ini
bare="$(idle_share build/bench/bench/bare_window.exe)"
tovix="$(idle_share build/bench/tovix.exe)"
echo "bare window, 250 ms timer: ${bare} %"
echo "tovix, default rows:       ${tovix} %"
awk -v t="$tovix" -v b="$bare" 'BEGIN { printf "tovix / bare window:       %.2f x (target <= 1.5)\n", t / b }'
