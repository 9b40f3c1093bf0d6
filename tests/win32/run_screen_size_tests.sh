#!/usr/bin/env bash
# Runs the screen-size cases of the Win32 tests once per virtual screen size,
# from 640 x 480 up to 7680 x 4320 and 16384 x 16384, too large for a 32-bit process to
# copy (a 64-bit one copies it whole), each on an Xvfb of its own with one throwaway
# Wine prefix for all; the build is the one this host runs (scripts/wine-env.sh).
# Usage: run_screen_size_tests.sh REPORT_FOLDER [WxH ...]; writes one
# GoogleTest XML report per size into REPORT_FOLDER.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env.sh
reports=$(realpath -m "$1"); shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(640x480 1024x768 1366x768 1920x1080 2560x1440 3840x2160 7680x4320 16384x16384)
mkdir -p "$reports"
work=$(mktemp -d /tmp/qo-screen-sizes.XXXXXX)
export WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"

xvfb_pid=""
stop_screen() {
  wineserver -k >/dev/null 2>&1
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  xvfb_pid=""
}
finish() { stop_screen; rm -rf "$work"; }
trap finish EXIT

start_screen() {  # start_screen WxH
  local display=""
  for n in $(seq 40 99); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 "$1x24" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

status=0
for size in "${sizes[@]}"; do
  report="$reports/screen-$size.xml"
  if ! start_screen "$size"; then
    echo "screen $size: no virtual screen could be started"; status=1; stop_screen; continue
  fi
  if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >"$work/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$work/reg.log" 2>&1
  fi
  wineserver -p
  QO_SCREEN_SIZE="$size" wine "$QO_BUILD_DIR/bin/qo_win32_tests.exe" --gtest_brief=1 \
    --gtest_filter='ScreenSizeBadInput.*' \
    --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" >"$work/out.txt" 2>&1 || status=1
  echo "screen $size:"
  tr -d '\r' <"$work/out.txt" | grep -v -E '^(Running main|wine: Read access denied|$)'
  stop_screen
done
exit $status
