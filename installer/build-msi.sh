#!/usr/bin/env bash
# Builds Vistrel.msi with wixl, then marks the event source's message file as
# REG_EXPAND_SZ ("#%" in the Registry table), the type the event log
# documents: wixl escapes a leading "#" and has no working expandable type.
#   build-msi.sh OUTPUT.msi INPUT.wxs
set -euo pipefail
out=$1 wxs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wixl -a x64 -o "$work/Vistrel.msi" "$wxs"
(cd "$work" && msiinfo export Vistrel.msi Registry > Registry.idt)
grep -q $'\tEventMessageFile\t##%' "$work/Registry.idt"
sed -i $'s/\tEventMessageFile\t##%/\tEventMessageFile\t#%/' "$work/Registry.idt"
(cd "$work" && msibuild Vistrel.msi -i Registry.idt)
mv "$work/Vistrel.msi" "$out"
