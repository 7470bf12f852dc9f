#!/usr/bin/env bash
# CTest's emulator for the win32 build: runs one Windows executable under Wine.
. "$(dirname "$0")/wine-env.sh"
ts_wine_boot
exec wine "$@"
