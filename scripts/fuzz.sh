#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp, clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs one or all of them.
#   scripts/fuzz.sh [TARGET|all] [SECONDS] [LIBFUZZER OPTIONS...]
# Default: every target for 30 seconds.  SECONDS 0 means no time limit (give
# -runs=N then).  Seeds come from fuzz/corpus/TARGET/ and are never written; new
# inputs go to build/fuzz/corpus/TARGET/, findings to build/fuzz/findings/TARGET/.
# Prints one line per target and exits non-zero when any target found something.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
target=${1:-all}
seconds=${2:-30}
shift $(($# < 2 ? $# : 2))

scripts/setup.sh || exit 1
mkdir -p build
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DQO_FUZZ=ON >build/cmake-fuzz.log 2>&1 \
  || { cat build/cmake-fuzz.log; exit 1; }
cmake --build build/fuzz -j"$(nproc)" >build/fuzz-build.log 2>&1 \
  || { cat build/fuzz-build.log; exit 1; }

if [ "$target" = all ]; then
  targets=$(cd fuzz && ls -- *_fuzz.cpp | sed 's/\.cpp$//')
else
  targets=${target%.cpp}
fi

status=0
for name in $targets; do
  program="build/fuzz/bin/$name"
  [ -x "$program" ] || { echo "fuzz $name: no such target"; status=1; continue; }
  work="build/fuzz/corpus/$name" findings="build/fuzz/findings/$name"
  mkdir -p "$work" "$findings" "fuzz/corpus/$name"
  log="build/fuzz/$name.log"
  # Texts and pictures of a kilobyte reach every branch; longer inputs only slow the run.
  nice "$program" -max_total_time="$seconds" -max_len=1024 -print_final_stats=1 \
    -artifact_prefix="$root/$findings/" "$@" "$work" "fuzz/corpus/$name" >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ "$result" -eq 0 ]; then
    echo "fuzz $name: ok, ${runs:-?} runs, ${speed:-?} per second"
  else
    echo "fuzz $name: FINDING (exit $result), see $log and $findings/"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|.*invariant broken|.*_fuzz: )' "$log" | head -5
    status=1
  fi
done
exit $status
