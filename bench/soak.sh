#!/usr/bin/env bash
# Soak run: the real program under Wine with random user input for MINUTES, then its
# figures (alive, dialogs seen, resident memory, its own live handle counts).
#   bench/soak.sh MINUTES [--seed N] [--build-dir DIR]
# Builds the program first if it is not built.  See bench/soak.py.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: bench/soak.sh MINUTES [--seed N] [--build-dir DIR]" >&2
  exit 2
fi
source scripts/wine-env.sh  # the build this host runs
if [ ! -e "$QO_BUILD_DIR/bin/Quillmark Orvane.exe" ] || [ ! -e "$QO_BUILD_DIR/bin/qo_probe.exe" ]; then
  scripts/build.sh
fi
exec python3 bench/soak.py "$@"
