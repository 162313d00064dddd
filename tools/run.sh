#!/usr/bin/env bash
# Builds the system and runs it on the simulated controller under Wine.
#   tools/run.sh [--scenario FILE] [--viewer | --screenshot FILE [--shot-ms MS] | PROGRAM [ARGS...]]
# Without a program (or with --viewer): the viewer Vistrel with the simulated panel
# beside it, on simulator/scenarios/demo.json unless --scenario names another.
# --screenshot FILE runs the viewer (or PROGRAM) headless, writes what the simulated
# panel shows MS ms (default 10000) after the controller opened as a PNG, and ends.
# PROGRAM runs any program of the build, e.g. the firmware tool: tools/run.sh Dornet.exe 1
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scenario=""
viewer=1
screenshot=""
shot_ms=10000
while [ $# -gt 0 ]; do
  case "$1" in
    --scenario)
      [ -f "${2:-}" ] || { echo "run: no scenario file '${2:-}'" >&2; exit 2; }
      scenario=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    --viewer) viewer=1; shift ;;
    --screenshot)
      [ -n "${2:-}" ] || { echo "run: --screenshot needs a file name" >&2; exit 2; }
      mkdir -p "$(dirname "$2")"
      screenshot=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    --shot-ms) shot_ms="$2"; shift 2 ;;
    *) viewer=0; break ;;
  esac
done
# The viewer on its own meets an input that changes over time.
[ -n "$scenario" ] || [ "$viewer" = 0 ] || scenario="$root/simulator/scenarios/demo.json"

tools/setup.sh
mkdir -p build
if ! { cmake --preset windows && cmake --build --preset windows --target cw_system; } >build/run-build.log 2>&1; then
  grep -E -A8 'error|FAILED' build/run-build.log | head -60 >&2
  echo "run: the build failed (full log: build/run-build.log)" >&2
  exit 1
fi

bin="$root/build/windows/bin"
# Every prefix maps Z: to /. Not winepath: a Wine process started before DISPLAY is set
# would leave the prefix's desktop without the display the program needs.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
run() { "$root/tools/wine-run.sh" --prefix "$root/build/windows/wineprefix" "$@"; }
if [ -n "$scenario" ]; then
  export MERROWCOM_SCENARIO=$(windows_path "$scenario")
  # Wine passes the Unix environment on to Windows programs.
  echo "simulated controller scenario: $scenario"
fi

# --- The simulated panel (docs/simulated-panel.md) ---------------------------------
# Wine takes its monitors from Xinerama when RandR is off, and Xephyr with two screens
# lays them side by side: the tablet's monitor (the program runs there; the detector
# watches it) and a mirror monitor beside it, where the simulator's panel window shows
# what the tablet's panel would show. Xephyr opens on the user's display, or on a
# private Xvfb when there is none or for a screenshot.
panel_size=${RUN_PANEL_SIZE:-1280x800}  # the demo's controller output size
started_pids=()
stop_started() {
  local i
  for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do
    kill "${started_pids[$i]}" 2>/dev/null || true
    wait "${started_pids[$i]}" 2>/dev/null || true
  done
}
free_display() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] || { echo "$n"; return 0; }
  done
  return 1
}
wait_display() {  # number, pid of its server
  local _
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$1" ] && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
start_panel_display() {  # headless (0/1); exports DISPLAY for the program
  local host="${DISPLAY:-}" n w=${panel_size%x*} h=${panel_size#*x}
  if [ "$1" = 1 ] || [ -z "$host" ]; then
    n=$(free_display 200 260) || { echo "run: no free X display" >&2; exit 1; }
    Xvfb ":$n" -screen 0 "$((2 * w + 16))x$((h + 16))x24" -nolisten tcp >/dev/null 2>&1 &
    started_pids+=($!)
    wait_display "$n" "$!" || { echo "run: Xvfb did not start" >&2; exit 1; }
    host=":$n"
  fi
  command -v Xephyr >/dev/null || { echo "run: Xephyr is missing (run tools/setup.sh as root)" >&2; exit 1; }
  n=$(free_display 261 320) || { echo "run: no free X display" >&2; exit 1; }
  DISPLAY="$host" Xephyr ":$n" +xinerama -extension RANDR -screen "$panel_size" -screen "$panel_size" \
    -title "simulated tablet (left) and its panel (right)" -nolisten tcp >/dev/null 2>&1 &
  started_pids+=($!)
  wait_display "$n" "$!" || { echo "run: Xephyr did not start" >&2; exit 1; }
  export DISPLAY=":$n" MERROWCOM_PANEL=1
  # the viewer's "Meiryo" is not on Linux: a Japanese font with similar metrics stands in
  run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Meiryo /t REG_SZ /d "Noto Sans CJK JP" /f >/dev/null 2>&1 || true
}
# --------------------------------------------------------------------------------------

if [ -n "$screenshot" ]; then
  trap stop_started EXIT
  start_panel_display 1
  shot_dir=$(mktemp -d)
  export MERROWCOM_PANEL_SHOT=$(windows_path "$shot_dir/panel.bmp")
  export MERROWCOM_PANEL_SHOT_MS="$shot_ms" MERROWCOM_PANEL_SHOT_CLOSE=1
  prog="$bin/Vistrel.exe"
  if [ $# -gt 0 ]; then prog="$1"; shift; [ -e "$prog" ] || prog="$bin/$prog"; fi
  echo "running $(basename "$prog") on the simulated panel for a screenshot"
  # its own process group, so that a program that does not end can be stopped by it alone
  (cd "$bin" && exec setsid "$root/tools/wine-run.sh" --prefix "$root/build/windows/wineprefix" \
     "$bin/cw_exec.exe" "$prog" "$@") &
  prog_pid=$!
  deadline=$((SECONDS + shot_ms / 1000 + 90))
  while [ ! -s "$shot_dir/panel.bmp" ] && [ $SECONDS -lt $deadline ] && kill -0 "$prog_pid" 2>/dev/null; do sleep 0.5; done
  # the panel closes the program's windows once the picture is written
  for _ in $(seq 1 60); do kill -0 "$prog_pid" 2>/dev/null || break; sleep 0.5; done
  kill -- "-$prog_pid" 2>/dev/null || true
  wait "$prog_pid" 2>/dev/null || true
  if [ ! -s "$shot_dir/panel.bmp" ]; then
    rm -rf "$shot_dir"
    echo "run: no picture: the program did not open the simulated controller in time" >&2
    exit 1
  fi
  convert "$shot_dir/panel.bmp" "$screenshot"
  rm -rf "$shot_dir"
  echo "screenshot: $screenshot"
  exit 0
fi

if [ $# -gt 0 ]; then
  prog="$1"; shift
  [ -e "$prog" ] || prog="$bin/$prog"
  run "$bin/cw_exec.exe" "$prog" "$@"
  exit 0
fi

trap stop_started EXIT
start_panel_display 0
echo "starting Vistrel on the simulated controller (close its window to end)"
echo "the left screen is the tablet's desktop; the right one shows what its panel shows"
# The viewer finds its factory presets below its working folder.
(cd "$bin" && run "$bin/cw_exec.exe" "$bin/Vistrel.exe")
