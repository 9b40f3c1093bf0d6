# Sourced, not run: picks the build this host can run under Wine and sets up the
# commands for it.  Sets
#   QO_BITS        32 or 64: the program build that runs here
#   QO_BITS_WHY    one line saying why
#   QO_BUILD_DIR   build/win32 or build/win64 (absolute)
#   WINEARCH       win32 or win64
# and, for 64 bits, puts a folder first on PATH whose `wine`, `wineboot`,
# `winepath` and `wineserver` are 64-bit Wine's: Debian's `wine` picks the 32-bit
# loader whenever wine32 is installed, even where the kernel cannot run it.
#
# The host's support for 32-bit code is found out by trying: Wine's 32-bit loader
# is run.  QO_NO_32BIT=1 makes everything act as on a host without it.
#
# qo_runs_32bit: 0 when this host runs 32-bit code (and QO_NO_32BIT is not set).

qo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

qo_runs_32bit() {
  [ "${QO_NO_32BIT:-0}" = 1 ] && return 1
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

if qo_runs_32bit; then
  QO_BITS=32
  QO_BITS_WHY="this host runs 32-bit code"
  export WINEARCH=win32
else
  QO_BITS=64
  if [ "${QO_NO_32BIT:-0}" = 1 ]; then
    QO_BITS_WHY="QO_NO_32BIT=1 makes this host act as one without 32-bit support"
  elif [ -x /usr/lib/wine/wine ]; then
    QO_BITS_WHY="this host runs no 32-bit code (Wine's 32-bit loader: $( { /usr/lib/wine/wine --version 2>&1 || true; } | head -n 1 | sed 's/^.*: //'))"
  else
    QO_BITS_WHY="32-bit Wine is not installed here"
  fi
  export WINEARCH=win64
  qo_wine_bin="$qo_root/build/wine64-bin"
  mkdir -p "$qo_wine_bin"
  printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
    >"$qo_wine_bin/wine"
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$qo_wine_bin/wineserver"
  for qo_tool in wineboot winepath; do
    printf '#!/bin/sh\nexec "%s/wine" %s.exe "$@"\n' "$qo_wine_bin" "$qo_tool" >"$qo_wine_bin/$qo_tool"
  done
  chmod +x "$qo_wine_bin"/*
  case ":$PATH:" in *":$qo_wine_bin:"*) ;; *) export PATH="$qo_wine_bin:$PATH" ;; esac
fi
QO_BUILD_DIR="$qo_root/build/win$QO_BITS"
export QO_BITS QO_BITS_WHY QO_BUILD_DIR
