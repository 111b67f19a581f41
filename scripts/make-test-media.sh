#!/bin/bash
# Makes the short media files the media tests play, at test time, into the
# folder given (default build/media): each scripts/test-media/*.sh is sourced
# with OUT set and writes its files there. Files already made are kept.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/build/media}"
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"
for part in "$ROOT"/scripts/test-media/*.sh; do
  [ -e "$part" ] || continue
  source "$part"
done
echo "$OUT"
