#!/usr/bin/env bash
# Builds Vistrel.msi with wixl, then mends two rows wixl cannot write:
# - the event source's message file becomes REG_EXPAND_SZ ("#%" in the Registry
#   table), the type the event log documents: wixl escapes a leading "#";
# - the upgrade row takes installed products of the same version too
#   (VersionMaxInclusive): Windows Installer compares only the first three
#   fields, so without it a build that raises only the fourth would install
#   beside the older one instead of replacing it.
#   build-msi.sh OUTPUT.msi INPUT.wxs VERSION
set -euo pipefail
out=$1 wxs=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wixl -a x64 -D Version="$version" -o "$work/Vistrel.msi" "$wxs"
(cd "$work" && msiinfo export Vistrel.msi Registry > Registry.idt && msiinfo export Vistrel.msi Upgrade > Upgrade.idt)
grep -q $'\tEventMessageFile\t##%' "$work/Registry.idt"
sed -i $'s/\tEventMessageFile\t##%/\tEventMessageFile\t#%/' "$work/Registry.idt"
# Attributes 1 (migrate features) + 512 (maximum inclusive).
grep -q $'\t1\t\tWIX_UPGRADE_DETECTED' "$work/Upgrade.idt"
sed -i $'s/\t1\t\tWIX_UPGRADE_DETECTED/\t513\t\tWIX_UPGRADE_DETECTED/' "$work/Upgrade.idt"
(cd "$work" && msibuild Vistrel.msi -i Registry.idt && msibuild Vistrel.msi -i Upgrade.idt)
mv "$work/Vistrel.msi" "$out"
