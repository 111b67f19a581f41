#!/bin/bash
# CTest's cross-compiling emulator: runs one Windows program under the 64-bit
# Wine loader. test.sh exports the prefix, display and sound server.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
