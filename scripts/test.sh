#!/bin/bash
# Sets up, builds both architectures, starts the display, the sound server and
# one wineserver, runs every test under Wine, and stops what it started (also
# on failure). Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh

JOBS="$(nproc)"
configure_and_build() {
  local arch="$1" dir="build/$2"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" -j "$JOBS"
}
configure_and_build x86_64 x64
# The 32-bit build must compile and link; this kernel cannot run it.
configure_and_build i686 x86

export TOVIX_STATE="$ROOT/build/wine"
source scripts/wine-env.sh
tovix_start_services

# The parsers of server replies under libFuzzer (natively, with sanitizers).
[ "${TOVIX_SKIP_FUZZ:-}" = 1 ] || bash scripts/fuzz.sh

cd build/x64
ctest --output-on-failure "$@"
