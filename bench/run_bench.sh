#!/bin/bash
# Runs the benchmark under Wine on private Xvfb displays of 1920x1080 and
# 3840x2160, times start-up of the program against an empty window program, and
# collects everything into one report, which it also prints.
#
#   bench/run_bench.sh [report-file]      (default: <build>/bin/bench_report.txt)
#
# It runs the build this host can run (scripts/wine-env.sh): build/win32, or
# build/win64 under 64-bit Wine where the host runs no 32-bit code; every ratio
# compares figures of that one build in one run.
#
# Environment: QO_BUILD_DIR (default: that build), WINEPREFIX (reused when set: a
# prefix of that build's size that no running wineserver uses, ideally with the X11 driver's
# Managed=N; otherwise a throwaway prefix is made and removed), QO_BENCH_DISPLAY
# (first display number to try, default 81), QO_BENCH_STARTS (timed starts per
# program, default 21).
#
# Everything it starts it ends: its Xvfb by PID, Wine through `wineserver -k` of
# its prefix.  Wine's output always goes to files: pipes would stall on Wine's
# background processes.
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
asked_build=${QO_BUILD_DIR:-}
source "$ROOT/scripts/wine-env.sh"
BUILD=${asked_build:-$QO_BUILD_DIR}
log() { echo "[run_bench $(date +%T)] $*" >&2; }
log "the $QO_BITS-bit build ($BUILD), since $QO_BITS_WHY"
BIN=$BUILD/bin
OUT=${1:-$BIN/bench_report.txt}
FIRST_DISPLAY=${QO_BENCH_DISPLAY:-81}
STARTS=${QO_BENCH_STARTS:-21}
PEAK_RUNS=${QO_BENCH_PEAK_RUNS:-3}
SIZES="1920x1080 3840x2160"
PROGRAM="Quillmark Orvane.exe"
EMPTY=qo_bench_empty_window.exe
# The main window's caption: "Form1" from its definition until start-up renames it.
PROGRAM_TITLE='^(Form1|Quillmark Orvane)$'
EMPTY_TITLE='^QoEmptyWindow$'

WORK=$(mktemp -d /tmp/qo-bench.XXXXXX)
XVFB_PID=""
SERVER_UP=0
if [ -n "${WINEPREFIX:-}" ]; then
  OWN_PREFIX=0
else
  OWN_PREFIX=1
  export WINEPREFIX=$WORK/prefix
fi
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=fixme-all

stop_wine() {
  if [ "$SERVER_UP" = 1 ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    SERVER_UP=0
  fi
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  fi
}

cleanup() {
  stop_wine
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

free_display() {
  local n=$FIRST_DISPLAY
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  echo "$n"
}

# start_xvfb WIDTHxHEIGHT: sets DISPLAY and XVFB_PID.
start_xvfb() {
  local n
  n=$(free_display)
  Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp -noreset >"$WORK/xvfb-$n.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    # Only our own server counts: if it died, the display may be someone else's.
    kill -0 "$XVFB_PID" 2>/dev/null || break
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  log "Xvfb :$n did not start"
  stop_xvfb
  return 1
}

# A server already running for the prefix belongs to someone else: leave it alone.
start_wineserver() {
  if ! wineserver -p >/dev/null 2>&1; then
    log "a wineserver is already running for $WINEPREFIX; give a prefix nobody uses"
    return 1
  fi
  SERVER_UP=1
  # The first program of a fresh server brings up Wine's own services and desktop,
  # which keep the CPU busy for a few seconds: let that pass before measuring.
  wine cmd /c exit >"$WORK/warm-up.out" 2>"$WORK/warm-up.err"
  sleep 2
}

prepare_prefix() {
  [ "$OWN_PREFIX" = 1 ] || return 0
  log "making a $QO_BITS-bit prefix in $WINEPREFIX"
  wineboot -i >"$WORK/wineboot.out" 2>"$WORK/wineboot.err"
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >"$WORK/reg.out" 2>"$WORK/reg.err"
  wineserver -w  # the server wineboot started must be gone before `wineserver -p`
}

windows_path() { echo "Z:${1//\//\\}"; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_until_gone PID: waits up to 10 s for a process we started to end, then ends it.
wait_until_gone() {
  for _ in $(seq 200); do
    kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null; return 0; }
    sleep 0.05
  done
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

# resident_kib PID FIELD: a /proc status field (VmRSS, VmHWM) of a process, in KiB.
resident_kib() { awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/status" 2>/dev/null; }

# time_start EXE TITLE-REGEX: "MS RSS-KIB": milliseconds from starting EXE until a
# window whose title matches is visible ("timeout" when none shows within 20 s), and
# the process's resident memory a second later, at rest.  Then closes it.  `wine`
# ends in an exec of the program's own process, so $! is that process.
time_start() {
  local exe=$1 title=$2 start pid elapsed=timeout rss=none
  # An earlier run's window can linger for a moment; it must not be counted.
  timeout 5 bash -c "while xdotool search --onlyvisible --name '$title' >/dev/null 2>&1; \
                     do sleep 0.05; done"
  start=$(now_ms)
  wine "$BIN/$exe" >>"$WORK/start.out" 2>>"$WORK/start.err" &
  pid=$!
  if timeout 20 bash -c "until xdotool search --onlyvisible --name '$title' >/dev/null 2>&1; \
                         do sleep 0.01; done"; then
    elapsed=$(($(now_ms) - start))
    xdotool search --onlyvisible --name "$title" getwindowname %1 >"$WORK/title-$exe.txt" 2>/dev/null
    sleep 1
    rss=$(resident_kib "$pid" VmRSS)
  fi
  # WM_CLOSE to the program's windows, as closing it by hand would.
  wine taskkill /im "$exe" >>"$WORK/start.out" 2>>"$WORK/start.err"
  wait_until_gone "$pid"
  echo "$elapsed ${rss:-none}"
}

minimum() { tr ' ' '\n' | grep -E '^[0-9]+$' | sort -n | head -1; }

median() { tr ' ' '\n' | grep -E '^[0-9]+$' | sort -n | awk '{a[NR]=$1} END {
  if (NR == 0) print "n/a"; else if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2 }'; }

bench_startup() {
  local empty_times="" program_times="" empty_rss="" program_rss="" t r
  time_start "$EMPTY" "$EMPTY_TITLE" >/dev/null   # warm-up, not counted
  time_start "$PROGRAM" "$PROGRAM_TITLE" >/dev/null
  for _ in $(seq "$STARTS"); do
    read -r t r < <(time_start "$EMPTY" "$EMPTY_TITLE")
    empty_times="$empty_times $t"
    empty_rss="$empty_rss $r"
    read -r t r < <(time_start "$PROGRAM" "$PROGRAM_TITLE")
    program_times="$program_times $t"
    program_rss="$program_rss $r"
  done
  echo "$empty_times" | median >"$WORK/startup-empty.ms"
  echo "$program_times" | median >"$WORK/startup-program.ms"
  echo "$empty_rss" | median >"$WORK/rest-empty.kib"
  echo "$program_rss" | median >"$WORK/rest-program.kib"
  {
    echo ""
    echo "== Start-up to main window visible ($STARTS runs each, wineserver -p running, $1)"
    echo "  empty Win32 program   runs (ms):$empty_times   median $(echo $empty_times | median) ms," \
         "min $(echo $empty_times | minimum) ms"
    echo "  Quillmark Orvane      runs (ms):$program_times   median $(echo $program_times | median) ms," \
         "min $(echo $program_times | minimum) ms"
    echo "  resident memory at rest, a second after the window shows (KiB):"
    echo "  empty Win32 program   runs:$empty_rss   median $(echo $empty_rss | median) KiB"
    echo "  Quillmark Orvane      runs:$program_rss   median $(echo $program_rss | median) KiB"
    echo "  (window titles seen: \"$(head -1 "$WORK/title-$EMPTY.txt" 2>/dev/null)\" and" \
         "\"$(head -1 "$WORK/title-$PROGRAM.txt" 2>/dev/null)\")"
  } >"$WORK/startup.txt"
}

# bench_peak SIZE: peak resident memory of a fresh process that opens the overlay, and
# of one that shows the plainest full-screen copy of the screen, alternately.
bench_peak() {
  local overlay="" copy="" what file
  for _ in $(seq "$PEAK_RUNS"); do
    for what in overlay copy; do
      file=$WORK/peak-$what.txt
      rm -f "$file"
      timeout 300 wine "$BIN/qo_bench.exe" "--peak-$what" "$(windows_path "$file")" \
        >>"$WORK/peak.out" 2>>"$WORK/peak.err"
      peak=$(awk '$1 == "PEAK" { print $5 }' "$file" 2>/dev/null | tr -d '\r')
      if [ "$what" = overlay ]; then overlay="$overlay ${peak:-none}"; else copy="$copy ${peak:-none}"; fi
    done
  done
  echo "$overlay" | median >"$WORK/peak-overlay.bytes"
  echo "$copy" | median >"$WORK/peak-copy.bytes"
  {
    echo ""
    echo "== Peak resident memory (PeakWorkingSetSize = VmHWM), fresh process each, $1"
    echo "  Start Drawing (overlay open)        runs (bytes):$overlay   median $(cat "$WORK/peak-overlay.bytes")"
    echo "  plain full-screen copy shown        runs (bytes):$copy   median $(cat "$WORK/peak-copy.bytes")"
  } >"$WORK/peak.txt"
}

run_size() {
  local size=$1 report=$WORK/report-$1.txt
  start_xvfb "$size" || return 1
  [ -d "$WINEPREFIX/drive_c" ] || prepare_prefix
  start_wineserver || { stop_xvfb; return 1; }
  log "bench at $size on $DISPLAY"
  timeout 900 wine "$BIN/qo_bench.exe" "$(windows_path "$report")" \
    >"$WORK/bench-$size.out" 2>"$WORK/bench-$size.err"
  log "bench at $size ended with $?"
  [ -s "$report" ] || cp "$WORK/bench-$size.out" "$report"
  if [ "$size" = "${SIZES%% *}" ]; then
    log "start-up timings on $DISPLAY"
    bench_startup "$size"
  else
    log "peak memory of the overlay and of a plain screen copy on $DISPLAY"
    bench_peak "$size"
  fi
  stop_wine
  stop_xvfb
}

# The same disk without Wine: a raw rewrite against a safe replace, from a small
# native program (bench/native/disk_floor.cpp) built here with the host's compiler.
bench_disk_floor() {
  local out=$WORK/floor.txt
  {
    echo ""
    echo "== The disk alone (native, no Wine): raw rewrite against a safe replace, same folder as Wine's"
    if c++ -O2 -std=c++20 -o "$WORK/disk_floor" "$ROOT/bench/native/disk_floor.cpp" \
        >"$WORK/disk_floor-build.log" 2>&1; then
      "$WORK/disk_floor" "$WORK"
    else
      echo "  (disk_floor did not build: see $WORK/disk_floor-build.log)"
    fi
  } >"$out"
}

# result KEY FILE: the figures of "RESULT KEY SIZE median min [best-round-median]".
result() { awk -v key="$1" '$1 == "RESULT" && $2 == key { $1 = $2 = $3 = ""; print }' "$2"; }

ratio_line() {
  local key=$1 small large
  small=$(result "$key" "$WORK/report-1920x1080.txt")
  large=$(result "$key" "$WORK/report-3840x2160.txt")
  if [ -z "$small" ] || [ -z "$large" ]; then
    echo "  $key: missing (see the reports above)"
    return
  fi
  awk -v k="$key" -v s="$small" -v l="$large" 'BEGIN {
    n = split(s, a, " "); split(l, b, " "); split("median min best-round", name, " ")
    for (i = 1; i <= n; i++)
      printf "  %-15s %-10s 1920x1080 %9.4f ms   3840x2160 %9.4f ms   ratio %5.2f\n",
             (i == 1 ? k : ""), name[i], a[i], b[i], b[i] / a[i] }'
}

# value KEY SIZE FIELD: a figure of a "RESULT KEY ..." line of the report at SIZE.
value() {
  awk -v key="$1" -v f="$3" '$1 == "RESULT" && $2 == key { print $f }' \
    "$WORK/report-$2.txt" 2>/dev/null | tr -d '\r' | head -1
}

# ratio NAME NUMERATOR DENOMINATOR [SCALE]: prints "RATIO NAME VALUE" ("n/a" when a
# figure is missing); the value is (NUMERATOR / DENOMINATOR) * SCALE.
ratio() {
  awk -v n="$1" -v a="$2" -v b="$3" -v k="${4:-1}" 'BEGIN {
    if (a == "" || b == "" || a !~ /^[0-9.]+$/ || b !~ /^[0-9.]+$/ || b + 0 == 0) print "RATIO " n " n/a"
    else printf "RATIO %s %.3f\n", n, a / b * k }'
}

ratios() {
  local large=3840x2160 small=1920x1080 rest_program rest_empty
  echo ""
  echo "== Targets: one line per figure, each against its baseline from this same run"
  echo "   (medians; move_4k_over_1080p uses the least disturbed round of each size)"
  ratio save_over_raw_4k "$(value save_ms $large 3)" "$(value raw_write_ms $large 3)"
  ratio startup_over_empty "$(cat "$WORK/startup-program.ms" 2>/dev/null)" \
    "$(cat "$WORK/startup-empty.ms" 2>/dev/null)"
  rest_program=$(cat "$WORK/rest-program.kib" 2>/dev/null)
  rest_empty=$(cat "$WORK/rest-empty.kib" 2>/dev/null)
  if [ -n "$rest_program" ] && [ -n "$rest_empty" ] && [ "$rest_program" != n/a ] && [ "$rest_empty" != n/a ]; then
    awk -v a="$rest_program" -v b="$rest_empty" 'BEGIN { printf "RATIO rss_rest_over_empty_mib %.2f\n", (a - b) / 1024 }'
  else
    echo "RATIO rss_rest_over_empty_mib n/a"
  fi
  awk -v a="$(cat "$WORK/peak-overlay.bytes" 2>/dev/null)" -v b="$(cat "$WORK/peak-copy.bytes" 2>/dev/null)" 'BEGIN {
    if (a !~ /^[0-9.]+$/ || b !~ /^[0-9.]+$/) print "RATIO hwm_overlay_over_empty_images_4k n/a"
    else printf "RATIO hwm_overlay_over_empty_images_4k %.3f\n", (a - b) / (3840 * 2160 * 4) }'
  ratio overlay_over_bitblt "$(value open_ms $large 4)" "$(value copy_show_ms $large 4)"
  ratio move_4k_over_1080p "$(value move_ms $large 6)" "$(value move_ms $small 6)"
  echo "   (for comparison, not a target: the save against a raw write that is also flushed"
  echo "    to disk, as the save's own temporary file is before it replaces the old file)"
  ratio save_over_flushed_raw_4k "$(value save_ms $large 3)" "$(value raw_flushed_write_ms $large 3)"
  echo "   (the disk's own floor, native, no Wine: a safe replace against a raw rewrite, plainly and"
  echo "    with write-back started while writing, which the program cannot ask for)"
  ratio floor_safe_replace_over_raw_4k "$(floor_value floor_safe_replace_ms)" \
    "$(floor_value floor_raw_write_ms)"
  ratio floor_overlapped_replace_over_raw_4k "$(floor_value floor_safe_replace_overlapped_ms)" \
    "$(floor_value floor_raw_write_ms)"
}

floor_value() { awk -v key="$1" '$1 == "RESULT" && $2 == key { print $3 }' "$WORK/floor.txt" 2>/dev/null; }

summary() {
  echo ""
  echo "== Summary: 3840x2160 against 1920x1080 (a ratio near 1 means no growth with screen size;"
  echo "   the machine is shared, so medians are noisy: min and best-round are the steadier figures)"
  ratio_line move_ms
  ratio_line move_paint_ms
  ratio_line hover_paint_ms
  ratio_line capture_ms
  ratio_line memcpy_ms
}

main() {
  local size
  for f in qo_bench.exe "$EMPTY" "$PROGRAM"; do
    [ -f "$BIN/$f" ] || { log "missing $BIN/$f: build qo_bench, $EMPTY and quillmark_orvane"; exit 1; }
  done
  bench_disk_floor
  for size in $SIZES; do run_size "$size"; done
  {
    echo "Quillmark Orvane benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit" \
         "$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null), $(wine --version 2>/dev/null)"
    for size in $SIZES; do
      echo ""
      echo "######## Xvfb $size"
      if [ -f "$WORK/report-$size.txt" ]; then
        tr -d '\r' <"$WORK/report-$size.txt"
      else
        echo "(no report: the run at $size did not start)"
      fi
    done
    [ -f "$WORK/startup.txt" ] && cat "$WORK/startup.txt"
    [ -f "$WORK/peak.txt" ] && cat "$WORK/peak.txt"
    [ -f "$WORK/floor.txt" ] && cat "$WORK/floor.txt"
    summary
    echo ""
    echo "machine load at the end: $(uptime)"
    ratios
  } >"$OUT"
  cat "$OUT"
}

main
