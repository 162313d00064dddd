#!/usr/bin/env bash
# Builds the system and runs it on the simulated controller under Wine.
#   tools/run.sh [--scenario FILE] [PROGRAM [ARGS...]]
# Without a program: the viewer when it is built, else the firmware tool Dornet
# for each of its four fields, printing the exit codes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scenario=""
if [ "${1:-}" = "--scenario" ]; then
  scenario=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2
fi

tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null

bin="$root/build/windows/bin"
run() { "$root/tools/wine-run.sh" --prefix "$root/build/windows/wineprefix" "$@"; }
if [ -n "$scenario" ]; then
  export MERROWCOM_SCENARIO=$(WINEPREFIX="$root/build/windows/wineprefix" winepath -w "$scenario" 2>/dev/null)
  # Wine passes the Unix environment on to Windows programs.
  echo "simulated controller scenario: $scenario"
fi

if [ $# -gt 0 ]; then
  prog="$1"; shift
  [ -e "$prog" ] || prog="$bin/$prog"
  run "$bin/cw_exec.exe" "$prog" "$@"
  exit 0
fi

if [ -e "$bin/Vistrel.exe" ] && [ "${CW_RUN_DORNET:-0}" != 1 ]; then
  echo "starting Vistrel on the simulated controller (close its window to end)"
  run "$bin/cw_exec.exe" "$bin/Vistrel.exe"
else
  for field in 1 2 3 4; do
    run "$bin/cw_exec.exe" "$bin/Dornet.exe" "$field"
  done
fi
