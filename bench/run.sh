#!/bin/bash
# Runs the benchmarks under Wine and prints figures measured side by side in
# this one run: the panel's per-tick cost against the tick's budget, the
# media engine's private bytes over 1,000 track changes, the archiver
# libraries against zip, gzip, unzip and lhasa, 1,000 extractions against
# bare library loading, split and join against cp,
# and the idle CPU of the program against a bare window with the same 250 ms
# timer (each process plus the wineserver it keeps busy), over IDLE_SECONDS
# (60).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
IDLE_SECONDS="${IDLE_SECONDS:-60}"
BUILD="${TOVIX_BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
B="$BUILD/bench"

bash scripts/setup.sh
# The mail benchmark's scripted server uses std::thread: posix thread model.
cmake -S . -B "$B" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS=OFF -DTOVIX_BENCH=ON -DTOVIX_THREAD_MODEL=posix >/dev/null
cmake --build "$B" -j "${TOVIX_JOBS:-$(nproc)}" >/dev/null

# The short media files the media engine benchmark plays.
export TOVIX_TEST_MEDIA
TOVIX_TEST_MEDIA="$(bash scripts/make-test-media.sh "$BUILD/media" | tail -n 1)"

export TOVIX_STATE="${TOVIX_STATE:-$BUILD/bench-wine}"
source scripts/wine-env.sh
tovix_start_services

echo "== mail checks"
(cd "$B" && "$WINE64" bench/mail_bench.exe)

echo "== status panel"
(cd "$B" && "$WINE64" bench/panel_bench.exe "skin\\default\\00.bmp")

echo "== media engine: 1,000 track changes"
# Wine's note that there is no MIDI device here is left out of stderr.
(cd "$B" && "$WINE64" bench/media_bench.exe 2> >(grep -v '^ALSA lib' >&2))

echo "== playlist: a backup list of 10,000 files, and the tick"
(cd "$B" && "$WINE64" bench/playlist_bench.exe 2> >(grep -v '^ALSA lib' >&2))

echo "== archiver libraries against the real tools"
source "$ROOT/bench/archive_bench.sh"

echo "== 1,000 extractions of one ZIP: the process's memory, beside bare library loading"
X="$BUILD/extract-repeat"
rm -rf "$X" && mkdir -p "$X/in"
for n in 1 2 3; do head -c 20000 /dev/urandom > "$X/in/part$n.bin"; done
echo "a small text" > "$X/in/read me.txt"
(cd "$X/in" && zip -q ../drop.zip ./*)
(cd "$B" && "$WINE64" bench/extract_repeat_bench.exe "$(winepath -w "$X/drop.zip" 2>/dev/null)" 1000)
rm -rf "$X"

echo "== split and join of 1 GiB against cp"
source "$ROOT/bench/split_bench.sh"

source "$ROOT/bench/startup.sh"

# CPU seconds (user + system) of a Linux process so far.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}
# The wineserver of our prefix only (others may run beside it): the one whose
# environment names our WINEPREFIX.
wineserver_pid() {
  local pid
  for pid in $(pgrep -f wineserver); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      { echo "$pid"; return 0; }
  done
  return 1
}

# Runs a Windows program for IDLE_SECONDS and prints its CPU share of one core
# (the program plus the wineserver).
idle_share() {
  local exe="$1"
  "$WINE64" "$exe" &
  local pid=$!
  # Past the start-up: the program's window shows.
  timeout 60 xdotool search --sync --onlyvisible --class "$(basename "$exe")" >/dev/null
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
printf '[WINDOW]\r\nSize=67\r\n' > "$B/tovix.ini"
bare="$(idle_share "$B/bench/bare_window.exe")"
tovix="$(idle_share "$B/tovix.exe")"
echo "bare window, 250 ms timer: ${bare} %"
echo "tovix, default rows:       ${tovix} %"
awk -v t="$tovix" -v b="$bare" 'BEGIN { printf "tovix / bare window:       %.2f x (target <= 1.5)\n", t / b }'
