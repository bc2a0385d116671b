#!/usr/bin/env python3
"""Where the start-up time goes: one start of the program under perf (CPU-clock samples every
0.25 ms with DWARF call stacks) on a private Xvfb, ended once its window is mapped and painted;
several such starts, each step reported as its median.
Each sample of the main thread is charged to the innermost start-up step on its stack; the steps
are functions of the program and of Qt, so the program needs no markers of its own. Figures are
CPU milliseconds of the main thread; the wall time to the window, printed beside them, also
holds the waits for the X server, the session bus and the scheduler.

Usage: startup_profile.py --program PATH [--presets PATH] [--runs N] [--detail N]
"""

import argparse
import collections
import os
import re
import shutil
import statistics
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
    ("directory pop-up", r"^QuillowaveWindow::setupDirectoryPopup", "window construction"),
    ("keyboard actions", r"^QuillowaveWindow::setupKeys", "window construction"),
    ("central layout", r"^QuillowaveWindow::setupCentralLayout", "window construction"),
    ("favourites and history", r"^QuillowaveWindow::loadLists", "window construction"),
    ("applying the settings", r"^QuillowaveWindow::applySettings", "window construction"),
    ("window geometry", r"^AppSettings::restoreWindowGeometry", "window construction"),
    ("showing the window (polish, layout, native window)",
     r"^(QWidget|QWidgetPrivate)::setVisible", "main"),
    ("window icon for the window manager", r"^QXcbWindow::setWindowIcon",
     "showing the window (polish, layout, native window)"),
    ("event loop until painted", r"^QCoreApplication::exec", "main"),
    ("painting", r"^QWidgetRepaintManager::", "event loop until painted"),
    ("tree views", r"^(QTreeView|QTreeWidget)::paintEvent", "painting"),
    ("level meters", r"^PeakMeter::paintEvent", "painting"),
    ("labels", r"^QLabel::paintEvent", "painting"),
    ("buttons", r"^QToolButton::paintEvent", "painting"),
    ("after the first paint: audio module and library start", r"^WindowStartup::startEngine",
     "event loop until painted"),
    ("fonts (all steps)", r"^(FcConfig|FcFont|QFontDatabase|QFontEngineFT::create)", None),
    ("theme icons (all steps)", r"^QIcon::fromTheme|^QIconLoader::", None),
    ("plug-in searches and loading (all steps)", r"^(QFactoryLoader::|QLibraryPrivate::load)",
     None),
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


def shared_libraries(path):
    """Name to path of every shared library the loader maps for path."""
    out = subprocess.run(["ldd", path], capture_output=True, text=True).stdout
    return dict(re.findall(r"^\s*(\S+) => (\S+)", out, re.MULTILINE))


def loading_cpu_ms(libraries, work, name, runs=20):
    """Median CPU time of an empty program linked to the given libraries: what mapping and
    relocating them costs every start, before main."""
    binary = os.path.join(work, name)
    command = ["cc", "-x", "c", "-", "-x", "none", "-o", binary, "-Wl,--no-as-needed"]
    subprocess.run(command + libraries, input="int main(void) { return 0; }\n", text=True,
                   check=True)
    times = []
    for _ in range(runs):
        pid = os.spawnv(os.P_NOWAIT, binary, [binary])
        _, _, usage = os.wait4(pid, 0)
        times.append((usage.ru_utime + usage.ru_stime) * 1000.0)
    return statistics.median(times)


def library_summary(program, work):
    """The shared libraries the loader maps before main, how many of them only the audio side
    (FFmpeg, SDL, curl) brings, and the CPU time loading costs with and without that side."""
    everything = shared_libraries(program)
    dynamic = subprocess.run(["readelf", "-d", program], capture_output=True, text=True).stdout
    audio = ("libav", "libsw", "libSDL", "libcurl")
    needed = [name for name in re.findall(r"Shared library: \[(.+?)\]", dynamic)
              if name in everything]
    rest = set()
    for name in needed:
        if not name.startswith(audio):
            rest |= {name} | set(shared_libraries(everything[name]))
    all_ms = loading_cpu_ms([everything[n] for n in needed], work, "empty-all")
    rest_ms = loading_cpu_ms([everything[n] for n in needed if not n.startswith(audio)], work,
                             "empty-rest")
    return len(everything), len(set(everything) - rest), all_ms, rest_ms


def parse(script, compiled, across):
    """Samples of one perf script text: per step (exclusive), per step and callee, per
    cross-cutting step, and the number of samples of other threads."""
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
        if pid != tid:
            other_threads += 1
            continue
        frames = [re.sub(r"\+0x[0-9a-f]+$", "", line.split(None, 1)[1])
                  for line in lines[1:] if len(line.split(None, 1)) == 2]
        label, callee = charge(frames, compiled)
        if label == "painting":
            # Name the widget class whose paint event the sample is in.
            callee = next((f for f in frames if f.endswith("::paintEvent")), callee)
        counts[label] += 1
        callees[label][callee] += 1
        for name, pattern in across:
            if any(pattern.search(f) for f in frames):
                across_counts[name] += 1
    return counts, callees, across_counts, other_threads


def inclusive(counts):
    """A step's samples with those of the steps nested in it."""
    parents = {label: parent for label, _, parent in STEPS}
    total = collections.Counter()
    for label, n in counts.items():
        node = label
        while node:
            total[node] += n
            node = parents.get(node)
    return total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--presets")
    parser.add_argument("--runs", type=int, default=3,
                        help="profiled starts; each step is reported as its median")
    parser.add_argument("--detail", type=int, default=3,
                        help="how many callees to list under each step")
    args = parser.parse_args()

    # Inner steps are listed after their parents; a frame is tested against all of them.
    compiled = [(label, re.compile(p)) for label, p, _ in reversed(STEPS) if p and
                "(all steps)" not in label]
    across = [(label, re.compile(p)) for label, p, _ in STEPS if "(all steps)" in label]
    server, display = startup.start_xvfb()
    work = tempfile.mkdtemp(prefix="qw-profile-")
    runs = []
    try:
        watcher = startup.XWatcher(display)
        program_dir = os.path.join(work, "program")
        program = startup.portable_copy(args.program, args.presets, program_dir)
        env = startup.scratch_env(os.path.join(work, "profile"), display)
        # A first start creates the profile; the profiled starts are usual ones.
        startup.time_start(watcher, [program], env, program_dir)
        data = os.path.join(work, "perf.data")
        command = ["perf", "record", "-q", "-o", data, "-e", "cpu-clock", "-c", str(SAMPLE_NS),
                   "--call-graph", "dwarf,32768", "--", program]
        for _ in range(args.runs):
            timing = startup.time_start(watcher, command, env, program_dir)
            script = subprocess.run(["perf", "script", "-i", data, "-F", "pid,tid,ip,sym"],
                                    capture_output=True, text=True, check=True).stdout
            runs.append((timing, parse(script, compiled, across)))
    finally:
        startup.stop(server)
        shutil.rmtree(work, ignore_errors=True)

    ms = SAMPLE_NS / 1e6

    def median_ms(values):
        return statistics.median(values) * ms

    totals = [inclusive(parsed[0]) for _, parsed in runs]
    owns = [parsed[0] for _, parsed in runs]
    callees = collections.defaultdict(collections.Counter)
    for _, parsed in runs:
        for label, counter in parsed[1].items():
            callees[label].update(counter)
    depth = {}
    for label, _, parent in STEPS:
        depth[label] = 0 if parent is None else depth[parent] + 1
    walls = [timing for timing, _ in runs if timing]
    print(f"{len(runs)} profiled starts, medians: window painted "
          f"{statistics.median(t[1] for t in walls) if walls else 0:.0f} ms wall (slowed by "
          f"perf); main-thread CPU {median_ms([sum(o.values()) for o in owns]):.0f} ms; other "
          f"threads {median_ms([parsed[3] for _, parsed in runs]):.0f} ms")
    for label, _, _ in STEPS:
        if "(all steps)" in label:
            continue
        n = median_ms([t[label] for t in totals])
        if n < 0.5:
            continue
        own = median_ms([o[label] for o in owns])
        print(f"{'  ' * depth[label]}{label:<{56 - 2 * depth[label]}} {n:7.1f} ms"
              + (f"  (own {own:.1f})" if abs(own - n) >= 0.1 else ""))
        for callee, c in callees[label].most_common(args.detail):
            if c * ms / len(runs) >= 1.0:
                print(f"{'  ' * (depth[label] + 2)}{c * ms / len(runs):6.1f} ms in {callee[:90]}")
    for label, _ in across:
        print(f"{label:<56} {median_ms([parsed[2][label] for _, parsed in runs]):7.1f} ms")
    work = tempfile.mkdtemp(prefix="qw-libraries-")
    try:
        total_libs, audio_libs, all_ms, rest_ms = library_summary(args.program, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"shared libraries mapped before main: {total_libs}, of which {audio_libs} only for "
          f"FFmpeg, SDL and curl; an empty program linked like this one takes {all_ms:.0f} ms "
          f"CPU to start and end, {rest_ms:.0f} ms without those {audio_libs}")


if __name__ == "__main__":
    sys.exit(main())
