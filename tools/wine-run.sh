#!/usr/bin/env bash
# Runs one Windows program under Wine for the build and the tests.
#
#   wine-run.sh --prefix DIR [--init [--reg FILE]...] [PROGRAM ARGS...]
#
# One Wine prefix per build tree (DIR), created once by --init so no test pays for
# wineboot. Every run gets a display: without one Wine 8 refuses ordinary windows,
# and the capture library's hidden window is an ordinary one. The run ends only when
# the prefix's wineserver has gone, so nothing of one test outlives it.
set -u

prefix=""
init=0
regs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --init) init=1; shift ;;
    --reg) regs+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ -n "$prefix" ] || { echo "wine-run.sh: --prefix is required" >&2; exit 125; }

wine=$(command -v wine64 || true)
[ -n "$wine" ] || { [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64; }
[ -n "$wine" ] || wine=$(command -v wine || true)
[ -n "$wine" ] || { echo "wine-run.sh: Wine is not installed (run tools/setup.sh)" >&2; exit 125; }
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver64

mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=${CW_WINEDEBUG:--all}
# winedbg.exe off: a crash then ends the crashed process at once. Wine's crash
# debugger otherwise attaches and can wait for ever, holding the prefix's
# wineserver (and so this script's final wait) until the test's time limit.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=win64

xvfb_pid=""
cleanup() {
  "$wineserver" -w 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}

if [ -z "${DISPLAY:-}" ]; then
  # Pick a free display: the lock file tells which numbers are taken.
  for n in $(seq 90 190); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
  [ -n "${DISPLAY:-}" ] || { echo "wine-run.sh: could not start Xvfb" >&2; exit 125; }
fi
trap cleanup EXIT

if [ "$init" = 1 ]; then
  stamp="$WINEPREFIX/.cw-ready"
  if [ ! -e "$stamp" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || { echo "wine-run.sh: wineboot failed" >&2; exit 1; }
    "$wineserver" -w
    touch "$stamp"
  fi
  for r in "${regs[@]}"; do
    "$wine" regedit /S "$(winepath -w "$r" 2>/dev/null || echo "$r")" >/dev/null 2>&1 \
      || { echo "wine-run.sh: could not import $r" >&2; exit 1; }
  done
  [ $# -eq 0 ] && exit 0
fi

[ $# -gt 0 ] || { echo "wine-run.sh: no program given" >&2; exit 125; }
[ -e "$WINEPREFIX/.cw-ready" ] || { echo "wine-run.sh: prefix $WINEPREFIX not initialised (build the 'wineprefix' target)" >&2; exit 125; }

"$wine" "$@"
rc=$?
exit $rc
