#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages.
# Idempotent: does nothing when everything is present.  Needs root.
# With --screenshots also what tools/make_screenshots.py needs (a headless browser).
set -euo pipefail

packages=(
  cmake make g++ googletest python3
  g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  xvfb xdotool x11-utils imagemagick fonts-liberation libx11-6 libxfixes3
  x11vnc novnc websockify
  clang libclang-rt-dev
)
[ "${1:-}" = "--screenshots" ] && packages+=(chromium)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run this as root to install them." >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
