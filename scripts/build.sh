#!/usr/bin/env bash
# Builds the Windows program (cross, MinGW-w64) and, with --native, the native
# unit tests.  Usage: scripts/build.sh [--native] [--both]
# The Windows build is the one this host runs (scripts/wine-env.sh): build/win32,
# or build/win64 where the host runs no 32-bit code; --both builds the two.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
jobs=$(nproc)
native=0; both=0
for arg in "$@"; do
  case "$arg" in
    --native) native=1 ;;
    --both) both=1 ;;
    *) echo "usage: scripts/build.sh [--native] [--both]" >&2; exit 2 ;;
  esac
done

mkdir -p build
windows() {  # windows BITS TOOLCHAIN
  cmake -S . -B "build/win$1" -DCMAKE_TOOLCHAIN_FILE="cmake/$2.cmake" >"build/cmake-win$1.log" 2>&1 \
    || { cat "build/cmake-win$1.log"; exit 1; }
  cmake --build "build/win$1" -j"$jobs"
}
if [ "$both" = 1 ] || [ "$QO_BITS" = 32 ]; then windows 32 mingw-w64-i686; fi
if [ "$both" = 1 ] || [ "$QO_BITS" = 64 ]; then windows 64 mingw-w64-x86_64; fi

if [ "$native" = 1 ]; then
  cmake -S . -B build/native >build/cmake-native.log 2>&1 || { cat build/cmake-native.log; exit 1; }
  cmake --build build/native -j"$jobs"
fi
