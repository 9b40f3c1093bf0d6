#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py) on one shared Wine desktop.

    python3 tests/e2e/run.py [--build-dir build/win64] [FILTER ...]

A FILTER keeps the tests whose id (module.Class.method) contains it.  Each result is printed
as it arrives; the last line reads "e2e: N passed, N failed" (", N skipped" when some were
skipped) and the exit code is 0 only when none failed.  A failing test leaves a screenshot in
artifacts/e2e/failures/.
"""

from __future__ import annotations

import argparse
import os
import sys
import time
import traceback
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import harness  # noqa: E402  (needs the path above)


class PrintingResult(unittest.TestResult):
    """Prints one line per test, with the traceback of a failure under it."""

    def __init__(self):
        super().__init__()
        self.passed = 0
        self._started = 0.0

    def startTest(self, test):
        super().startTest(test)
        self._started = time.monotonic()

    def _report(self, status: str, test, detail: str = "") -> None:
        elapsed = time.monotonic() - self._started
        print(f"{status:5} {test.id()} ({elapsed:.1f} s){detail}", flush=True)

    def addSuccess(self, test):
        super().addSuccess(test)
        self.passed += 1
        self._report("PASS", test)

    def addExpectedFailure(self, test, err):
        super().addExpectedFailure(test, err)
        self.passed += 1
        self._report("PASS", test, " (expected failure)")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._failed(test, "FAIL", err)

    def addError(self, test, err):
        super().addError(test, err)
        self._failed(test, "ERROR", err)

    def addUnexpectedSuccess(self, test):
        super().addUnexpectedSuccess(test)
        self._report("FAIL", test, " (unexpected success)")

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._report("SKIP", test, f": {reason}")

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self._failed(subtest, "FAIL", err)

    def _failed(self, test, status: str, err) -> None:
        self._report(status, test)
        print("".join(traceback.format_exception(*err)).rstrip(), flush=True)
        save_failure_screenshot(test.id())

    @property
    def failed(self) -> int:
        return len(self.failures) + len(self.errors) + len(self.unexpectedSuccesses)


def save_failure_screenshot(test_id: str) -> None:
    desktop = harness.current_shared()
    if desktop is None or desktop.display is None:
        return
    try:
        path = harness.artifacts_dir() / "failures" / f"{test_id}.png"
        desktop.screenshot(path)
        print(f"      screenshot: {path}", flush=True)
    except Exception as error:  # the screenshot is a convenience; keep the run going
        print(f"      no screenshot: {error}", flush=True)


def iterate_tests(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from iterate_tests(item)
        else:
            yield item


def selected_tests(filters: list[str]) -> unittest.TestSuite:
    loader = unittest.TestLoader()
    discovered = loader.discover(start_dir=str(HERE), pattern="test_*.py", top_level_dir=str(HERE))
    tests = [t for t in iterate_tests(discovered)
             if not filters or any(f in t.id() for f in filters)]
    return unittest.TestSuite(tests)  # discovery order keeps each class's tests together


def summary(result: PrintingResult) -> str:
    line = f"e2e: {result.passed} passed, {result.failed} failed"
    if result.skipped:
        line += f", {len(result.skipped)} skipped"
    return line


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=str(harness.default_build_dir()),
                        help="the Windows build tree (default: the one this host runs)")
    parser.add_argument("filters", nargs="*", help="run only tests whose id contains one of these")
    args = parser.parse_args()
    os.environ["QO_BUILD_DIR"] = str(Path(args.build_dir).resolve())

    suite = selected_tests(args.filters)
    result = PrintingResult()
    started = time.monotonic()
    try:
        suite.run(result)
    finally:
        harness.close_shared()
    if result.testsRun == 0:
        print("no tests selected", flush=True)
    print(f"(took {time.monotonic() - started:.1f} s)", flush=True)
    print(summary(result), flush=True)
    return 0 if result.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
