#!/usr/bin/env bash
# Builds the Windows program (cross, MinGW-w64) and, with --native, the native
# unit tests.  Usage: scripts/build.sh [--native]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

mkdir -p build
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake >build/cmake-win32.log 2>&1 \
  || { cat build/cmake-win32.log; exit 1; }
cmake --build build/win32 -j"$jobs"

if [ "${1:-}" = "--native" ]; then
  cmake -S . -B build/native >build/cmake-native.log 2>&1 || { cat build/cmake-native.log; exit 1; }
  cmake --build build/native -j"$jobs"
fi
