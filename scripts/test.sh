#!/usr/bin/env bash
# Builds everything and runs every test layer:
#   1. unit tests of the portable core (native, GoogleTest);
#   2. Win32 integration tests (cross-built, run under Wine in a virtual X screen);
#   3. end-to-end tests driving the real program under Wine with xdotool;
# and, around them, the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the screen-size cases on virtual screens of each
# size, and every fuzz target for 30 seconds (scripts/fuzz.sh).
# Ends with one line "N passed, N failed"; exits non-zero when anything failed.
#
# The layers under Wine run the build this host can run, found out by trying
# (scripts/wine-env.sh): the 32-bit program, and the Win32 layer once more on the
# 64-bit build; or, where the host runs no 32-bit code (or QO_NO_32BIT=1), the
# 64-bit program, with the 32-bit one built and its file checked by the e2e layer.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
results="$root/build/test-results"

scripts/setup.sh || exit 1
source scripts/wine-env.sh
scripts/build.sh --native --both || exit 1
rm -rf "$results" && mkdir -p "$results"

if [ "$QO_BITS" = 32 ]; then
  echo "== Builds: $QO_BITS_WHY, so Win32, screen sizes and e2e run on the 32-bit program (build/win32), and Win32 once more on the 64-bit build (build/win64)"
else
  echo "== Builds: $QO_BITS_WHY, so Win32, screen sizes and e2e run on the 64-bit program (build/win64) under 64-bit Wine; the 32-bit program (build/win32) is built and its file checked by e2e, not run"
fi

passed=0
failed=0
count() {  # count PASSED FAILED LAYER
  passed=$((passed + $1)); failed=$((failed + $2))
  echo "== $3: $1 passed, $2 failed"
}

# Reads tests= and failures= (+ errors=) of a GoogleTest XML report.
gtest_counts() {
  python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
try:
    suite = ET.parse(sys.argv[1]).getroot()
    # The top element carries no count of skipped tests; its suites do.
    skipped = sum(int(s.get("skipped", 0)) for s in suite.iter("testsuite"))
    total = int(suite.get("tests", 0)) - int(suite.get("disabled", 0)) - skipped
    bad = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
    print(total - bad, bad)
except Exception:
    print(0, 1)
PY
}

echo "== Layer 1: unit tests (native)"
build/native/tests/unit/qo_unit_tests --gtest_brief=1 --gtest_output="xml:$results/unit.xml"
read -r p f < <(gtest_counts "$results/unit.xml")
count "$p" "$f" "unit"

echo "== Layer 1, again under AddressSanitizer + UndefinedBehaviorSanitizer (native)"
if cmake -S . -B build/native-asan -DQO_SANITIZE=ON >build/cmake-native-asan.log 2>&1 &&
   cmake --build build/native-asan -j"$(nproc)" >build/native-asan-build.log 2>&1; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build/native-asan/tests/unit/qo_unit_tests --gtest_brief=1 --gtest_output="xml:$results/unit-asan.xml"
  read -r p f < <(gtest_counts "$results/unit-asan.xml")
else
  tail -n 30 build/cmake-native-asan.log build/native-asan-build.log; p=0; f=1
fi
count "$p" "$f" "unit, sanitized"

echo "== Layer 2: Win32 integration tests (under Wine)"
tests/win32/run_win32_tests.sh "$results/win32.xml"
read -r p f < <(gtest_counts "$results/win32.xml")
count "$p" "$f" "win32 ($QO_BITS-bit)"

if [ "$QO_BITS" = 32 ]; then
  echo "== Layer 2 again on the 64-bit build (under 64-bit Wine)"
  QO_NO_32BIT=1 tests/win32/run_win32_tests.sh "$results/win32-64.xml"
  read -r p f < <(gtest_counts "$results/win32-64.xml")
  count "$p" "$f" "win32 (64-bit)"
fi

echo "== Layer 2, screen sizes: one virtual screen per size (under Wine)"
tests/win32/run_screen_size_tests.sh "$results/screen-sizes"
screen_status=$?
p=0; f=0
for report in "$results"/screen-sizes/*.xml; do
  [ -e "$report" ] || continue
  read -r rp rf < <(gtest_counts "$report"); p=$((p + rp)); f=$((f + rf))
done
[ "$screen_status" -eq 0 ] || [ "$f" -gt 0 ] || f=1  # a size that ran no test
count "$p" "$f" "screen sizes"

echo "== Layer 3: end-to-end tests (the real program under Wine, driven by xdotool)"
# Output goes to a file, not a pipe: Wine's background processes would hold a pipe open.
python3 tests/e2e/run.py --build-dir "$QO_BUILD_DIR" >"$results/e2e.txt" 2>&1
cat "$results/e2e.txt"
e2e_line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed' "$results/e2e.txt" 2>/dev/null | tail -1)
if [ -n "$e2e_line" ]; then
  p=$(echo "$e2e_line" | sed -E 's/^e2e: ([0-9]+) passed.*/\1/')
  f=$(echo "$e2e_line" | sed -E 's/^e2e: [0-9]+ passed, ([0-9]+) failed.*/\1/')
else
  p=0; f=1
fi
count "$p" "$f" "e2e"

echo "== Fuzzing: every target for 30 seconds (AddressSanitizer + UndefinedBehaviorSanitizer)"
scripts/fuzz.sh all 30 >"$results/fuzz.txt" 2>&1
cat "$results/fuzz.txt"
p=$(grep -c '^fuzz .*: ok' "$results/fuzz.txt")
f=$(grep -c -E '^fuzz .*: (FINDING|no such target)' "$results/fuzz.txt")
[ "$p" -gt 0 ] || [ "$f" -gt 0 ] || f=1  # the fuzz build failed
count "$p" "$f" "fuzz"

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
