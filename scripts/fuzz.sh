#!/bin/bash
# Builds the mail parsers, the bitmap file check and the archive readers natively with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each target for FUZZ_SECONDS (60) from
# its seed corpus in tests/fuzz/corpus. A crash, leak or sanitizer report
# fails the run; new inputs found go to $TOVIX_BUILD/fuzz (build/fuzz), not
# into the repo.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
SECONDS_PER_TARGET="${FUZZ_SECONDS:-60}"
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

for target in "${MAIL_TARGETS[@]}"; do
  clang++ "${FLAGS[@]}" "tests/fuzz/$target.cpp" "${PURE[@]}" -o "$OUT/$target"
done
for target in "${ARCHIVE_TARGETS[@]}"; do
  clang++ "${FLAGS[@]}" "tests/fuzz/$target.cpp" "${ARCHIVES[@]}" -lz -o "$OUT/$target"
done

for target in "${MAIL_TARGETS[@]}" "${ARCHIVE_TARGETS[@]}"; do
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
