#!/bin/bash
# Sets up, builds, starts the display, the sound server, one wineserver and
# the test peers, runs every test under Wine, and stops what it started (also
# on failure). Fails unless every test program ran and passed, and unless the
# programs we ship import only what Windows XP SP3 has.
# Usage: scripts/test.sh [ctest arguments...]
# TOVIX_BUILD names the build root (default build), TOVIX_STATE the Wine state
# (default $TOVIX_BUILD/wine), TOVIX_JOBS the parallel jobs (default nproc).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD="${TOVIX_BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac

# The time each phase took, printed at the end (also on failure).
PHASES=()
phase_start=$SECONDS
phase() {
  PHASES+=("$(printf '%-34s %4d s' "$1" $((SECONDS - phase_start)))")
  phase_start=$SECONDS
}
print_phases() {
  local line
  echo "test.sh: time per phase"
  for line in "${PHASES[@]}"; do echo "  $line"; done
  echo "  total                              $(printf '%4d' "$SECONDS") s"
}
trap print_phases EXIT

bash scripts/setup.sh
phase "setup"

# ccache, keyed on paths relative to the checkout, serves what an earlier run
# compiled already, in this checkout or in a fresh clone elsewhere.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$ROOT"
fi
JOBS="${TOVIX_JOBS:-$(nproc)}"

# The parsers, the bitmap check and the archive readers under libFuzzer
# (natively, with sanitizers), beside the builds and the tests: it needs
# neither the cross compilers, the display nor Wine, and the tests mostly wait.
fuzz_status=0
fuzz_pid=
if [ "${TOVIX_SKIP_FUZZ:-}" != 1 ]; then
  mkdir -p "$BUILD"
  # A group of its own, so that a failed run stops it with all its children.
  TOVIX_BUILD="$BUILD" setsid bash scripts/fuzz.sh >"$BUILD/fuzz.log" 2>&1 &
  fuzz_pid=$!
fi
stop_fuzz() { [ -z "$fuzz_pid" ] || kill -- "-$fuzz_pid" 2>/dev/null || true; }
trap 'stop_fuzz; print_phases' EXIT

# configure_and_build ARCH FOLDER TESTS(ON|OFF) THREAD_MODEL [TARGET]
configure_and_build() {
  local arch="$1" dir="$BUILD/$2" tests="$3" model="$4"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS="$tests" -DTOVIX_THREAD_MODEL="$model" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
# The tests: GoogleTest and the tests themselves need std::thread (posix model).
configure_and_build x86_64 x64 ON posix
phase "build x86_64 tests"
# The programs we ship, built as shipped (win32 model, no thread library); the
# 32-bit one cannot run on this kernel, so it is compiled, linked and checked.
configure_and_build x86_64 program OFF win32
phase "build x86_64 program"
configure_and_build i686 x86 OFF win32
phase "build i686 program"

# Everything the shipped builds install must start on Windows XP SP3.
for arch in program x86; do
  rm -rf "$BUILD/$arch-install"
  cmake --install "$BUILD/$arch" --prefix "$BUILD/$arch-install" >/dev/null
  bash scripts/check-imports.sh "$BUILD/$arch-install"
done
# The release packages of those builds, checked: files, machines, imports.
TOVIX_BUILD="$BUILD" TOVIX_SKIP_SETUP=1 TOVIX_PACKAGE_BUILD=0 bash scripts/package.sh
phase "import check and packages"

# Short media files for the media tests, made here rather than committed.
export TOVIX_TEST_MEDIA
TOVIX_TEST_MEDIA="$(bash scripts/make-test-media.sh "$BUILD/media" | tail -n 1)"
phase "test media"

export TOVIX_STATE="${TOVIX_STATE:-$BUILD/wine}"
source scripts/wine-env.sh
tovix_start_services
# wine-env.sh set its own EXIT trap; keep both.
trap 'stop_fuzz; tovix_stop_all; print_phases' EXIT
phase "display, Wine and test peers"

# Every test CTest knows must run and pass: no tests, a test not run, or one
# that passed without running anything (checked by scripts/wine-run.sh) fail.
cd "$BUILD/x64"
expected="$(ctest -N "$@" | sed -n 's/^Total Tests: *//p')"
if [ -z "$expected" ] || [ "$expected" -eq 0 ]; then
  echo "test.sh: CTest knows no test in $BUILD/x64 (arguments: $*)" >&2
  exit 1
fi

# Without arguments the test programs run in two lanes at once, each with its
# own display, Wine prefix and wineserver (windows of one lane never meet the
# other's); the sound server and the peers are shared. TOVIX_TEST_LANES=1
# runs them one after another.
SECOND_LANE='^(archivers_tests|media_tests|settings_ui_tests|mail_tests|status_tests)$'
status=0
if [ $# -eq 0 ] && [ "${TOVIX_TEST_LANES:-2}" != 1 ]; then
  (
    export TOVIX_STATE="$TOVIX_STATE/lane2"
    source "$ROOT/scripts/wine-env.sh"
    trap tovix_stop_all EXIT
    tovix_start_xvfb && tovix_prepare_prefix && tovix_start_wineserver || exit 1
    ctest --output-on-failure --no-tests=error -R "$SECOND_LANE"
  ) >"$BUILD/ctest-lane2.log" 2>&1 &
  lane2=$!
  ctest --output-on-failure --no-tests=error -E "$SECOND_LANE" >"$BUILD/ctest-lane1.log" 2>&1 || status=$?
  wait "$lane2" || status=$?
  cat "$BUILD/ctest-lane1.log" "$BUILD/ctest-lane2.log" | tee "$BUILD/ctest.log"
else
  ctest --output-on-failure --no-tests=error "$@" | tee "$BUILD/ctest.log" || status=$?
fi
phase "tests under Wine"
if [ -n "$fuzz_pid" ]; then
  wait "$fuzz_pid" || fuzz_status=$?
  fuzz_pid=
  cat "$BUILD/fuzz.log"
  phase "rest of fuzzing"
fi
passed="$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec' "$BUILD/ctest.log" || true)"
if [ "$fuzz_status" -ne 0 ]; then
  echo "test.sh: FAILED: fuzzing found a problem or did not run (see above)" >&2
  exit 1
fi
if [ "$status" -ne 0 ] || [ "$passed" -ne "$expected" ]; then
  echo "test.sh: FAILED: $passed of $expected test programs ran and passed (ctest status $status)" >&2
  exit 1
fi
echo "test.sh: all $expected test programs ran and passed"
