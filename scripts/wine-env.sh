# Sourced by test.sh and run.sh: the Wine environment, the prefix and the
# services (Xvfb, PulseAudio null sink, one persistent wineserver).
# Callers set TOVIX_STATE (a folder of the build) before sourcing.

: "${TOVIX_STATE:?TOVIX_STATE must name a folder}"
TOVIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mkdir -p "$TOVIX_STATE"
TOVIX_STATE="$(cd "$TOVIX_STATE" && pwd)"

export WINEPREFIX="$TOVIX_STATE/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINE64=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver)"

TOVIX_STARTED_PIDS=()

# Starts Xvfb on the first free display number from 90 on and exports DISPLAY.
tovix_start_xvfb() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$TOVIX_STATE/xvfb.log" 2>&1 &
  TOVIX_STARTED_PIDS+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

# A PulseAudio null sink gives the media stack a real-time audio device.
tovix_start_pulse() {
  local dir="$TOVIX_STATE/pulse"
  mkdir -p "$dir"
  cat >"$dir/null.pa" <<PA
load-module module-null-sink sink_name=nullsink
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
set-default-sink nullsink
PA
  rm -f "$dir/native"
  HOME="$dir" XDG_RUNTIME_DIR="$dir" pulseaudio -n -F "$dir/null.pa" --exit-idle-time=-1 \
    --daemonize=no --system=false >"$dir/pulse.log" 2>&1 &
  TOVIX_STARTED_PIDS+=($!)
  export PULSE_SERVER="unix:$dir/native"
  for _ in $(seq 50); do
    [ -S "$dir/native" ] && return 0
    sleep 0.1
  done
  echo "pulseaudio did not start (sound tests may fail)" >&2
}

# Creates the prefix once: Japanese font replacements, no crash debugger, and
# windows not handed to a window manager (none runs on Xvfb; Wine would wait
# two seconds for one at every hidden or destroyed window).
tovix_prepare_prefix() {
  if [ -f "$WINEPREFIX/.tovix-ready" ]; then return 0; fi
  "$WINE64" wineboot -u >/dev/null 2>&1 || true
  local reg="$TOVIX_STATE/prefix.reg"
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' \
    '"Auto"="0"' '"Debugger"=""' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' \
    '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
    '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
    '"MS PGothic"="IPAPGothic"' '"MS Gothic"="IPAGothic"' '"MS UI Gothic"="IPAPGothic"' \
    '"ＭＳ 明朝"="IPAMincho"' '"ＭＳ Ｐ明朝"="IPAPMincho"' '' \
    | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  "$WINE64" regedit /S "$(printf 'Z:%s' "$reg" | tr / '\\')" >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.tovix-ready"
}

tovix_start_wineserver() {
  "$WINESERVER" -p >/dev/null 2>&1 || true
  # Start Wine's own services now, detached from any output pipe: started by
  # the first test program they would inherit its output, and CTest would
  # wait for them to close it.
  "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Test peers: each scripts/peers/NAME.sh defines peer_NAME_start and
# peer_NAME_stop, listens on 127.0.0.x only and exports what the tests need.
TOVIX_STARTED_PEERS=()
tovix_start_peers() {
  local peer name
  for peer in "$TOVIX_ROOT"/scripts/peers/*.sh; do
    [ -e "$peer" ] || continue
    name="$(basename "$peer" .sh)"
    source "$peer"
    "peer_${name}_start"
    TOVIX_STARTED_PEERS+=("$name")
  done
}

# Everything a test or benchmark run needs, stopped again on exit.
tovix_start_services() {
  trap tovix_stop_all EXIT
  tovix_start_xvfb
  tovix_start_pulse
  tovix_prepare_prefix
  tovix_start_wineserver
  tovix_start_peers
}

# Stops the peers, the wineserver and every service started here.
tovix_stop_all() {
  local name
  for name in "${TOVIX_STARTED_PEERS[@]}"; do "peer_${name}_stop" || true; done
  TOVIX_STARTED_PEERS=()
  "$WINESERVER" -k >/dev/null 2>&1 || true
  local pid
  for pid in "${TOVIX_STARTED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${TOVIX_STARTED_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  TOVIX_STARTED_PIDS=()
}
