#!/usr/bin/env python3
"""What a player costs while it plays nothing: our window and mpv's (--idle --force-window),
side by side on one private Xvfb and measured over the same stretch of time. Read from /proc
for every thread: the CPU time (schedstat's nanoseconds) and the number of times a thread was
put on a CPU (schedstat's run count; each is a wake-up of a sleeping thread or a preemption),
as a share of one core and per second. Our sound output is SDL's disk driver writing to
/dev/null, so that a device kept open shows its cost as a real one would.

Usage: idle.py --program PATH [--presets PATH] [--settle S] [--seconds S]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "startup"))
from startup import portable_copy, scratch_env, start_xvfb, stop  # noqa: E402


def thread_counters(pid):
    """{thread id: (CPU ns, times run)} of a process's live threads."""
    counters = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except FileNotFoundError:
        return counters
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                cpu, _, runs = f.read().split()[:3]
        except (FileNotFoundError, ProcessLookupError, ValueError):
            continue
        counters[task] = (int(cpu), int(runs))
    return counters


def difference(before, after):
    """CPU ns and runs from before to after; a thread born in between counts from zero."""
    cpu = runs = 0
    for task, (cpu_after, runs_after) in after.items():
        cpu_before, runs_before = before.get(task, (0, 0))
        cpu += cpu_after - cpu_before
        runs += runs_after - runs_before
    return cpu, runs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--presets")
    parser.add_argument("--settle", type=float, default=8.0)
    parser.add_argument("--seconds", type=float, default=30.0)
    args = parser.parse_args()

    server, display = start_xvfb()
    work = tempfile.mkdtemp(prefix="qw-idle-")
    processes = []
    try:
        program_dir = os.path.join(work, "app")
        program = portable_copy(args.program, args.presets, program_dir)
        ours_env = scratch_env(os.path.join(work, "ours"), display)
        ours_env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": "/dev/null"})
        peer_env = scratch_env(os.path.join(work, "peer"), display)
        entries = [
            ("quillowave", [program], ours_env, program_dir),
            ("mpv --idle", ["mpv", "--no-config", "--idle", "--force-window=immediate",
                            "--vo=x11", "--ao=null", "--really-quiet"], peer_env, work),
        ]
        for _, command, env, cwd in entries:
            processes.append(subprocess.Popen(command, env=env, cwd=cwd,
                                              stdin=subprocess.DEVNULL,
                                              stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL))
        time.sleep(args.settle)
        for (label, _, _, _), process in zip(entries, processes):
            if process.poll() is not None:
                raise RuntimeError(f"{label} ended before the measurement")
        before = [thread_counters(p.pid) for p in processes]
        start = time.monotonic()
        time.sleep(args.seconds)
        after = [thread_counters(p.pid) for p in processes]
        elapsed = time.monotonic() - start

        print(f"Idle: nothing playing, window open, {args.seconds:.0f} s after {args.settle:.0f} s "
              f"to settle (Xvfb; load average {os.getloadavg()[0]:.2f})")
        rows = []
        for (label, _, _, _), b, a in zip(entries, before, after):
            cpu_ns, runs = difference(b, a)
            rows.append((label, cpu_ns / 1e9 / elapsed * 100.0, runs / elapsed))
        peer = rows[-1]
        for label, percent, wakeups in rows:
            ratio_cpu = f"{percent / peer[1]:.2f}" if peer[1] > 0 else "-"
            ratio_wake = f"{wakeups / peer[2]:.2f}" if peer[2] > 0 else "-"
            print(f"{label:<12} CPU {percent:7.3f} % of a core (x mpv {ratio_cpu:>6}),"
                  f" {wakeups:7.1f} wake-ups/s (x mpv {ratio_wake:>6})")
    finally:
        for process in processes:
            stop(process)
        stop(server)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
