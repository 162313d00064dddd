#!/usr/bin/env bash
# Screenshots of the layout's screens under Xvfb, in English, Japanese and
# French, full screen and in a window.
#
#   tools/shots/views.sh [OUT_DIR]        (default build/shots)
#   SHOTS_LANGS="ja:ja_JP.UTF-8" tools/shots/views.sh   (one language)
#   SHOTS_ONLY=settings tools/shots/views.sh              (the setting panel only)
#
# The screens are shown by ViewsShotHost (the real layout and views in a host
# frame, no capture library); each picture is the whole X screen, 1920 x 1280.
# Needs a configured windows build (cmake --preset windows), ImageMagick's
# `import` and a Japanese font (tools/setup.sh installs fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
. "$root/tools/shots/common.sh"
out=$(mkdir -p "${1:-build/shots}" && cd "${1:-build/shots}" && pwd)
command -v import >/dev/null || { echo "shots: ImageMagick's import is missing" >&2; exit 1; }

cmake --build build/windows --target ViewsShotHost >"$out/build.log" 2>&1 ||
  { tail -30 "$out/build.log" >&2; exit 1; }
host="$root/build/windows/bin/ViewsShotHost.exe"
prefix="$root/build/windows/shots-prefix"
shots_prefix "$prefix"
shots_locales "$out/locale"

# name and state (target key, controls flag, f full screen / w window, the
# setting panel's tab: 1 to 3, 11 to 13 with the confirmation row open, 0
# closed; then t tablet flag, v waveform display of the simulated test picture)
states=(
  settings-balance-full:2,1,f,1 settings-level-full:2,1,f,2 settings-etc-full:2,1,f,3
  settings-balance-confirm-full:2,1,f,11 settings-level-confirm-full:2,1,f,12 settings-etc-confirm-full:2,1,f,13
  settings-balance-window:2,1,w,1 settings-level-window:2,1,w,2 settings-etc-window:2,1,w,3
  video-full:2,1,f video-full-nocontrols:2,0,f video-window:2,1,w blank-full:1,1,f
  video-tablet-window:2,1,w,0,t waveform-full:2,1,f,0,v waveform-window:2,1,w,0,v
  suspended-full:3,1,f transition-full:4,1,f nosignal-full:5,1,f blocked-full:6,1,f fatal-full:7,1,f
  update-full:8,1,f running-full:9,1,f savespace-full:10,1,f savelocation-full:11,1,f
  suspended-window:3,1,w transition-window:4,1,w nosignal-window:5,1,w blocked-window:6,1,w
  fatal-window:7,1,w update-window:8,1,w running-window:9,1,w savespace-window:10,1,w
  savelocation-window:11,1,w
)

# SHOTS_ONLY=settings takes only the states whose name starts so.
if [ -n "${SHOTS_ONLY:-}" ]; then
  kept=()
  for s in "${states[@]}"; do [[ ${s%%:*} == "$SHOTS_ONLY"* ]] && kept+=("$s"); done
  states=("${kept[@]}")
fi

shots_display

for lang in ${SHOTS_LANGS:-en:C.UTF-8 ja:ja_JP.UTF-8 fr:fr_FR.UTF-8}; do
  code=${lang%%:*}
  sync="$out/sync-$code"
  rm -rf "$sync" && mkdir -p "$sync"
  state_args=()
  for s in "${states[@]}"; do state_args+=("${s#*:}"); done
  LOCPATH="$locales" LANG="${lang#*:}" LC_ALL="${lang#*:}" DISPLAY="$display" \
    "$root/tools/wine-run.sh" --prefix "$prefix" "$host" "Z:${sync//\//\\}" "${state_args[@]}" \
    >"$out/host-$code.log" 2>&1 &
  pid=$!
  i=1
  for s in "${states[@]}"; do
    for _ in $(seq 1 1200); do
      [ -e "$sync/ready-$i" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -e "$sync/ready-$i" ] || { echo "shots: the host did not show state $s ($code)" >&2; cat "$out/host-$code.log" >&2; exit 1; }
    import -window root -display "$display" "$out/$code-${s%%:*}.png"
    touch "$sync/done-$i"
    i=$((i + 1))
  done
  wait "$pid" || true
done
echo "shots: $(ls "$out"/*.png | wc -l) pictures in $out"
