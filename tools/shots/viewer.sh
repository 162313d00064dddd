#!/usr/bin/env bash
# Screenshots of the real viewer (Vistrel.exe on the simulated controller)
# while tools/shots/viewer-states.json changes its input: what the tablet's
# panel shows (the simulated panel, with the live picture where the viewer
# shows the key colour) at set moments of the timeline, counted from the
# controller's start (when its journal appears). Full screen first; at 56 s a
# click on the bar's button switches to the framed window.
#
#   tools/shots/viewer.sh [OUT_DIR]       (default build/shots/viewer)
#   SHOTS_LANGS="ja:ja_JP.UTF-8" tools/shots/viewer.sh   (one language)
#
# Needs a configured windows build; builds the system (cw_system) first.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
. "$root/tools/shots/common.sh"
out=$(mkdir -p "${1:-build/shots/viewer}" && cd "${1:-build/shots/viewer}" && pwd)
command -v import >/dev/null || { echo "shots: ImageMagick's import is missing" >&2; exit 1; }
# controller second, name
moments="8:full-hdcp 17:full-idle 26:full-720p 35:full-no-signal 45:full-no-cable 54:full-back
         61:window-video 70:window-no-signal 80:window-back"
screen_w=1920 screen_h=1280  # the tablet's screen (and the controller's output in the scenario)

cmake --build build/windows --target cw_system ShotScreenMode >"$out/build.log" 2>&1 || { tail -30 "$out/build.log" >&2; exit 1; }
bin="$root/build/windows/bin"
[ -e "$bin/Vistrel.exe" ] || { echo "shots: no Vistrel.exe in $bin" >&2; exit 1; }

# The same private prefix as views.sh, with the registry files the simulated
# set-up needs (the tests' prefix gets them from the build).
prefix="$root/build/windows/shots-prefix"
wine_run() { DISPLAY="${SHOTS_DISPLAY:-}" "$root/tools/wine-run.sh" --prefix "$prefix" "$@"; }
regs=()
while IFS= read -r r; do regs+=(--reg "$root/$r"); done < <(git ls-files '*.reg')
shots_prefix "$prefix" "${regs[@]}"
shots_locales "$root/build/shots/locale"
shots_panel_display "$screen_w" "$screen_h"

scenario=$(WINEPREFIX="$prefix" winepath -w "$root/tools/shots/viewer-states.json" 2>/dev/null)
for lang in ${SHOTS_LANGS:-en:C.UTF-8 ja:ja_JP.UTF-8 fr:fr_FR.UTF-8}; do
  code=${lang%%:*}
  rm -f "$out/$code"-*.png "$out/viewer-$code.log" "$out/journal.txt"
  journal=$(WINEPREFIX="$prefix" winepath -w "$out/journal.txt" 2>/dev/null)
  # The first start after the prefix's settings changed may end at once while
  # Wine brings the prefix up to date: start again then.
  (cd "$bin"
   for _ in 1 2 3; do
     started=$(date +%s)
     LOCPATH="$locales" LANG="${lang#*:}" LC_ALL="${lang#*:}" MERROWCOM_SCENARIO="$scenario" MERROWCOM_PANEL=1 \
       MERROWCOM_JOURNAL="$journal" \
       SHOTS_DISPLAY="$display" wine_run "$bin/Vistrel.exe" >>"$out/viewer-$code.log" 2>&1 || true
     [ $(($(date +%s) - started)) -lt 10 ] || break
   done) &
  pid=$!
  for _ in $(seq 1 120); do [ -e "$out/journal.txt" ] && break; sleep 0.5; done
  [ -e "$out/journal.txt" ] || { echo "shots: the viewer did not open the controller" >&2; exit 1; }
  begin=$SECONDS
  kept=0
  for m in $moments; do
    at=${m%%:*}
    if [ "$at" -gt 56 ] && [ $((SECONDS - begin)) -le 56 ]; then
      while [ $((SECONDS - begin)) -lt 56 ]; do sleep 0.2; done
      # not through wine-run.sh, which would wait for the viewer's end
      DISPLAY="$display" WINEPREFIX="$prefix" WINEDEBUG=-all timeout 20 "$(command -v wine64 || command -v wine)" \
        "$bin/ShotScreenMode.exe" >/dev/null 2>&1 || echo "shots: the screen-mode click failed" >&2
    fi
    while [ $((SECONDS - begin)) -lt "$at" ]; do sleep 0.2; done
    # the right screen: the panel's mirror
    import -window root -display "$display" -crop "${screen_w}x${screen_h}+${screen_w}+0" +repage \
      "$out/$code-$(printf %02d "$at")s-${m#*:}.png" 2>/dev/null && kept=$((kept + 1))
  done
  # The viewer closes on WM_CLOSE like any window; end its Wine session.
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "shots: $kept pictures of the viewer in $code"
done
