#!/usr/bin/env python3
"""Soak run: drives the real program under Wine with random user input for a number of
minutes, then reports whether it is still alive, the dialogs it showed, its resident memory
after the warm-up and at the end, and the live handle counts it keeps of its own.

    bench/soak.sh MINUTES [--seed N] [--build-dir build/win64]

It runs on a private Xvfb display with a throwaway Wine prefix (tests/e2e/harness.py) and
stops by itself after MINUTES.  Input, as a user gives it: pointer moves, drags, single and
double clicks and Alt+F4 on the overlay, a right click whose "Save As" is cancelled, typing
into the thickness box, the minimise box, the colour swatch whose dialog is cancelled,
""Start Drawing".  Every dialog is answered (its Cancel button for "Save As" and the colour
dialog, Return for message boxes) and counted by its title.

Memory is the resident set (VmRSS) of the program's Linux process.  Handle counts are read
by the test probe from the named section the program publishes them in (see
src/platform/win32/handles.h), each time with the overlay closed and no dialog open.
The figures are printed; nothing passes or fails but a program that died (exit code 1).

A wait that ends otherwise than expected is either explained by what the program showed and
counted by reason (a double click whose first click is reported because the pen is narrower
than 1; a menu that the release of the right click opened in "Save As"), or printed as an
unexplained hiccup.
"""

from __future__ import annotations

import argparse
import collections
import os
import random
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

import harness  # noqa: E402

MAIN_CLASS = "QuillmarkOrvaneMain"
OVERLAY_CLASS = "QuillmarkOrvaneOverlay"
DIALOG_CLASS = "#32770"
MENU_CLASS = "#32768"
MINIMISE_TEXT = "Minimize this window before drawing"
CANCELLED = ("Save As", "Color")
WM_SYSCOMMAND = 0x0112
SC_RESTORE = 0xF120
WM_CLOSE = 0x0010
THICKNESS_TEXTS = ["5", "5", "7", "3", "12", "1", "2.5", "0", "-4", "abc", "", "99999", "&H8",
                   "1e2", " 6 "]
# Texts that open the overlay with a pen narrower than 1 ("abc" is set back to "0"): every
# left press on it is then reported, so the soak soon types another.
NO_PEN_TEXTS = {"0", "-4", "abc"}


class ProgramDied(Exception):
    pass


class Soak:
    def __init__(self, desktop: harness.WineDesktop, rng: random.Random):
        self.desktop = desktop
        self.rng = rng
        self.main_handle = 0
        self.process_id = 0
        self.actions: collections.Counter[str] = collections.Counter()
        self.dialogs: collections.Counter[str] = collections.Counter()
        self.reports: collections.Counter[str] = collections.Counter()
        self.hiccups: list[str] = []
        # Waits that ended otherwise than the soak expected, for a reason the program
        # shows (a report, a menu): counted by reason; every other one is a hiccup.
        self.explained: collections.Counter[str] = collections.Counter()
        self.recent: list[str] = []
        self.pen_too_narrow = False
        self.avoid = None
        self.width, self.height = desktop.screen

    # --- state --------------------------------------------------------------------------------

    def start(self) -> None:
        self.desktop.start_program()
        main = self.desktop.wait_program_window(cls=MAIN_CLASS)
        self.main_handle = main["handle"]
        self.process_id = main["process_id"]

    def snapshot(self) -> harness.Snapshot:
        if not self.desktop.program_running():
            raise ProgramDied(f"exit code {self.desktop.program.returncode}")
        return self.desktop.probe()

    def open_dialogs(self, snapshot: harness.Snapshot) -> list[dict]:
        return self.desktop.program_windows(snapshot, cls=DIALOG_CLASS, visible=True)

    def overlay(self, snapshot: harness.Snapshot):
        shown = self.desktop.program_windows(snapshot, cls=OVERLAY_CLASS, visible=True)
        return shown[0] if shown else None

    # --- one step -----------------------------------------------------------------------------

    def step(self) -> None:
        snapshot = self.snapshot()
        dialogs = self.open_dialogs(snapshot)
        if dialogs:
            self.answer(snapshot, dialogs[0])
            return
        overlay = self.overlay(snapshot)
        main = snapshot.window(self.main_handle)
        if overlay:
            # A main window shown over the overlay takes the input aimed at its rectangle.
            self.avoid = main["rect"] if main and main["visible"] and not main["iconic"] else None
            self.on_overlay(focused=snapshot.foreground == overlay["handle"])
            return
        if main is None:
            raise ProgramDied("the main window is gone")
        if main["iconic"] or not main["visible"]:
            # Minimised by "Start Drawing", the overlay comes half a second later.
            try:
                harness.poll_until(lambda: self.overlay(self.snapshot()), 3, "the overlay")
                return
            except TimeoutError:
                pass
            self.act("restore main window")
            self.desktop.post(self.main_handle, WM_SYSCOMMAND, SC_RESTORE)
            return
        self.on_main(snapshot, main)

    def act(self, name: str) -> None:
        self.actions[name] += 1
        self.recent = (self.recent + [name])[-5:]

    def answer(self, snapshot: harness.Snapshot, dialog: dict) -> None:
        title = dialog["text"]
        self.dialogs[title] += 1
        if title == "Application Error":
            text = " / ".join(w["text"] for w in snapshot.descendants(dialog["handle"])
                              if w["class"].lower() == "static" and w["text"])
            self.reports[text.replace("\r", " ").replace("\n", " ")[:160]] += 1
        cancel = [w for w in snapshot.descendants(dialog["handle"])
                  if w["class"].lower() == "button" and w["text"] == "Cancel" and w["visible"]]
        key = "Cancel" if title in CANCELLED and cancel else \
            "Escape" if title in CANCELLED else "Return"
        for _ in range(3):
            # The release of the right click that opened "Save As" goes to the window under
            # the pointer, which may by then be the dialog's file list: its context menu
            # opens, and a click on Cancel would only close that menu.
            self.close_menus(f"{title!r}: the right click's release opened a menu in it")
            if key == "Cancel":
                self.desktop.click(at=harness.centre_of(cancel[0]["rect"]))
            else:
                self.desktop.key(key, target=dialog)
            try:
                closed = self.desktop.wait_for(
                    lambda s: "closed" if not (s.window(dialog["handle"]) or {}).get("visible")
                    else "menu" if self.menus(s) else None, timeout=10, what=f"{title!r} to close")
            except TimeoutError:
                break
            if closed == "closed":
                return
        self.hiccups.append(f"{title!r} stayed open after {key}; closed by WM_CLOSE")
        self.desktop.post(dialog["handle"], WM_CLOSE)
        time.sleep(1.0)

    def menus(self, snapshot: harness.Snapshot) -> list[dict]:
        return self.desktop.program_windows(snapshot, cls=MENU_CLASS, visible=True)

    def close_menus(self, reason: str) -> None:
        """Closes the program's open menu, as a user would, with Escape over it."""
        menus = self.menus(self.snapshot())
        if not menus:
            return
        self.explained[reason] += 1
        self.desktop.key("Escape", target=menus[0])
        self.desktop.wait_for(lambda s: not self.menus(s), timeout=10, what="the menu to close")

    def on_main(self, snapshot: harness.Snapshot, main: dict) -> None:
        within = main["handle"]
        choice = self.rng.choices(
            ["move", "thickness", "minimise box", "swatch", "start drawing"],
            weights=[3, 12 if self.pen_too_narrow else 2, 1, 1, 4])[0]
        self.act(f"main: {choice}")
        if choice == "move":
            left, top, right, bottom = main["rect"]
            for _ in range(self.rng.randint(2, 6)):
                self.desktop.mousemove(self.rng.randint(left, right - 1),
                                       self.rng.randint(top, bottom - 1))
        elif choice == "thickness":
            box = snapshot.find_one(within=within, cls="Edit")
            self.desktop.click(at=harness.centre_of(box["rect"]))
            self.desktop.key("End", "shift+Home", "BackSpace", target=box)
            text = self.rng.choice(THICKNESS_TEXTS)
            self.pen_too_narrow = text in NO_PEN_TEXTS
            if text.startswith("-"):  # xdotool would read it as an option
                self.desktop.key("minus", target=box)
                text = text[1:]
            if text:
                self.desktop.type(text, target=box)
        elif choice == "minimise box":
            check = snapshot.find_one(within=within, title=MINIMISE_TEXT)
            self.desktop.click(at=harness.centre_of(check["rect"]))
        elif choice == "swatch":
            frame = snapshot.find_one(within=within, title="Line Option")
            swatch = [w for w in frame["children"]
                      if w["class"].lower() not in ("edit", "static")]
            if swatch:
                self.desktop.click(at=harness.centre_of(swatch[0]["rect"]))
        else:
            button = snapshot.find_one(within=within, title="Start Drawing")
            self.desktop.click(at=harness.centre_of(button["rect"]))
            # The overlay comes after the hint box, or half a second after the minimising.
            harness.poll_until(lambda: (lambda s: self.open_dialogs(s) or self.overlay(s))(
                self.snapshot()), 10, "the overlay or a box after Start Drawing")

    def random_point(self) -> tuple[int, int]:
        """A point on the overlay, away from a main window shown over it."""
        while True:
            x, y = self.rng.randint(0, self.width - 1), self.rng.randint(0, self.height - 1)
            if not self.avoid or not (self.avoid[0] <= x < self.avoid[2]
                                      and self.avoid[1] <= y < self.avoid[3]):
                return x, y

    def on_overlay(self, focused: bool) -> None:
        choice = self.rng.choices(
            ["move", "drag", "click", "save cancelled", "double click", "alt+F4"],
            weights=[4, 6, 1, 2, 2, 1])[0]
        if choice == "alt+F4" and not focused:
            # Keys go to the active window: Alt+F4 there, on the main window, would end the
            # program.  A click on the overlay makes it active first.
            choice = "click"
        self.act(f"overlay: {choice}")
        if choice == "move":
            for _ in range(self.rng.randint(3, 12)):
                self.desktop.mousemove(*self.random_point())
        elif choice == "drag":
            self.desktop.mousemove(*self.random_point())
            self.desktop.mousedown(1)
            try:
                for _ in range(self.rng.randint(3, 25)):
                    x, y = self.random_point()
                    self.desktop.mousemove(x, y)
            finally:
                self.desktop.mouseup(1)
        elif choice == "click":
            self.desktop.click(1, at=self.random_point())
        elif choice == "save cancelled":
            self.desktop.click(3, at=self.random_point())
            time.sleep(0.3)
        elif choice == "double click":
            self.desktop.mousemove(*self.random_point())
            self.desktop.click(1, repeat=2, delay_ms=80)
            self.after_double_click()
        else:
            self.desktop.key("alt+F4", target=self.random_point())
            self.wait_overlay_closed()

    def after_double_click(self) -> None:
        """Waits until the overlay has closed or a box has opened.  With a pen width below 1
        the first click of the pair is reported (line 102): the report takes the second
        click, the pair never completes, and the overlay is then closed another way."""
        try:
            report = self.desktop.wait_for(
                lambda s: "closed" if not self.overlay(s) else self.open_dialogs(s),
                timeout=10, what="the overlay to close or a box to open")
        except TimeoutError:
            self.hiccups.append("the overlay was still open 10 s after a double click, "
                                "with no box open; closed by a close request")
            self.close_overlay_by_request()
            return
        if report == "closed":
            return
        snapshot = self.snapshot()
        texts = " ".join(w["text"] for w in snapshot.descendants(report[0]["handle"]))
        if "Form2.Form_MouseDown at line 102" in texts:
            self.explained["double click: its first click reported (pen width below 1)"] += 1
            self.pen_too_narrow = True
        else:
            self.hiccups.append(f"a double click opened {report[0]['text']!r}: {texts[:120]}")
        self.act("overlay: closed by a close request after a reported click")
        self.close_overlay_by_request()

    def close_overlay_by_request(self) -> None:
        """Answers the open dialogs, then asks the overlay to close as the system does
        (WM_CLOSE, which needs neither focus nor a pointer position)."""
        for _ in range(10):
            snapshot = self.snapshot()
            dialogs = self.open_dialogs(snapshot)
            if not dialogs:
                break
            self.answer(snapshot, dialogs[0])
        overlay = self.overlay(self.snapshot())
        if overlay:
            self.desktop.post(overlay["handle"], WM_CLOSE)
            self.wait_overlay_closed()

    def wait_overlay_closed(self) -> None:
        """Waits until the overlay has gone, so that no later key or click meant for it
        reaches the main window (Alt+F4 there would end the program)."""
        harness.poll_until(lambda: not self.overlay(self.snapshot()), 10, "the overlay to close")

    # --- resting state and figures ------------------------------------------------------------

    def come_to_rest(self) -> None:
        """Answers every dialog, closes the overlay and restores the main window.  The
        overlay is closed by a close request, not a double click: with a pen width below 1
        the first click of the pair is reported (line 102) and the pair never completes."""
        state = "not looked at"
        for _ in range(40):
            snapshot = self.snapshot()
            dialogs = self.open_dialogs(snapshot)
            overlay = self.overlay(snapshot)
            main = snapshot.window(self.main_handle)
            state = (f"dialogs {[d['text'] for d in dialogs]}, overlay {bool(overlay)}, main "
                     f"{'gone' if not main else 'minimised' if main['iconic'] else 'shown' if main['visible'] else 'hidden'}")
            if dialogs:
                self.answer(snapshot, dialogs[0])
                continue
            if overlay:
                try:
                    self.close_overlay_by_request()
                except TimeoutError:
                    self.hiccups.append("a close request did not close the overlay at once")
                continue
            if main and (main["iconic"] or not main["visible"]):
                self.desktop.post(self.main_handle, WM_SYSCOMMAND, SC_RESTORE)
                time.sleep(0.5)
                continue
            time.sleep(1.0)  # let pending messages be handled
            if not self.open_dialogs(self.snapshot()) and not self.overlay(self.snapshot()):
                return
        self.hiccups.append(f"could not bring the program to rest ({state})")

    def figures(self, when: str) -> dict:
        """Resident memory and handle counts at rest; printed at once as well."""
        try:
            self.come_to_rest()
        except (harness.HarnessError, TimeoutError, LookupError) as error:
            self.hiccups.append(f"coming to rest {when}: {type(error).__name__}: {error}")
        taken = {"rss_kb": resident_kb(self.desktop),
                 "counts": self.desktop.handle_counts(self.process_id)}
        print(f"[{when}] resident {taken['rss_kb']} kB, own live handles "
              f"{counts_text(taken['counts'])}", flush=True)
        return taken


def resident_kb(desktop: harness.WineDesktop) -> int | None:
    """VmRSS of the Linux process running the program in this desktop's prefix."""
    wanted = f"WINEPREFIX={desktop.prefix}".encode()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes()
            if harness.PROGRAM_NAME.encode() not in cmdline:
                continue
            if wanted not in (entry / "environ").read_bytes().split(b"\0"):
                continue
            for line in (entry / "status").read_text().splitlines():
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        except OSError:
            continue
    return None


def counts_text(counts: dict) -> str:
    kinds = ", ".join(f"{k} {v}" for k, v in counts.items() if k not in ("gdi", "user") and v)
    return f"GDI {counts['gdi']}, USER {counts['user']} ({kinds or 'none'})"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("minutes", type=float)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--build-dir", default=str(harness.default_build_dir()))
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)
    duration = args.minutes * 60
    warm_up = min(300.0, duration / 4)

    desktop = harness.WineDesktop(args.build_dir)
    desktop.start()
    soak = Soak(desktop, rng)
    died = None
    steps = 0
    start = warmed = end = None
    try:
        soak.start()
        start = soak.figures("start")
        began = time.monotonic()
        while time.monotonic() - began < duration:
            if warmed is None and time.monotonic() - began >= warm_up:
                warmed = soak.figures("after the warm-up")
            try:
                soak.step()
                steps += 1
            except (harness.HarnessError, TimeoutError, LookupError) as error:
                if not desktop.program_running():
                    raise ProgramDied(f"exit code {desktop.program.returncode}") from error
                soak.hiccups.append(f"{type(error).__name__}: {error}")
        end = soak.figures("end")
    except ProgramDied as error:
        died = f"{error}, after {steps} steps; last actions: {soak.recent}"
    finally:
        alive = desktop.program_running()
        desktop.stop_program()
        desktop.close()

    print(f"soak: {args.minutes:g} minutes, seed {seed}, {steps} steps")
    print(f"process alive at the end: {'yes' if alive and not died else 'NO (' + str(died) + ')'}")
    print("actions: " + ", ".join(f"{k} {v}" for k, v in sorted(soak.actions.items())))
    print("dialogs seen: " + (", ".join(f"{k!r} {v}" for k, v in sorted(soak.dialogs.items()))
                              or "none"))
    for text, count in sorted(soak.reports.items()):
        print(f"  error report x{count}: {text}")
    if start and warmed and end:
        growth = end["rss_kb"] - warmed["rss_kb"] if warmed["rss_kb"] and end["rss_kb"] else None
        print(f"resident memory: at start {start['rss_kb']} kB, after the warm-up "
              f"({warm_up / 60:.1f} min) {warmed['rss_kb']} kB, at the end {end['rss_kb']} kB; "
              f"growth after the warm-up {growth} kB (target: at most 1024 kB)")
        print(f"own live handles at start:        {counts_text(start['counts'])}")
        print(f"own live handles after warm-up:   {counts_text(warmed['counts'])}")
        print(f"own live handles at the end:      {counts_text(end['counts'])}")
        print(f"handle counts back to their start: "
              f"{'yes' if end['counts'] == start['counts'] else 'NO'}")
    print("waits explained by what the program showed: " + (", ".join(
        f"{k} {v}" for k, v in sorted(soak.explained.items())) or "none"))
    print(f"unexplained stalls and other hiccups: {len(soak.hiccups)}")
    for hiccup in soak.hiccups[:20]:
        print(f"  harness hiccup: {hiccup}")
    if len(soak.hiccups) > 20:
        print(f"  ... {len(soak.hiccups) - 20} more hiccups")
    return 1 if died else 0


if __name__ == "__main__":
    sys.exit(main())
