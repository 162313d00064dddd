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
out=$(mkdir -p "${1:-build/shots}" && cd "${1:-build/shots}" && pwd)
command -v import >/dev/null || { echo "shots: ImageMagick's import is missing" >&2; exit 1; }

cmake --build build/windows --target ControlsShotHost >"$out/build.log" 2>&1 ||
  { tail -30 "$out/build.log" >&2; exit 1; }
host="$root/build/windows/bin/ControlsShotHost.exe"
# A Wine prefix of its own: the font and frame settings below stay out of the tests' prefix.
prefix="$root/build/windows/shots-controls-prefix"
DISPLAY="" "$root/tools/wine-run.sh" --prefix "$prefix" --init >/dev/null 2>&1 ||
  { echo "shots: could not prepare the Wine prefix $prefix" >&2; exit 1; }

# Wine takes its user-interface language from the Unix locale; build the two
# that the machine may lack in a private folder instead of installing them.
locales="$out/locale"
mkdir -p "$locales"
for l in ja_JP fr_FR; do
  [ -d "$locales/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8" 2>/dev/null || true
  [ -d "$locales/$l.UTF-8" ] || { echo "shots: could not build the $l locale" >&2; exit 1; }
done

# The views ask for "Meiryo", which a Linux machine lacks: let Wine draw it with
# Noto Sans CJK JP: Latin and Japanese letters, and line spacing close to Meiryo's.
DISPLAY="" "$root/tools/wine-run.sh" --prefix "$prefix" reg add \
  'HKCU\Software\Wine\Fonts\Replacements' /v Meiryo /t REG_SZ /d "Noto Sans CJK JP" /f >/dev/null 2>&1 ||
  { echo "shots: could not set the font replacement" >&2; exit 1; }
# Without a window manager Wine draws the window frames itself only when it
# does not leave them to one.
DISPLAY="" "$root/tools/wine-run.sh" --prefix "$prefix" reg add \
  'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
  { echo "shots: could not set the window frames" >&2; exit 1; }

display=""
for n in $(seq 60 89); do
  [ -e "/tmp/.X${n}-lock" ] && continue
  Xvfb ":$n" -screen 0 1920x1280x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.05; done
  if kill -0 "$xvfb" 2>/dev/null; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "shots: no free X display" >&2; exit 1; }
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

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
