#!/usr/bin/env python3
"""Start-up time of a desktop program under a private Xvfb: the time from exec to the first
top-level window mapped, and to its first paint after the map, watched from the X server's side
(SubstructureNotify on the root window, a Damage object on every new top-level window), so the
program under test needs no instrumentation. Each program is started RUNS times on its own
scratch profile, the programs taking turns, and ended with SIGTERM; the medians are reported with
the ratio to the peer. The CPU time to the first paint (all threads) is reported beside the wall
times: on a shared machine it is the steadier figure. For our program the time until its
remote-control name is taken on the session bus (dbus-monitor sees it) and the time until it is
ready (its directory shown, the audio library started) are reported too: a status question sent
as soon as the name is there is answered only once the program is ready.

Usage: startup.py --program PATH [--presets PATH] [--runs N] [--peer "CMD ..."]
                  [--compare OTHER_BUILD ...]
"""

import argparse
import ctypes
import os
import select
import shlex
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

CREATE_NOTIFY = 16
MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
DAMAGE_REPORT_RAW_RECTANGLES = 0
START_TIMEOUT_S = 30.0
# A window that draws nothing this long after its map counts as painted at the map.
PAINT_TIMEOUT_S = 5.0
# The audio library the window program loads once its window is shown, beside the program.
AUDIO_MODULE = "libquillowave-audio.so"
# The remote-control name our program takes once its window is painted, and the status question
# it answers once it is ready.
READY_NAME = "org.hollowmere.Quillowave"
READY_QUESTION = ["dbus-send", "--session", "--print-reply", "--reply-timeout=30000",
                  f"--dest={READY_NAME}", "/Remote", "org.hollowmere.Quillowave.Remote.Command",
                  "uint32:20", "int32:1", "string:"]


class XWatcher:
    """Root-window watcher on one display through Xlib and XDamage (ctypes)."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.damage = ctypes.CDLL("libXdamage.so.1")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x11.XPending.argtypes = [ctypes.c_void_p]
        self.x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XSetErrorHandler.restype = ctypes.c_void_p
        self.damage.XDamageQueryExtension.argtypes = [
            ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
        self.damage.XDamageCreate.restype = ctypes.c_ulong
        self.damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]

        # A window that is gone before its Damage object is made must not end the watcher.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._ignore_errors = handler_type(lambda _d, _e: 0)
        self.x11.XSetErrorHandler(self._ignore_errors)

        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        base, err = ctypes.c_int(), ctypes.c_int()
        if not self.damage.XDamageQueryExtension(self.dpy, ctypes.byref(base), ctypes.byref(err)):
            raise RuntimeError("the X server has no DAMAGE extension")
        self.damage_notify = base.value
        self.root = self.x11.XDefaultRootWindow(self.dpy)
        self.x11.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        self.x11.XSync(self.dpy, 0)
        self.fd = self.x11.XConnectionNumber(self.dpy)
        self.event = ctypes.create_string_buffer(192)

    def events(self):
        """Yields (monotonic seconds, type, window) for the events that are already queued."""
        while self.x11.XPending(self.dpy):
            self.x11.XNextEvent(self.dpy, self.event)
            now = time.monotonic()
            raw = self.event.raw
            kind = struct.unpack_from("i", raw, 0)[0] & 0x7F
            if kind == CREATE_NOTIFY:
                parent, window = struct.unpack_from("LL", raw, 32)
                override = struct.unpack_from("i", raw, 68)[0]
                if parent == self.root and not override:
                    self.damage.XDamageCreate(self.dpy, window, DAMAGE_REPORT_RAW_RECTANGLES)
                    self.x11.XFlush(self.dpy)
                yield now, CREATE_NOTIFY, window
            elif kind == MAP_NOTIFY:
                window = struct.unpack_from("L", raw, 40)[0]
                override = struct.unpack_from("i", raw, 48)[0]
                if not override:
                    yield now, MAP_NOTIFY, window
            elif kind == self.damage_notify:
                yield now, self.damage_notify, struct.unpack_from("L", raw, 32)[0]

    def wait(self, timeout_s, other_fds=()):
        select.select([self.fd, *other_fds], [], [], max(0.0, timeout_s))

    def drain(self):
        self.x11.XSync(self.dpy, 0)
        for _ in self.events():
            pass


class NameWatcher:
    """Tells when a name is taken on the session bus, from dbus-monitor's NameOwnerChanged
    signals."""

    def __init__(self, name):
        rule = ("type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',"
                f"arg0='{name}'")
        self.process = subprocess.Popen(["dbus-monitor", "--session", rule],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.fd = self.process.stdout.fileno()
        self.pending = b""
        self.strings = None
        # Once a monitor, it is told that it lost its own name: from then on it sees the rule.
        deadline = time.monotonic() + START_TIMEOUT_S
        while b"member=NameLost" not in self.pending and time.monotonic() < deadline:
            select.select([self.fd], [], [], 0.5)
            self.pending += os.read(self.fd, 65536)
        self.pending = b""
        os.set_blocking(self.fd, False)

    def taken(self):
        """True when the name got an owner since the last call."""
        try:
            self.pending += os.read(self.fd, 65536) or b""
        except BlockingIOError:
            pass
        *lines, self.pending = self.pending.split(b"\n")
        got = False
        for line in lines:
            if b"member=NameOwnerChanged" in line:
                self.strings = []
            elif self.strings is not None and line.strip().startswith(b"string "):
                self.strings.append(line.strip()[len(b"string "):].strip(b'"'))
                if len(self.strings) == 3:
                    got = got or self.strings[2] != b""
                    self.strings = None
        return got

    def close(self):
        stop(self.process)


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1280x1024x24"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            server.kill()
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def cpu_ms(pid):
    """CPU time of all threads of a process so far, from the scheduler's nanosecond counters:
    unlike the wall time it hardly depends on what else the machine is doing."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except (FileNotFoundError, ProcessLookupError):
        pass
    return total / 1e6


def process_cpu_ms(pid):
    """CPU time of a process so far with its ended threads, from its clock-tick counters: the
    reader thread that read the directory is gone by the time the program is ready."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def time_start(watcher, command, env, cwd, ready=None):
    """One start: (ms to map, ms to the first paint after the map, CPU ms to the first paint, ms
    until the status question was answered and CPU ms until then, ms until the ready watcher saw
    the name taken; the last three None without a watcher) or None when nothing mapped."""
    watcher.drain()
    if ready:
        ready.taken()
    t0 = time.monotonic()
    process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped_window = None
    t_map = None
    t_paint = None
    cpu_paint = 0.0
    t_named = None
    question = None
    t_ready = None
    cpu_ready = None
    deadline = t0 + START_TIMEOUT_S
    try:
        while (t_paint is None or (ready and t_ready is None)) and time.monotonic() < deadline:
            fds = [ready.fd] if ready else []
            if question:
                fds.append(question.stdout.fileno())
            watcher.wait(min(deadline - time.monotonic(), 0.1), fds)
            if ready and t_named is None and ready.taken():
                t_named = time.monotonic()
                question = subprocess.Popen(READY_QUESTION, env=env, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL)
            if question and t_ready is None and question.poll() is not None:
                if question.returncode == 0:
                    t_ready = time.monotonic()
                    cpu_ready = process_cpu_ms(process.pid)
                else:
                    # A call that failed is a fault of the program: no ready time for it.
                    t_named = None
                    ready = None
            if t_paint is not None:
                continue
            for now, kind, window in watcher.events():
                if kind == MAP_NOTIFY and t_map is None:
                    mapped_window, t_map = window, now
                    deadline = min(deadline, t_map + PAINT_TIMEOUT_S)
                elif kind == watcher.damage_notify and window == mapped_window:
                    t_paint = now
                    cpu_paint = cpu_ms(process.pid)
                    # Readiness may come later than a paint would.
                    deadline = t0 + START_TIMEOUT_S
                    break
            if process.poll() is not None and t_map is None:
                break
    finally:
        if question:
            stop(question)
            question.stdout.close()
        stop(process)
    if t_map is None:
        return None
    if t_paint is None:
        t_paint = t_map
    ready_ms = None if t_ready is None else (t_ready - t0) * 1000.0
    named_ms = None if t_named is None else (t_named - t0) * 1000.0
    return ((t_map - t0) * 1000.0, (t_paint - t0) * 1000.0, cpu_paint, ready_ms, cpu_ready,
            named_ms)


def portable_copy(source, presets, program_dir):
    """A copy of the program in a folder of its own, with its audio module and the bundled
    directory beside it: run from there it is portable and keeps its settings and lists beside
    itself, so each copy starts on an empty profile. Returns the copy's path."""
    os.makedirs(program_dir)
    program = os.path.join(program_dir, os.path.basename(source))
    shutil.copy2(source, program)
    module = os.path.join(os.path.dirname(source), AUDIO_MODULE)
    if os.path.exists(module):
        shutil.copy2(module, program_dir)
    if presets:
        shutil.copy2(presets, program_dir)
    # Every web service the window may ask (song covers, the online directory) points at a
    # closed port on loopback: a benchmark sends nothing to the internet.
    settings = os.path.join(program_dir, "Hollowmere")
    os.makedirs(settings)
    with open(os.path.join(settings, "Quillowave.ini"), "w") as ini:
        ini.write("[General]\nCoverArtHosts=http://127.0.0.1:1\n"
                  "OnlineDirectoryHost=http://127.0.0.1:1\n")
    return program


def scratch_env(base, display):
    env = dict(os.environ)
    for name in ("home", "config", "data", "cache", "runtime"):
        os.makedirs(os.path.join(base, name), mode=0o700, exist_ok=True)
    env.update({
        "HOME": os.path.join(base, "home"),
        "XDG_CONFIG_HOME": os.path.join(base, "config"),
        "XDG_DATA_HOME": os.path.join(base, "data"),
        "XDG_CACHE_HOME": os.path.join(base, "cache"),
        "XDG_RUNTIME_DIR": os.path.join(base, "runtime"),
        "DISPLAY": display,
        "QT_QPA_PLATFORM": "xcb",
    })
    env.pop("WAYLAND_DISPLAY", None)
    return env


def measure(watcher, entries, runs):
    """Starts every (label, command, env, cwd, ready watcher) entry RUNS times, taking turns so
    that a change in the machine's load falls on all of them alike; prints and returns one row
    per entry."""
    # The first start on a fresh profile creates its files and warms the page cache: reported on
    # its own, not part of the median.
    firsts = [time_start(watcher, command, env, cwd, ready)
              for _, command, env, cwd, ready in entries]
    results = [[] for _ in entries]
    for _ in range(runs):
        for index, (label, command, env, cwd, ready) in enumerate(entries):
            result = time_start(watcher, command, env, cwd, ready)
            if result is None:
                raise RuntimeError(f"{label}: no window was mapped ({shlex.join(command)})")
            results[index].append(result)
    rows = []
    for (label, _, _, _, _), first, got in zip(entries, firsts, results):
        maps = [r[0] for r in got]
        row = {
            "label": label,
            "map": statistics.median(maps),
            "paint": statistics.median(r[1] for r in got),
            "cpu": statistics.median(r[2] for r in got),
        }
        first_text = "none" if first is None else f"{first[0]:.0f}/{first[1]:.0f}"
        print(f"{label:<11} mapped {row['map']:6.1f} ms (min {min(maps):.1f}, max "
              f"{max(maps):.1f}), painted {row['paint']:6.1f} ms, CPU to painted "
              f"{row['cpu']:6.1f} ms; first start on a fresh profile mapped/painted "
              f"{first_text} ms",
              flush=True)
        readies = [r for r in got if r[3] is not None]
        if readies:
            named = statistics.median(r[5] for r in readies)
            ready = statistics.median(r[3] for r in readies)
            cpu = statistics.median(r[4] for r in readies)
            print(f"{'':<11} remote-control name taken {named - row['paint']:.1f} ms after "
                  f"painted; ready (directory shown, audio library started) {ready:6.1f} ms, "
                  f"{ready - row['paint']:.1f} ms after painted, CPU to ready {cpu:.1f} ms "
                  f"({len(readies)}/{len(got)} starts)", flush=True)
        rows.append(row)
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--presets", help="the bundled directory to place beside the program")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--peer", default="mpv --no-config --force-window=immediate --idle "
                                           "--vo=x11 --ao=null --really-quiet")
    parser.add_argument("--arg", action="append", default=[],
                        help="an argument handed to the program (repeatable)")
    parser.add_argument("--compare", action="append", default=[],
                        help="another build of the program, measured the same way right after "
                             "it, to see what a change gains (repeatable)")
    args = parser.parse_args()

    server, display = start_xvfb()
    work = tempfile.mkdtemp(prefix="qw-startup-")
    ready = NameWatcher(READY_NAME)
    try:
        watcher = XWatcher(display)
        entries = []
        for index, path in enumerate([args.program] + args.compare):
            program_dir = os.path.join(work, f"program{index}")
            program = portable_copy(path, args.presets, program_dir)
            entries.append(("quillowave" if index == 0 else f"compare {index}",
                            [program] + args.arg,
                            scratch_env(os.path.join(work, f"ours{index}"), display), program_dir,
                            ready))
        peer_command = shlex.split(args.peer)
        entries.append((peer_command[0], peer_command,
                        scratch_env(os.path.join(work, "peer"), display), work, None))
        rows = measure(watcher, entries, args.runs)
        ours, peer = rows[0], rows[-1]
        for index, row in enumerate(rows[1:-1], 1):
            print(f"compare {index} ({args.compare[index - 1]}) / quillowave: CPU "
                  f"{row['cpu'] / ours['cpu']:.3f}, painted {row['paint'] / ours['paint']:.3f}")
        print(f"ratio quillowave/{peer['label']} (medians): mapped "
              f"{ours['map'] / peer['map']:.2f}, "
              f"painted {ours['paint'] / peer['paint']:.2f}, CPU {ours['cpu'] / peer['cpu']:.2f}")
    finally:
        ready.close()
        stop(server)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
