# Shared by the screenshot scripts (sourced, not run): a Wine prefix set up for
# pictures, the two locales Wine takes its language from, and a private Xvfb.
# Expects `root` (the repository) to be set; stops the script on failure.

# shots_prefix PREFIX [--reg FILE]...: a prefix of its own, so the font and frame
# settings stay out of the tests' prefix.
shots_prefix() {
  local prefix=$1
  shift
  DISPLAY="" "$root/tools/wine-run.sh" --prefix "$prefix" --init "$@" >/dev/null 2>&1 ||
    { echo "shots: could not prepare the Wine prefix $prefix" >&2; exit 1; }
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
}

# shots_locales DIR: Wine takes its user-interface language from the Unix locale;
# build the two that the machine may lack in a private folder instead of installing them.
shots_locales() {
  locales=$1
  mkdir -p "$locales"
  local l
  for l in ja_JP fr_FR; do
    [ -d "$locales/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$locales/$l.UTF-8" 2>/dev/null || true
    [ -d "$locales/$l.UTF-8" ] || { echo "shots: could not build the $l locale" >&2; exit 1; }
  done
}

# shots_display: a private 1920 x 1280 Xvfb in `display`, stopped when the script ends.
shots_display() {
  display=""
  local n
  for n in $(seq 60 89); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1280x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.05; done
    if kill -0 "$xvfb" 2>/dev/null; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "shots: no free X display" >&2; exit 1; }
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
}

# shots_panel_display W H: the tablet and its panel side by side, as tools/run.sh
# shows them: Xephyr with two W x H screens and Xinerama (RandR off, so Wine sees
# two monitors) on a private Xvfb, in `display`; the simulated panel's mirror
# takes the right screen. Both servers stop when the script ends.
shots_panel_display() {
  local w=$1 h=$2 n host=""
  command -v Xephyr >/dev/null || { echo "shots: Xephyr is missing (tools/setup.sh installs it)" >&2; exit 1; }
  display=""
  for n in $(seq 60 89); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 "$((2 * w + 16))x$((h + 16))x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.05; done
    if kill -0 "$xvfb" 2>/dev/null; then host=":$n"; break; fi
  done
  [ -n "$host" ] || { echo "shots: no free X display" >&2; exit 1; }
  for n in $(seq 90 119); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    DISPLAY="$host" Xephyr ":$n" +xinerama -extension RANDR -screen "${w}x${h}" -screen "${w}x${h}" \
      -nolisten tcp >/dev/null 2>&1 &
    xephyr=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${n}" ] && break; sleep 0.05; done
    if kill -0 "$xephyr" 2>/dev/null; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { kill "$xvfb"; echo "shots: Xephyr did not start" >&2; exit 1; }
  trap 'kill "$xephyr" "$xvfb" 2>/dev/null || true' EXIT
}
