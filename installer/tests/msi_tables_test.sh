#!/usr/bin/env bash
# Validates Vistrel.msi's tables with msiinfo: the components and their key
# paths, the files, the features, the shortcut's working folder, the event
# source's values, the upgrade code and version, per-machine 64-bit.
#   msi_tables_test.sh Vistrel.msi VERSION HAVE_OKUMO(0|1) ICON
set -uo pipefail
msi=$1 version=$2 okumo=$3 icon=$4
fails=0
fail() { echo "msi_tables_test: FAIL: $*"; fails=$((fails + 1)); }
rows() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
# expect TABLE "tab-separated row" : the row must be present exactly.
expect() { rows "$1" | grep -qxF -- "$2" || fail "$1 lacks: $(printf '%s' "$2" | tr '\t' '|')"; }

# Components: id, directory, attributes (256: 64-bit; 4: registry key path), key path.
want_components=(
  $'VistrelExe\tINSTALLDIR\t256\tVistrelExe'
  $'CapwellDll\tINSTALLDIR\t256\tCapwellDll'
  $'TolvaneDll\tINSTALLDIR\t256\tTolvaneDll'
  $'TavrinDll\tINSTALLDIR\t256\tTavrinDll'
  $'DornetExe\tINSTALLDIR\t256\tDornetExe'
  $'FactoryPresets\tFactoryFolder\t256\tPreset_balance1_csv'
  $'MerrowcomDll\tINSTALLDIR\t256\tMerrowcomDll')
[ "$okumo" = 1 ] && want_components+=($'OkumoDll\tINSTALLDIR\t256\tOkumoDll')
got=$(rows Component | awk -F'\t' '{print $1 "\t" $3 "\t" $4 "\t" $6}')
for c in "${want_components[@]}"; do grep -qxF -- "$c" <<<"$got" || fail "component $(tr '\t' '|' <<<"$c")"; done
for c in EventSource SimDriverEnum SimDriverClass; do
  grep -q -P "^$c\t[^\t]+\t260\treg" <<<"$got" || fail "component $c is not a 64-bit registry-keyed one"
done
n_want=$(( ${#want_components[@]} + 3 ))
[ "$(wc -l <<<"$got")" = "$n_want" ] || fail "$(wc -l <<<"$got") components, $n_want expected"
# Every component has its own stable id (no generated ones).
[ "$(rows Component | cut -f2 | sort -u | grep -c '^{')" = "$n_want" ] || fail "component ids"

# Files, and where they go.
for f in Vistrel.exe Capwell.dll Tolvane.dll Tavrin_x64.dll Dornet.exe Merrowcom.dll \
         balance1.csv balance2.csv balance3.csv custom_balance.csv \
         low_level.csv middle_level.csv high_level.csv custom_level.csv; do
  rows File | cut -f3 | grep -qxF "$f" || fail "no file $f"
done
[ "$okumo" = 1 ] && { rows File | cut -f3 | grep -qxF Okumo.dll || fail "no file Okumo.dll"; }
expect Directory $'INSTALLDIR\tProgramFiles64Folder\tVistrel'
expect Directory $'FactoryFolder\tSettingFolder\tdefault'
expect Directory $'SettingFolder\tINSTALLDIR\tsetting'

# Features: the product always, the simulator only when asked for.
expect Feature $'Product\t\tVistrel\t\t2\t1\t\t0'
expect Feature $'Demo\t\tController simulator\t\t2\t1000\t\t0'
for c in MerrowcomDll SimDriverEnum SimDriverClass; do expect FeatureComponents $'Demo\t'"$c"; done
rows FeatureComponents | grep -P '^Product\t(MerrowcomDll|SimDriver)' && fail "the simulator in the product feature"

# The shortcut starts the viewer in the installation folder.
expect Shortcut $'VistrelShortcut\tProgramMenuFolder\tVistrel\tVistrelExe\t[INSTALLDIR]Vistrel.exe\t\tVistrel HDMI input viewer\t\t\t\t\tINSTALLDIR\t\t\t\t'

# The installation folder goes on uninstall once it is empty.
expect RemoveFile $'RemoveInstallDir\tVistrelExe\t\tINSTALLDIR\t2'

# The event source: HKLM (2), the viewer's title, the message file as REG_EXPAND_SZ (#%).
key='SYSTEM\CurrentControlSet\Services\EventLog\Application\Vistrel\'
rows Registry | cut -f2- | grep -qxF -- $'2\t'"$key"$'\tEventMessageFile\t#%[INSTALLDIR]Capwell.dll\tEventSource' \
  || fail "EventMessageFile"
rows Registry | cut -f2- | grep -qxF -- $'2\t'"$key"$'\tTypesSupported\t#7\tEventSource' || fail "TypesSupported"
rows Registry | grep -P '\t(SimDriverEnum|SimDriverClass)$' | grep -v -q 'CurrentControlSet\\\(Enum\\PCI\|Control\\Class\)' \
  && fail "simulated driver values outside its two keys"

# Per machine, this version, the one upgrade code, 64-bit.
expect Property $'ALLUSERS\t1'
expect Property $'ARPPRODUCTICON\tVistrel.ico'
expect Icon $'Vistrel.ico\tIcon.Vistrel.ico'
msiinfo extract "$msi" Icon.Vistrel.ico | cmp -s - "$icon" || fail "the icon is not the viewer's"
expect Property $'ProductVersion\t'"$version"
expect Property $'UpgradeCode\t{91203635-5F7A-4202-8B43-08356EE00659}'
# Older and same-version products are replaced (1: migrate features, 512: the
# maximum inclusive); newer ones stop the install.
expect Upgrade $'{91203635-5F7A-4202-8B43-08356EE00659}\t\t'"$version"$'\t\t513\t\tWIX_UPGRADE_DETECTED'
expect Upgrade $'{91203635-5F7A-4202-8B43-08356EE00659}\t'"$version"$'\t\t\t2\t\tWIX_DOWNGRADE_DETECTED'
msiinfo suminfo "$msi" | grep -qx 'Template: x64;1033' || fail "not a 64-bit package"

[ "$fails" = 0 ] && echo "msi_tables_test: all tables as expected"
exit $((fails != 0))
