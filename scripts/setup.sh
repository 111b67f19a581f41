#!/bin/bash
# Installs everything the build, the tests and the test peers need on Debian 12.
# Idempotent and quiet: a second run only checks that the packages are there.
set -euo pipefail

PACKAGES=(
  # build: the posix thread-model compilers for the tests, the win32 ones for
  # the programs we ship (see cmake/toolchain-*.cmake)
  cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64
  mingw-w64-tools googletest ccache
  # zlib for the archiver libraries: for Windows, and natively for fuzzing
  libz-mingw-w64-dev zlib1g-dev
  # running under Wine on an X display
  wine wine64 xvfb x11-apps x11-utils xdotool imagemagick locales
  fonts-ipafont-gothic fonts-ipafont-mincho
  # sound for the media stack (WAV, MP3, OGG); libav, ugly and bad decode the
  # video formats (MPEG-4 and Cinepak AVI, MPG, WMV)
  pulseaudio gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-libav gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad
  # making the short media files the tests play
  sox lame ffmpeg
  # native fuzzing of the parsers
  clang libclang-rt-14-dev
  # scripts
  python3 python3-xlib procps coreutils
)

# Test peers (mail servers and the like) list their packages beside them.
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
for list in "$ROOT"/scripts/peers/*.packages; do
  [ -e "$list" ] || continue
  while read -r p; do
    [ -n "$p" ] && [ "${p#\#}" = "$p" ] && PACKAGES+=("$p")
  done <"$list"
done

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs the Japanese locale to run with code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
