#!/bin/bash
# Builds the programs as shipped (win32 thread model, no tests) for 32-bit and
# 64-bit Windows and writes the portable release packages:
#   $TOVIX_BUILD/packages/tovix-<version>-win32.zip and -win64.zip
# each holding one folder tovix-<version>/ with tovix.exe, the four archiver
# libraries, skin/, Help.html and mail.mp3, and SHA256SUMS beside them.
# Then checks them: the expected files, the machine of every program, and
# that the 32-bit one imports only what Windows XP SP3 has.
# Builds in $TOVIX_BUILD/program (64-bit) and $TOVIX_BUILD/x86 (32-bit), the
# folders scripts/test.sh uses too, so a test run's builds are reused.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
BUILD="${TOVIX_BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
JOBS="${TOVIX_JOBS:-$(nproc)}"

[ "${TOVIX_SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
VERSION="$(sed -n 's/^#define TOVIX_VERSION_TEXT "\(.*\)"$/\1/p' resources/version.h)"
[ -n "$VERSION" ] || { echo "package: no TOVIX_VERSION_TEXT in resources/version.h" >&2; exit 1; }
OUT="$BUILD/packages"
rm -rf "$OUT"
mkdir -p "$OUT"

# ARCH FOLDER NAME MACHINE: build, install, zip and check one package.
package() {
  local arch="$1" dir="$BUILD/$2" name="tovix-$VERSION-$3" machine="$4"
  if [ "${TOVIX_PACKAGE_BUILD:-1}" = 1 ]; then
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
      --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release -DTOVIX_TESTS=OFF -DTOVIX_THREAD_MODEL=win32 >/dev/null
    cmake --build "$dir" -j "$JOBS" >/dev/null
  fi
  local stage="$OUT/stage-$3"
  rm -rf "$stage"
  cmake --install "$dir" --prefix "$stage/tovix-$VERSION" >/dev/null
  # Every file gets the same time, so the same sources give the same zip.
  find "$stage" -exec touch -h -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}" {} +
  (cd "$stage" && find "tovix-$VERSION" -print | LC_ALL=C sort | zip -q -X -D "$OUT/$name.zip" -@)
  check "$OUT/$name.zip" "$machine"
  rm -rf "$stage"
}

# ZIP MACHINE: the package holds what a user needs, built for MACHINE.
check() {
  local zipfile="$1" machine="$2" dir
  dir="$(mktemp -d)"
  unzip -q "$zipfile" -d "$dir"
  local top="$dir/tovix-$VERSION" f missing=0
  for f in tovix.exe unlha32.dll unzip32.dll ZIP32J.DLL TAR32.dll Help.html mail.mp3 skin; do
    [ -e "$top/$f" ] || { echo "package: $(basename "$zipfile") lacks $f" >&2; missing=1; }
  done
  [ -n "$(find "$top/skin" -name '*.bmp' -print -quit 2>/dev/null)" ] ||
    { echo "package: $(basename "$zipfile") has no skin bitmaps" >&2; missing=1; }
  for f in "$top"/*.exe "$top"/*.dll "$top"/*.DLL; do
    [ -e "$f" ] || continue
    if ! x86_64-w64-mingw32-objdump -f "$f" | grep -q "file format $machine\$"; then
      echo "package: $(basename "$zipfile"): $(basename "$f") is not $machine" >&2
      missing=1
    fi
    # Every shipped file names its product and version.
    if ! python3 -c 'import re, sys; u = lambda t: re.escape(t.encode("utf-16-le"))
d = open(sys.argv[1], "rb").read()  # key, padding to 4 bytes, value
sys.exit(0 if re.search(u("ProductVersion\0") + b"(\0\0)?" + u(sys.argv[2] + "\0"), d) else 1)' "$f" "$VERSION"; then
      echo "package: $(basename "$f") carries no version resource" >&2
      missing=1
    fi
  done
  if [ "$machine" = pei-i386 ]; then
    bash scripts/check-imports.sh "$top" >/dev/null || missing=1
  fi
  rm -rf "$dir"
  [ $missing = 0 ] || exit 1
  echo "package: $zipfile ($(unzip -Z1 "$zipfile" | wc -l) entries) checked"
}

package i686 x86 win32 pei-i386
package x86_64 program win64 pei-x86-64
(cd "$OUT" && sha256sum -- *.zip >SHA256SUMS)
echo "package: $OUT/SHA256SUMS"
