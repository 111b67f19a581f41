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
# Xvfb takes the display's lock itself, so a number another server won in the
# meantime makes our Xvfb exit and we try the next; ready is when Xvfb writes
# the number to -displayfd, never when some socket appears.
tovix_start_xvfb() {
  local n pid ready="$TOVIX_STATE/xvfb.display"
  for n in $(seq 90 189); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    rm -f "$ready"
    Xvfb ":$n" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" \
      >"$TOVIX_STATE/xvfb.log" 2>&1 &
    pid=$!
    if tovix_wait 10 tovix_xvfb_settled "$pid" "$ready" && [ -s "$ready" ]; then
      TOVIX_STARTED_PIDS+=("$pid")
      export DISPLAY=":$n"
      return 0
    fi
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
      echo "Xvfb :$n did not get ready in 10 s; see $TOVIX_STATE/xvfb.log" >&2
      return 1
    fi
    wait "$pid" 2>/dev/null || true  # display taken meanwhile: next number
  done
  echo "Xvfb: no free display between :90 and :189" >&2
  return 1
}
tovix_xvfb_settled() { [ -s "$2" ] || ! kill -0 "$1" 2>/dev/null; }

# tovix_wait SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds;
# fails after SECONDS. The limit only guards against a hang.
tovix_wait() {
  local limit=$(($1 * 20)) i
  shift
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# A free TCP port on 127.0.0.1, chosen by the kernel.
tovix_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Succeeds when nothing listens on 127.0.0.1:PORT (nor on every address).
tovix_port_free() {
  python3 - "$1" <<'PY'
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
try:
    s.bind(("127.0.0.1", int(sys.argv[1])))
except OSError:
    sys.exit(1)
PY
}

# A random token that tells our peer instances from any other server.
tovix_token() { od -An -N8 -tx1 /dev/urandom | tr -d ' \n'; }

# tovix_pid_is_ours PID TEXT: PID is alive and its command line holds TEXT
# (our own configuration path). Guards every kill of a process found through a
# pid file, which may be stale and name another program by now.
tovix_pid_is_ours() {
  [ -n "$1" ] && [ -r "/proc/$1/cmdline" ] && tr '\0' ' ' <"/proc/$1/cmdline" | grep -qF -- "$2"
}

# tovix_peer_claim NAME PIDFILE CONF PORT: the start of every peer. Stops our
# own instance left running by an interrupted run (only a process started
# with our configuration file CONF), then sets TOVIX_PEER_PORT to PORT, or to
# a free port when PORT is empty, and fails naming the port when it is taken.
tovix_peer_claim() {
  local name="$1" pidfile="$2" conf="$3" port="$4" stale
  stale="$(cat "$pidfile" 2>/dev/null)" || true
  if tovix_pid_is_ours "$stale" "$conf"; then
    kill "$stale" 2>/dev/null || true
    tovix_wait 10 eval '! kill -0 "$stale" 2>/dev/null' || true
  fi
  [ -n "$port" ] || port="$(tovix_free_port)"
  if ! tovix_port_free "$port"; then
    echo "$name peer: port 127.0.0.1:$port is taken by another program" >&2
    return 1
  fi
  TOVIX_PEER_PORT="$port"
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
  # Our own sound server left running by an interrupted run holds its pid
  # file: only a process started with our configuration is stopped.
  local stale
  for stale in $(pgrep -f -- "-F $dir/null.pa" || true); do
    tovix_pid_is_ours "$stale" "$dir/null.pa" && kill "$stale" 2>/dev/null || true
  done
  tovix_wait 10 eval '! pgrep -f -- "-F $dir/null.pa" >/dev/null' || true
  rm -f "$dir/native"
  HOME="$dir" XDG_RUNTIME_DIR="$dir" pulseaudio -n -F "$dir/null.pa" --exit-idle-time=-1 \
    --daemonize=no --system=false >"$dir/pulse.log" 2>&1 &
  TOVIX_STARTED_PIDS+=($!)
  export PULSE_SERVER="unix:$dir/native"
  tovix_wait 10 test -S "$dir/native" && return 0
  echo "pulseaudio did not start (sound tests may fail); see $dir/pulse.log" >&2
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
    "peer_${name}_start" || { echo "test peer $name did not start" >&2; return 1; }
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
