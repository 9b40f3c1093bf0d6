#!/usr/bin/env bash
# Builds the program and starts it under Wine.
#
# With an X display (DISPLAY set) the program simply opens there.
#
# Without one it brings up a virtual screen that a web browser shows: Xvfb, a VNC
# server on it (x11vnc) and noVNC behind websockify, all on 127.0.0.1 only.  It
# prints the address to open, runs the program in a Wine prefix whose windows Wine
# frames itself (so they have captions and can be moved), and when the program
# ends or on Ctrl+C it ends everything it started, by PID.
#
# Settings for the display-less mode (environment):
#   QO_SCREEN      screen size, default 1280x1024
#   QO_WEB_PORT    first port to try for the browser page, default 6080
#   QO_VNC_PORT    first port to try for the VNC server, default 5910
#   WINEPREFIX     the Wine prefix to use; default build/wine-vnc (build/wine-vnc64
#                  for the 64-bit program), made on first use
#
# It runs the 32-bit program, or the 64-bit one where the host runs no 32-bit code
# (or QO_NO_32BIT=1; see scripts/wine-env.sh), and says which.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
source scripts/wine-env.sh
scripts/build.sh

export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG="${WINEDEBUG:--all}"
program="$QO_BUILD_DIR/bin/Quillmark Orvane.exe"
echo "run: the $QO_BITS-bit program, since $QO_BITS_WHY."
if ! problem=$(wine --version 2>&1); then
  echo "run: Wine cannot run programs on this host: ${problem:-its loader failed}" >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$program"
fi

screen=${QO_SCREEN:-1280x1024}
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-vnc${QO_BITS/32/}}
logs=$root/build/run-logs
mkdir -p "$logs"

pids=()  # what this script started, ended in reverse order
server_up=0
# end PID: asks a process this script started to end, and makes it end after 5 s.
end() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
finish() {
  trap - EXIT INT TERM
  if [ "$server_up" = 1 ]; then
    # This prefix's server and programs only; bounded, so that a slow server cannot
    # keep the rest of what this script started alive.
    timeout 15 wineserver -k >/dev/null 2>&1 || timeout 5 wineserver -k9 >/dev/null 2>&1 || true
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do end "${pids[i]}"; done
  echo "run: everything this script started has ended."
}
trap finish EXIT
trap 'exit 130' INT TERM

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
free_port() {
  local port=$1
  until port_free "$port"; do port=$((port + 1)); done
  echo "$port"
}
free_display() {
  local n=20
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  echo "$n"
}
# wait_until WHAT SECONDS COMMAND...: polls COMMAND every 0.1 s.
wait_until() {
  local what=$1 tries=$(($2 * 10))
  shift 2
  for ((t = 0; t < tries; t++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "run: $what did not come up; see $logs" >&2
  exit 1
}

number=$(free_display)
export DISPLAY=":$number"
Xvfb "$DISPLAY" -screen 0 "${screen}x24" -nolisten tcp -noreset >"$logs/xvfb.log" 2>&1 &
pids+=($!)
wait_until "Xvfb on $DISPLAY" 15 xdpyinfo

mkdir -p "$WINEPREFIX"
# A persistent server of our own keeps Wine's start-ups short; one already running
# for the prefix is someone else's and is left alone.
if wineserver -p >/dev/null 2>&1; then server_up=1; fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: making the Wine prefix $WINEPREFIX (once, about half a minute)"
  if ! wineboot -i >"$logs/wineboot.log" 2>&1; then
    echo "run: Wine could not make its prefix $WINEPREFIX:" >&2
    tail -n 5 "$logs/wineboot.log" >&2
    exit 1
  fi
fi
# Wine draws captions and frames itself, so the windows can be moved without a
# window manager.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$logs/reg.log" 2>&1
# Their caption buttons are drawn with the symbol font Marlett.  Debian's Wine 8 looks
# for its own fonts at Z:\usr\share\wine\../fonts, a name it cannot open, and the
# buttons then show "0 1 r"; a font in the prefix's Fonts folder is found.
install -D -m 644 /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"

vnc_port=$(free_port "${QO_VNC_PORT:-5910}")
# -xwarppointer: the VNC server moves the pointer as xdotool does, with XWarpPointer.
# Its default, XTEST, also sends XInput2 raw motion holding the absolute position, and
# while a full-screen window holds the pointer (the drawing overlay) Wine 8 adds those
# values as relative moves: the stroke jumped out to twice the position and back.
x11vnc -display "$DISPLAY" -rfbport "$vnc_port" -localhost -nopw -forever -shared \
  -noxdamage -xwarppointer -quiet -o "$logs/x11vnc.log" >/dev/null 2>&1 &
pids+=($!)
wait_until "the VNC server on port $vnc_port" 15 bash -c "exec 3<>/dev/tcp/127.0.0.1/$vnc_port"

web_port=$(free_port "${QO_WEB_PORT:-6080}")
websockify --web /usr/share/novnc "127.0.0.1:$web_port" "127.0.0.1:$vnc_port" \
  >"$logs/websockify.log" 2>&1 &
pids+=($!)
wait_until "the web page on port $web_port" 15 bash -c "exec 3<>/dev/tcp/127.0.0.1/$web_port"

wine "$program" >"$logs/program.out" 2>"$logs/program.err" &
program_pid=$!
pids+=("$program_pid")

cat <<MSG
run: Quillmark Orvane runs on the virtual screen $DISPLAY ($screen).
run: open this address in a browser to see and use it:
    http://127.0.0.1:$web_port/vnc.html?autoconnect=1&resize=scale&host=127.0.0.1&port=$web_port
run: (only this machine can reach it; from elsewhere: ssh -L $web_port:127.0.0.1:$web_port this-host)
run: VNC clients can also connect to 127.0.0.1:$vnc_port.  Ctrl+C ends it all.
MSG
wait "$program_pid" || true
echo "run: the program has ended."
