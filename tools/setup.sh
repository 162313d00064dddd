#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
# Quick and silent when everything is there already.
set -euo pipefail

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine xvfb xauth
          googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev git python3
          wixl msitools)
# A Japanese font with line spacing like the viewer's "Meiryo", for its screens
# under Wine (tools/shots/).
packages+=(fonts-noto-cjk)
# The simulated panel's two-screen display and the run command's screenshot.
packages+=(xserver-xephyr imagemagick)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "setup: these packages are missing: ${missing[*]}" >&2
  echo "setup: run this script as root (or: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
