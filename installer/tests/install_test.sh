#!/usr/bin/env bash
# Installs Vistrel.msi into a Wine prefix of its own (the build's test prefix
# carries the simulated driver already, and an uninstall must not take it away),
# checks what was installed, starts the installed viewer against the simulator,
# upgrades it with a newer build, uninstalls, and checks that nothing the package
# made is left and nothing the user made is gone.
#   install_test.sh SOURCE_ROOT BIN_DIR WORK_DIR WXS VERSION HAVE_OKUMO(0|1)
set -uo pipefail
src=$1 bin=$2 work=$3 wxs=$4 version=$5 okumo=$6
prefix="$work/prefix"
msi="$bin/Vistrel.msi"
fails=0
fail() { echo "install_test: FAIL: $*"; fails=$((fails + 1)); }
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }

mkdir -p "$work"
run --init || { echo "install_test: cannot make the prefix"; exit 1; }
export WINEPREFIX=$(cd "$prefix" && pwd)
drive="$WINEPREFIX/drive_c"
dir="$drive/Program Files/Vistrel"
wdir='C:\Program Files\Vistrel'
user_dir=$(find "$drive/users" -maxdepth 1 -mindepth 1 -type d -not -name Public | head -1)
# Wine links the user's Desktop, Pictures and the like to the Linux home; here
# they are the prefix's own, so the user's files made below stay inside it.
for l in "$user_dir"/*; do
  if [ -L "$l" ]; then rm "$l" && mkdir "$l"; fi
done
# ALLUSERS=1 puts it in the common Start menu on Windows; Wine's msiexec uses the user's.
menus=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
       "$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
winmsi=$(winepath -w "$msi" 2>/dev/null)

# The versions of Vistrel in Programs and Features (the Uninstall keys).
installed() {
  awk '/^\[/ { if (name == "Vistrel") print ver; name = ""; ver = ""; u = ($0 ~ /CurrentVersion\\\\Uninstall\\\\/) }
       u && /^"DisplayName"=/ { name = substr($0, 16, length($0) - 16) }
       u && /^"DisplayVersion"=/ { ver = substr($0, 19, length($0) - 19) }
       END { if (name == "Vistrel") print ver }' "$WINEPREFIX/system.reg"
}

# A left-over install from an interrupted run goes first.
run msiexec /x "$winmsi" /qn >/dev/null 2>&1
for m in "$work"/Vistrel-*.msi; do
  [ -f "$m" ] && run msiexec /x "$(winepath -w "$m" 2>/dev/null)" /qn >/dev/null 2>&1
done
[ -z "$(installed)" ] || { echo "install_test: Vistrel $(installed) is installed and cannot be removed"; exit 1; }

# What the prefix holds: every file (temporary folders aside) and every registry
# key and value of the machine and the user.
snapshot() {
  (cd "$drive" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o -print | sort) >"$1.files"
  for hive in system.reg user.reg; do
    # Wine stores a time stamp after each key name; values are kept whole.
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' "$WINEPREFIX/$hive"
  done | awk '/^\[/ { skip = ($0 ~ /\\\\(Fonts|MMDevices|Wine\\\\Drivers)(\\\\.*)?\]$/) } !skip' | grep -v -e '^$' \
    -e '^"DriverDateData"=' -e '^@=hex(ffff1003):' \
    -e '^\[Software\\\\Classes\\\\Installer\\\\\(Features\|Products\|UpgradeCodes\)\]$' \
    -e '^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Installer\\\\\(UpgradeCodes\|UserData\\\\S-1-5-18\\\\Components\|UserData\\\\S-1-5-18\\\\Products\)\]$' \
    >"$1.reg"
  # Left out: Wine's own device, display and font caches and its audio driver's
  # key (it registers fonts the Linux machine gains at any time, and audio
  # devices and driver settings once a program first asks for them, as the
  # viewer's level meters do), and the empty roots of
  # Windows Installer's own store, which the first install into a fresh prefix
  # makes (a tablet has them already); anything below them still counts.
}
# A tablet's event log key holds the log's own values; Wine's is empty, and an
# empty parent would go with the event source on uninstall.
run reg add 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application' /v File /t REG_EXPAND_SZ \
  /d '%SystemRoot%\System32\Winevt\Logs\Application.evtx' /f >/dev/null 2>&1
snapshot "$work/before"

run msiexec /i "$winmsi" /qn ADDLOCAL=ALL >/dev/null 2>&1 || fail "msiexec /i returned $?"
[ "$(installed)" = "$version" ] || fail "Programs and Features shows [$(installed)], $version expected"
for f in Vistrel.exe Capwell.dll Tolvane.dll Tavrin_x64.dll Dornet.exe Merrowcom.dll \
         setting/default/balance1.csv setting/default/custom_level.csv; do
  [ -f "$dir/$f" ] || fail "not installed: $f"
done
[ "$okumo" = 1 ] && { [ -f "$dir/Okumo.dll" ] || fail "not installed: Okumo.dll"; }
[ -f "${menus[0]}/Vistrel.lnk" ] || [ -f "${menus[1]}/Vistrel.lnk" ] || fail "no Start-menu shortcut"
run "$bin/install_probe.exe" check "$wdir" || fail "installed event source or message table"
run "$bin/install_probe.exe" run "$wdir" || fail "the installed viewer"

# What the user made while it was installed stays.
user_presets="$user_dir/AppData/Local/Harlowe_Corporation/Vistrel/Custom"
mkdir -p "$user_presets"
printf '1,2,3\r\n4,5,6\r\n' >"$user_presets/custom_level.csv"
pictures="$user_dir/Pictures/Vistrel"  # the viewer's capture folder
mkdir -p "$pictures"
printf 'BM' >"$pictures/20260101_000000000.bmp"

# A newer build replaces the installed one in place, also one that raises only
# the fourth field of the version (which Windows Installer does not compare).
# One that raises the third is protected against an older package.
IFS=. read -r v1 v2 v3 v4 <<<"$version"
upgrade() {  # VERSION: builds that package, installs it over what is there
  local m="$work/Vistrel-$1.msi"
  "$src/installer/build-msi.sh" "$m" "$wxs" "$1" || fail "cannot build the $1 package"
  run msiexec /i "$(winepath -w "$m" 2>/dev/null)" /qn ADDLOCAL=ALL >/dev/null 2>&1 || fail "$1 over $(installed): $?"
  local got=$(installed | tr '\n' ' ')
  [ "$got" = "$1 " ] || fail "installed after the upgrade to $1: [$got]"
}
upgrade "$v1.$v2.$v3.$((v4 + 1))"
next="$v1.$v2.$((v3 + 1)).$v4"
upgrade "$next"
winnext=$(winepath -w "$work/Vistrel-$next.msi" 2>/dev/null)
[ -f "$dir/Vistrel.exe" ] && [ -f "$dir/setting/default/balance1.csv" ] || fail "files missing after the upgrades"
run "$bin/install_probe.exe" check "$wdir" || fail "the event source after the upgrades"
[ -f "$user_presets/custom_level.csv" ] || fail "an upgrade removed the user's preset"
run msiexec /i "$(winepath -w "$work/Vistrel-$v1.$v2.$v3.$((v4 + 1)).msi" 2>/dev/null)" /qn >/dev/null 2>&1 \
  && fail "an older package installed over $next"
[ "$(installed)" = "$next" ] || fail "after the refused downgrade: [$(installed)], $next expected"

# The viewer keeps the user's settings under the user's own key: they are the
# user's, like the presets, and outlive the package.
settings='HKCU\Software\Harlowe\Vistrel'
had_settings=0
run reg query "$settings" >/dev/null 2>&1 && had_settings=1
run msiexec /x "$winnext" /qn >/dev/null 2>&1 || fail "msiexec /x returned $?"
if [ "$had_settings" = 1 ]; then
  run reg query "$settings" >/dev/null 2>&1 || fail "the uninstall removed the user's settings"
  run reg delete "$settings" /f >/dev/null 2>&1
  # and the company key above it, when the viewer made that too
  grep -qxF '[Software\\Harlowe]' "$work/before.reg" || run reg delete 'HKCU\Software\Harlowe' /f >/dev/null 2>&1
fi
[ -f "$user_presets/custom_level.csv" ] || fail "the uninstall removed the user's preset"
[ -f "$pictures/20260101_000000000.bmp" ] || fail "the uninstall removed the user's still"
# With the user's own files gone the prefix must be as it was.
rm -rf "$pictures"
rm -rf "$user_dir/AppData/Local/Harlowe_Corporation"

snapshot "$work/after"
if ! diff "$work/before.files" "$work/after.files" >"$work/files.diff"; then
  fail "files left or lost by install and uninstall:"; cat "$work/files.diff"
fi
if ! diff "$work/before.reg" "$work/after.reg" >"$work/reg.diff"; then
  fail "registry left or lost by install and uninstall:"; head -40 "$work/reg.diff"
fi
[ "$fails" = 0 ] && echo "install_test: install, run and uninstall clean"
exit $((fails != 0))
