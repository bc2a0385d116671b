#!/usr/bin/env python3
"""Where the start-up time goes: one start of the program under perf (CPU-clock samples every
0.25 ms with DWARF call stacks) on a private Xvfb, ended once its window is mapped and painted.
Each sample of the main thread is charged to the innermost start-up step on its stack; the steps
are functions of the program and of Qt, so the program needs no markers of its own. Figures are
CPU milliseconds of the main thread; the wall time to the window also holds waits for the X
server and for other threads, printed as the difference.

Usage: profile.py --program PATH [--presets PATH]
"""

import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import startup  # noqa: E402

SAMPLE_NS = 250000

# (label, pattern of a frame, parent label). A sample is charged to the innermost step whose
# pattern matches a frame of its stack; steps nest as the start-up does.
STEPS = [
    ("program loading and static set-up (before main)", None, None),
    ("main", r"^main$", None),
    ("Qt and platform start (QApplication)",
     r"^(QApplication::QApplication|QApplicationPrivate::init|QGuiApplicationPrivate::init)",
     "main"),
    ("settings (AppSettings)", r"^AppSettings::", "main"),
    ("audio library start (SDL)", r"^PlaybackController::initEngine", "main"),
    ("window construction", r"^QuillowaveWindow::QuillowaveWindow", "main"),
    ("station lists (constructors)", r"^RadioStations::RadioStations", "window construction"),
    ("info panel", r"^QuillowaveWindow::setupInfoPanel", "window construction"),
    ("buttons and theme icons", r"^QuillowaveWindow::setupButtons", "window construction"),
    ("station pages", r"^QuillowaveWindow::setupStationPages", "window construction"),
    ("search", r"^QuillowaveWindow::setupSearch", "window construction"),
    ("status bar", r"^QuillowaveWindow::setupStatusBar", "window construction"),
    ("menus", r"^QuillowaveWindow::setupMenus", "window construction"),
    ("tray", r"^QuillowaveWindow::setupTray", "window construction"),
    ("playback wiring", r"^QuillowaveWindow::setupPlayback", "window construction"),
    ("remote control and D-Bus", r"^QuillowaveWindow::setupRemote", "window construction"),
    ("directory, favourites, history", r"^QuillowaveWindow::loadDirectory", "window construction"),
    ("reading presets.xml.gz", r"^BramblerStations::load", "directory, favourites, history"),
    ("flags", r"^CountryFlags::", "reading presets.xml.gz"),
    ("building the tree view", r"^StationTreeView::setStations",
     "directory, favourites, history"),
    ("applying the settings", r"^QuillowaveWindow::applySettings", "window construction"),
    ("window geometry", r"^AppSettings::restoreWindowGeometry", "window construction"),
    ("showing the window (polish, layout, native window)", r"^(QWidget|QWidgetPrivate)::setVisible", "main"),
    ("window icon for the window manager", r"^QXcbWindow::setWindowIcon",
     "showing the window (polish, layout, native window)"),
    ("event loop until painted", r"^QCoreApplication::exec", "main"),
    ("painting", r"^QWidgetRepaintManager::", "event loop until painted"),
    ("tree views", r"^(QTreeView|QTreeWidget)::paintEvent", "painting"),
    ("level meters", r"^PeakMeter::paintEvent", "painting"),
    ("labels", r"^QLabel::paintEvent", "painting"),
    ("buttons", r"^QToolButton::paintEvent", "painting"),
    ("fonts (all steps)", r"^(FcConfig|FcFont|QFontDatabase|QFontEngineFT::create)", None),
    ("theme icons (all steps)", r"^QIcon::fromTheme|^QIconLoader::", None),
]


def charge(stack, compiled):
    """The label of the innermost step on a stack (frames innermost first) and the frame called
    by that step's own frame (the step itself for a sample in its own code)."""
    for index, frame in enumerate(stack):
        for label, pattern in compiled:
            if pattern.search(frame):
                return label, stack[index - 1] if index > 0 else frame
    # Before main: the outermost frames say whether it is the loader or a static initialiser.
    return STEPS[0][0], " < ".join(reversed(stack[-4:]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--presets")
    parser.add_argument("--detail", type=int, default=4,
                        help="how many callees to list under each step")
    args = parser.parse_args()

    server, display = startup.start_xvfb()
    work = tempfile.mkdtemp(prefix="qw-profile-")
    try:
        watcher = startup.XWatcher(display)
        program_dir = os.path.join(work, "program")
        os.makedirs(program_dir)
        program = os.path.join(program_dir, os.path.basename(args.program))
        shutil.copy2(args.program, program)
        if args.presets:
            shutil.copy2(args.presets, program_dir)
        env = startup.scratch_env(os.path.join(work, "profile"), display)
        # A first start creates the profile; the profiled start is a usual one.
        startup.time_start(watcher, [program], env, program_dir)
        data = os.path.join(work, "perf.data")
        command = ["perf", "record", "-q", "-o", data, "-e", "cpu-clock", "-c", str(SAMPLE_NS),
                   "--call-graph", "dwarf,32768", "--", program]
        timing = startup.time_start(watcher, command, env, program_dir)
        script = subprocess.run(["perf", "script", "-i", data, "-F", "pid,tid,ip,sym"],
                                capture_output=True, text=True, check=True).stdout
    finally:
        startup.stop(server)

    # Only the most specific patterns first: inner steps are listed after their parents.
    compiled = [(label, re.compile(p)) for label, p, _ in reversed(STEPS) if p and
                "(all steps)" not in label]
    across = [(label, re.compile(p)) for label, p, _ in STEPS if "(all steps)" in label]
    counts = collections.Counter()
    callees = collections.defaultdict(collections.Counter)
    across_counts = collections.Counter()
    other_threads = 0
    for block in script.split("\n\n"):
        lines = [line.strip() for line in block.strip().splitlines() if line.strip()]
        if not lines:
            continue
        head = lines[0].split()
        pid, tid = head[0], head[1] if len(head) > 1 else head[0]
        if "/" in pid:
            pid, tid = pid.split("/", 1)
        frames = [re.sub(r"\+0x[0-9a-f]+$", "", line.split(None, 1)[1])
                  for line in lines[1:] if len(line.split(None, 1)) == 2]
        if pid != tid:
            other_threads += 1
            continue
        label, callee = charge(frames, compiled)
        if label == "painting":
            # Name the widget class whose paint event the sample is in.
            callee = next((f for f in frames if f.endswith("::paintEvent")), callee)
        counts[label] += 1
        callees[label][callee] += 1
        for label, pattern in across:
            if any(pattern.search(f) for f in frames):
                across_counts[label] += 1
    shutil.rmtree(work, ignore_errors=True)

    ms = SAMPLE_NS / 1e6
    # Inclusive figures: a step holds the samples of the steps nested in it.
    parents = {label: parent for label, _, parent in STEPS}
    inclusive = collections.Counter()
    for label, n in counts.items():
        node = label
        while node:
            inclusive[node] += n
            node = parents.get(node)
    depth = {}
    for label, _, parent in STEPS:
        depth[label] = 0 if parent is None else depth[parent] + 1
    total = sum(counts.values())
    if timing:
        print(f"wall time to the window mapped {timing[0]:.0f} ms, painted {timing[1]:.0f} ms "
              f"(under perf); main-thread CPU {total * ms:.0f} ms; other threads "
              f"{other_threads * ms:.0f} ms")
    for label, _, _ in STEPS:
        if "(all steps)" in label:
            continue
        n = inclusive[label]
        if n:
            own = counts[label]
            print(f"{'  ' * depth[label]}{label:<{56 - 2 * depth[label]}} {n * ms:7.1f} ms"
                  + (f"  (own {own * ms:.1f})" if own != n else ""))
            for callee, c in callees[label].most_common(args.detail):
                if c * ms >= 1.0:
                    print(f"{'  ' * (depth[label] + 2)}{c * ms:6.1f} ms in {callee[:90]}")
    for label, _ in across:
        print(f"{label:<56} {across_counts[label] * ms:7.1f} ms")


if __name__ == "__main__":
    sys.exit(main())
