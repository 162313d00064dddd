#!/usr/bin/env bash
# Builds the system and runs it on the simulated controller under Wine.
#   tools/run.sh [--scenario FILE] [--viewer | PROGRAM [ARGS...]]
# Without a program: the firmware tool Dornet against the simulated controller, for
# each of its four fields, printing the exit codes. --viewer starts Vistrel (it
# does not drive the capture library yet).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scenario=""
viewer=0
while [ $# -gt 0 ]; do
  case "$1" in
    --scenario)
      [ -f "${2:-}" ] || { echo "run: no scenario file '${2:-}'" >&2; exit 2; }
      scenario=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    --viewer) viewer=1; shift ;;
    *) break ;;
  esac
done

tools/setup.sh
mkdir -p build
if ! { cmake --preset windows && cmake --build --preset windows --target cw_system; } >build/run-build.log 2>&1; then
  grep -E -A8 'error|FAILED' build/run-build.log | head -60 >&2
  echo "run: the build failed (full log: build/run-build.log)" >&2
  exit 1
fi

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

if [ "$viewer" = 1 ]; then
  echo "starting Vistrel on the simulated controller (close its window to end)"
  # The viewer finds its factory presets below its working folder.
  (cd "$bin" && run "$bin/cw_exec.exe" "$bin/Vistrel.exe")
else
  echo "Dornet reads the simulated controller's firmware version, one field per run:"
  for field in 1 2 3 4; do
    printf "field %s: " "$field"
    run "$bin/cw_exec.exe" "$bin/Dornet.exe" "$field"
  done
fi
