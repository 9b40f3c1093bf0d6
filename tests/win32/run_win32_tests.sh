#!/usr/bin/env bash
# Runs the Win32 integration tests under Wine in a virtual X screen of their own,
# with a throwaway Wine prefix.  Usage: run_win32_tests.sh REPORT.xml [GTEST ARGUMENTS]
# (for instance --gtest_filter='HandlersOnWin32.*').
set -uo pipefail
cd "$(dirname "$0")/../.."
report=$(realpath -m "$1")
shift
work=$(mktemp -d /tmp/qo-win32-tests.XXXXXX)

display=""
for n in $(seq 40 99); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!

export DISPLAY="$display" WINEPREFIX="$work/prefix" WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
finish() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
wineboot -i >"$work/wineboot.log" 2>&1
# Without a window manager Wine stalls two seconds on every hide; unmanaged windows do not.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$work/reg.log" 2>&1
wineserver -p
wine build/win32/bin/qo_win32_tests.exe --gtest_brief=1 "$@" \
  --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" >"$work/out.txt" 2>&1
status=$?
tr -d '\r' <"$work/out.txt" | grep -v -E '^(Running main|wine: Read access denied|$)'
exit $status
