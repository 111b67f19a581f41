#!/bin/bash
# Builds the mail parsers, the bitmap file check, the profile parser and the
# archive readers natively with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each target from its seed corpus in
# tests/fuzz/corpus. A crash, leak, hang or sanitizer report fails the run;
# new inputs found go to $TOVIX_BUILD/fuzz (build/fuzz), not into the repo.
#
#   scripts/fuzz.sh            about 180 s in all, shared by the targets (CI)
#   scripts/fuzz.sh 600        600 s for each target (a longer local run)
#   scripts/fuzz.sh 3600 total 3600 s in all, shared by the targets
# FUZZ_SECONDS sets the seconds per target as the first form does.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
DURATION="${1:-${FUZZ_SECONDS:-}}"
SHARE="${2:-}"
case "$DURATION" in ''|*[!0-9]*) [ -z "$DURATION" ] || { echo "fuzz: duration must be whole seconds" >&2; exit 2; } ;; esac
case "$SHARE" in ''|total) ;; *) echo "usage: fuzz.sh [SECONDS [total]]" >&2; exit 2 ;; esac
BUILD="${TOVIX_BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
OUT="$BUILD/fuzz"
mkdir -p "$OUT"

PURE=(mail/pop3_check.cpp mail/pop3_reply.cpp mail/httpmail_check.cpp mail/httpmail_parse.cpp
      mail/httpmail_request.cpp mail/digest.cpp mail/md5.cpp mail/http_response.cpp
      framework/text.cpp)
FLAGS=(-std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I "$ROOT")

# The archive formats (LZH, ZIP, tar and gzip) with zlib.
ARCHIVES=(archivers/core/*.cpp archivers/lzh/*.cpp archivers/zip/*.cpp archivers/tar/*.cpp)
MAIL_TARGETS=(fuzz_pop3 fuzz_httpmail fuzz_http_response fuzz_bitmap)
ARCHIVE_TARGETS=(fuzz_lzh fuzz_zip fuzz_tar)
PROFILE_TARGETS=(fuzz_ini)
ALL_TARGETS=("${MAIL_TARGETS[@]}" "${ARCHIVE_TARGETS[@]}" "${PROFILE_TARGETS[@]}")
if [ -z "$DURATION" ]; then
  SECONDS_PER_TARGET=$((180 / ${#ALL_TARGETS[@]}))
elif [ "$SHARE" = total ]; then
  SECONDS_PER_TARGET=$((DURATION / ${#ALL_TARGETS[@]}))
else
  SECONDS_PER_TARGET="$DURATION"
fi
[ "$SECONDS_PER_TARGET" -ge 1 ] || SECONDS_PER_TARGET=1

# Each source is compiled once (through ccache when there is one, so a later
# run or a fresh clone reuses it), then the targets are linked from objects.
CXX=(clang++)
if command -v ccache >/dev/null; then CXX=(env CCACHE_BASEDIR="$ROOT" ccache clang++); fi
OBJ="$OUT/obj"
object() {  # SOURCE: prints its object, compiling it
  local o="$OBJ/${1%.cpp}.o"
  mkdir -p "$(dirname "$o")"
  "${CXX[@]}" "${FLAGS[@]}" -c "$1" -o "$o" >&2
  echo "$o"
}
objects() { local f; for f in "$@"; do object "$f"; done; }
mapfile -t PURE_OBJ < <(objects "${PURE[@]}")
mapfile -t ARCHIVE_OBJ < <(objects "${ARCHIVES[@]}")
mapfile -t INI_OBJ < <(objects framework/ini_file.cpp)
for target in "${MAIL_TARGETS[@]}"; do
  clang++ "${FLAGS[@]}" "$(object "tests/fuzz/$target.cpp")" "${PURE_OBJ[@]}" -o "$OUT/$target"
done
for target in "${ARCHIVE_TARGETS[@]}"; do
  clang++ "${FLAGS[@]}" "$(object "tests/fuzz/$target.cpp")" "${ARCHIVE_OBJ[@]}" -lz -o "$OUT/$target"
done
# The profile parser is pure code too (no <windows.h>); text.cpp is in PURE.
clang++ "${FLAGS[@]}" "$(object tests/fuzz/fuzz_ini.cpp)" "${INI_OBJ[@]}" "$OBJ/framework/text.o" -o "$OUT/fuzz_ini"

for target in "${ALL_TARGETS[@]}"; do
  corpus="$OUT/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for ${SECONDS_PER_TARGET}s"
  (cd "$OUT" && "./$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" "$ROOT/tests/fuzz/corpus/$target" 2>"$OUT/$target.log") || {
    tail -40 "$OUT/$target.log"
    echo "fuzz: $target FAILED"
    exit 1
  }
  if ! grep -qE 'stat::number_of_executed_units: *[1-9]' "$OUT/$target.log"; then
    echo "fuzz: $target ran no input"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units' "$OUT/$target.log" | sed "s/^/fuzz: $target: /"
done
echo "fuzz: no findings"
