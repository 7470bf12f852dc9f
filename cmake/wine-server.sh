#!/usr/bin/env bash
# Keeps one wineserver up for a whole CTest run (start), and stops it afterwards (stop).
. "$(dirname "$0")/wine-env.sh"
case "$1" in
  start)
    ts_wine_boot
    # The server daemonises: detach it from CTest's pipes or CTest waits for it.
    wineserver -p30 </dev/null >/dev/null 2>&1
    # Wine's own system processes start with the first program: let a warm-up program take them,
    # so that no test inherits them.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1
    exit 0 ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1
    exit 0 ;;
esac
exit 2
