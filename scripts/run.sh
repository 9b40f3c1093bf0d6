#!/usr/bin/env bash
# Builds the program and starts it under Wine on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
No X display (DISPLAY is not set), so the program has nowhere to show its window.
Either run this from a desktop session, or start a virtual screen and look at it:
    Xvfb :5 -screen 0 1280x1024x24 &
    DISPLAY=:5 scripts/run.sh
    DISPLAY=:5 import -window root screen.png     # a screenshot of it
MSG
  exit 2
fi

export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "build/win32/bin/Quillmark Orvane.exe"
