#!/usr/bin/env bash
# Screenshots of the real viewer (Vistrel.exe on the simulated controller)
# under Xvfb while tools/shots/viewer-states.json changes its input: a picture
# every second, the distinct ones kept in the order they appeared.
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
seconds=${SHOTS_SECONDS:-90}

cmake --build build/windows --target cw_system >"$out/build.log" 2>&1 || { tail -30 "$out/build.log" >&2; exit 1; }
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
shots_display

scenario=$(WINEPREFIX="$prefix" winepath -w "$root/tools/shots/viewer-states.json" 2>/dev/null)
for lang in ${SHOTS_LANGS:-en:C.UTF-8 ja:ja_JP.UTF-8 fr:fr_FR.UTF-8}; do
  code=${lang%%:*}
  rm -f "$out/$code"-*.png "$out/viewer-$code.log"
  # The first start after the prefix's settings changed may end at once while
  # Wine brings the prefix up to date: start again then.
  (cd "$bin"
   for _ in 1 2 3; do
     started=$(date +%s)
     LOCPATH="$locales" LANG="${lang#*:}" LC_ALL="${lang#*:}" MERROWCOM_SCENARIO="$scenario" \
       SHOTS_DISPLAY="$display" wine_run "$bin/Vistrel.exe" >>"$out/viewer-$code.log" 2>&1 || true
     [ $(($(date +%s) - started)) -lt 10 ] || break
   done) &
  pid=$!
  last=""
  kept=0
  for t in $(seq 1 "$seconds"); do
    sleep 1
    import -window root -display "$display" "$out/frame.png" 2>/dev/null || continue
    sum=$(md5sum <"$out/frame.png")
    if [ "$sum" != "$last" ]; then
      kept=$((kept + 1))
      mv "$out/frame.png" "$out/$code-$(printf %02d "$kept")-${t}s.png"
      last=$sum
    fi
  done
  # The viewer closes on WM_CLOSE like any window; end its Wine session.
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$out/frame.png"
  echo "shots: $kept distinct pictures of the viewer in $code"
done
