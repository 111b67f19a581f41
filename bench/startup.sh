#!/bin/bash
# Sourced by bench/run.sh once the services run: how long the program's window
# takes to appear against a bare window under the same Wine, best of
# STARTUP_RUNS (5) each, side by side.
STARTUP_RUNS="${STARTUP_RUNS:-5}"

# Seconds from starting EXE until a visible window of its class shows.
time_to_window() {
  local exe="$1" start end pid
  start="$(date +%s.%N)"
  "$WINE64" "$exe" &
  pid=$!
  timeout 60 xdotool search --sync --onlyvisible --class "$(basename "$exe")" >/dev/null
  end="$(date +%s.%N)"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

best_of() {
  local best="" t i
  for ((i = 0; i < STARTUP_RUNS; i++)); do
    t="$(time_to_window "$1")"
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best="$t"; fi
  done
  echo "$best"
}

echo "== start-up, best of ${STARTUP_RUNS}"
printf '[WINDOW]\r\nSize=67\r\n' > "$B/tovix.ini"
bare_start="$(best_of "$B/bench/bare_window.exe")"
tovix_start="$(best_of "$B/tovix.exe")"
echo "bare window appears after: ${bare_start} s"
echo "tovix appears after:       ${tovix_start} s"
awk -v t="$tovix_start" -v b="$bare_start" 'BEGIN { printf "tovix / bare window:       %.2f x (target <= 1.3)\n", t / b }'
