#!/usr/bin/env bash
# Runs the Win32 integration tests under Wine in a virtual X screen of their own,
# with a throwaway Wine prefix.  Usage: run_win32_tests.sh REPORT.xml [GTEST OPTIONS...]
# (e.g. --gtest_filter='CursorFile*').  Runs the build this host can run
# (scripts/wine-env.sh); QO_NO_32BIT=1 picks the 64-bit one on any host.
# As root it also mounts a small file system for the full-disk cases (QO_FULL_DISK),
# and unmounts it at the end.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env.sh
report=$(realpath -m "$1")
shift
work=$(mktemp -d /tmp/qo-win32-tests.XXXXXX)

display=""
for n in $(seq 40 99); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!

export DISPLAY="$display" WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"
full_disk="$work/full-disk"
finish() {
  wineserver -k >/dev/null 2>&1
  mountpoint -q "$full_disk" 2>/dev/null && umount "$full_disk"
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
wineboot -i >"$work/wineboot.log" 2>&1
# Without a window manager Wine stalls two seconds on every hide; unmanaged windows do not.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$work/reg.log" 2>&1
wineserver -p
mkdir -p "$full_disk"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=256k,mode=0777 qo-full-disk "$full_disk" 2>/dev/null; then
  export QO_FULL_DISK="$(winepath -w "$full_disk" 2>/dev/null)"
fi
wine "$QO_BUILD_DIR/bin/qo_win32_tests.exe" --gtest_brief=1 \
  --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" "$@" >"$work/out.txt" 2>&1
status=$?
tr -d '\r' <"$work/out.txt" | grep -v -E '^(Running main|wine: Read access denied|$)'
exit $status
