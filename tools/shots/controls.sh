#!/usr/bin/env bash
# Screenshots of the controls test dialog (every control of the kit in each of
# its states) and of the version dialog under Xvfb, in English, Japanese and
# French.
#
#   tools/shots/controls.sh [OUT_DIR]        (default build/shots)
#   SHOTS_LANGS="ja:ja_JP.UTF-8" tools/shots/controls.sh   (one language)
#
# The dialogs are shown by ControlsShotHost; each picture is cropped from the
# X screen (1920 x 1280) to the dialog's window.
# Needs a configured windows build (cmake --preset windows), ImageMagick's
# `import` and a Japanese font (tools/setup.sh installs fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
. "$root/tools/shots/common.sh"
out=$(mkdir -p "${1:-build/shots}" && cd "${1:-build/shots}" && pwd)
command -v import >/dev/null || { echo "shots: ImageMagick's import is missing" >&2; exit 1; }

cmake --build build/windows --target ControlsShotHost >"$out/build.log" 2>&1 ||
  { tail -30 "$out/build.log" >&2; exit 1; }
host="$root/build/windows/bin/ControlsShotHost.exe"
prefix="$root/build/windows/shots-controls-prefix"
shots_prefix "$prefix"
shots_locales "$out/locale"
shots_display

shots=(controls version)
for lang in ${SHOTS_LANGS:-en:C.UTF-8 ja:ja_JP.UTF-8 fr:fr_FR.UTF-8}; do
  code=${lang%%:*}
  sync="$out/sync-controls-$code"
  rm -rf "$sync" && mkdir -p "$sync"
  LOCPATH="$locales" LANG="${lang#*:}" LC_ALL="${lang#*:}" DISPLAY="$display" \
    "$root/tools/wine-run.sh" --prefix "$prefix" "$host" "Z:${sync//\//\\}" >"$out/controls-host-$code.log" 2>&1 &
  pid=$!
  i=1
  for s in "${shots[@]}"; do
    for _ in $(seq 1 1200); do
      [ -e "$sync/ready-$i" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -e "$sync/ready-$i" ] || { echo "shots: the host did not show $s ($code)" >&2; cat "$out/controls-host-$code.log" >&2; exit 1; }
    import -window root -display "$display" "$out/$code-$s-screen.png"
    # The dialog is the only thing on the black screen: crop to what is not black.
    convert "$out/$code-$s-screen.png" -bordercolor black -border 1 -trim +repage "$out/$code-$s.png"
    rm -f "$out/$code-$s-screen.png"
    touch "$sync/done-$i"
    i=$((i + 1))
  done
  wait "$pid" || true
done
echo "shots: $(ls "$out"/*-controls.png "$out"/*-version.png | wc -l) pictures in $out"
