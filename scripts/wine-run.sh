#!/bin/bash
# CTest's cross-compiling emulator: runs one Windows test program under the
# 64-bit Wine loader (test.sh exports the prefix, display and sound server)
# and passes its output through. Every test program is a GoogleTest program,
# so one that exits 0 without GoogleTest's summary of at least one passed
# test (it ran nothing, or died before the end without an error code) fails.
# TOVIX_GTEST_SUMMARY=0 turns that check off for other programs.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
[ "${TOVIX_GTEST_SUMMARY:-1}" = 0 ] && exec /usr/lib/wine/wine64 "$@"

log="$(mktemp "${TMPDIR:-/tmp}/tovix-test.XXXXXX")"
trap 'rm -f "$log"' EXIT
/usr/lib/wine/wine64 "$@" | tee "$log"
status=${PIPESTATUS[0]}
[ "$status" -ne 0 ] && exit "$status"
# "[  PASSED  ] 12 tests." with a count above zero.
if ! grep -aqE '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$log"; then
  echo "wine-run: $(basename "$1") exited 0 but printed no GoogleTest summary of a passed test:" \
    "it ran no test or stopped early" >&2
  exit 1
fi
if grep -aqE '^\[  FAILED  \] [0-9]+ tests?, listed below' "$log"; then
  echo "wine-run: $(basename "$1") reported failed tests but exited 0" >&2
  exit 1
fi
exit 0
