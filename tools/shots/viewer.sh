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
out=$(mkdir -p "${1:-build/shots/viewer}" && cd "${1:-build/shots/viewer}" && pwd)
command -v import >/dev/null || { echo "shots: ImageMagick's import is missing" >&2; exit 1; }
seconds=${SHOTS_SECONDS:-40}

cmake --build build/windows --target cw_system >"$out/build.log" 2>&1 || { tail -30 "$out/build.log" >&2; exit 1; }
bin="$root/build/windows/bin"
[ -e "$bin/Vistrel.exe" ] || { echo "shots: no Vistrel.exe in $bin" >&2; exit 1; }

# The same private prefix as views.sh, with the registry files the simulated
# set-up needs (the tests' prefix gets them from the build).
prefix="$root/build/windows/shots-prefix"
wine_run() { DISPLAY="${SHOTS_DISPLAY:-}" "$root/tools/wine-run.sh" --prefix "$prefix" "$@"; }
regs=()
while IFS= read -r r; do regs+=(--reg "$root/$r"); done < <(git ls-files '*.reg')
wine_run --init "${regs[@]}" >/dev/null 2>&1 || { echo "shots: could not prepare $prefix" >&2; exit 1; }
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Meiryo /t REG_SZ /d "Noto Sans CJK JP" /f >/dev/null 2>&1
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

locales="$root/build/shots/locale"
mkdir -p "$locales"
for l in ja_JP fr_FR; do
  [ -d "$locales/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8" 2>/dev/null || true
done

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

scenario=$(WINEPREFIX="$prefix" winepath -w "$root/tools/shots/viewer-states.json" 2>/dev/null)
for lang in ${SHOTS_LANGS:-en:C.UTF-8 ja:ja_JP.UTF-8 fr:fr_FR.UTF-8}; do
  code=${lang%%:*}
  rm -f "$out/$code"-*.png
  (cd "$bin" && LOCPATH="$locales" LANG="${lang#*:}" LC_ALL="${lang#*:}" MERROWCOM_SCENARIO="$scenario" \
     SHOTS_DISPLAY="$display" wine_run "$bin/Vistrel.exe" >"$out/viewer-$code.log" 2>&1) &
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
