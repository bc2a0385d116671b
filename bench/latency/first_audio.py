#!/usr/bin/env python3
"""Time from the choice of a station to its sound at the output, for the shipped programs and
mpv, started from the same instant (the exec) and taking turns run by run so that the machine's
load falls on all alike. "Sound at the output" is the first sample that is not silence in what
the player's sound output writes: SDL's disk driver writing into a FIFO for ours, mpv's PCM
output writing into another. Before the runs the server has been playing long enough to hand a
new listener its whole burst, as a server that has been on the air does.

Printed: the median and range of each, the ratio to mpv, the server's first audio byte (a bare
HTTP request in the same turns) and, for quillowave-cli, the pre-buffer wait it reports.

Usage: first_audio.py --url URL --cli PATH [--window PATH --presets PATH] [--runs N]
"""

import argparse
import os
import re
import select
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "startup"))
from startup import portable_copy, scratch_env  # noqa: E402

BURST_BYTES = 60000
START_TIMEOUT_S = 30.0


def server_first_byte(url):
    """Seconds from a bare request to the first byte of the body, and the body bytes that came
    within the next 0.3 s (the burst a new listener gets)."""
    parts = urllib.parse.urlparse(url)
    start = time.monotonic()
    sock = socket.create_connection((parts.hostname, parts.port), timeout=10)
    sock.sendall(f"GET {parts.path} HTTP/1.0\r\nHost: {parts.hostname}\r\n\r\n".encode())
    data = b""
    while b"\r\n\r\n" not in data or data.endswith(b"\r\n\r\n"):
        chunk = sock.recv(65536)
        if not chunk:
            break
        data += chunk
    first = time.monotonic() - start
    body = len(data.split(b"\r\n\r\n", 1)[-1])
    sock.settimeout(0.05)
    until = time.monotonic() + 0.3
    while time.monotonic() < until:
        try:
            chunk = sock.recv(65536)
        except socket.timeout:
            continue
        if not chunk:
            break
        body += len(chunk)
    sock.close()
    return first, body


def wait_for_burst(url):
    """Returns once a new listener gets a full burst at once."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        if server_first_byte(url)[1] >= BURST_BYTES:
            return
        time.sleep(1)
    raise RuntimeError(f"{url}: the server never offered a full burst")


def first_audio(command, env, fifo, log_path):
    """Seconds from exec to the first non-silent byte written into fifo; the process is ended
    afterwards. None when it wrote nothing audible in time."""
    # Opened for reading and writing, the FIFO never reads as ended while no player has it open.
    fd = os.open(fifo, os.O_RDWR)
    start = time.monotonic()
    with open(log_path, "wb") as log:
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
    found = None
    try:
        deadline = start + START_TIMEOUT_S
        while found is None and time.monotonic() < deadline and process.poll() is None:
            ready, _, _ = select.select([fd], [], [], 0.5)
            if ready and os.read(fd, 65536).strip(b"\0"):
                found = time.monotonic() - start
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        os.close(fd)
    return found


def player_env(base, fifo):
    """A scratch profile without a display (offscreen window) whose sound goes into fifo."""
    env = scratch_env(base, "")
    env.pop("DISPLAY")
    env.update({"QT_QPA_PLATFORM": "offscreen", "SDL_AUDIODRIVER": "disk",
                "SDL_DISKAUDIOFILE": fifo})
    return env


def summary(label, values, peer):
    med = statistics.median(values)
    ratio = f"{med / peer:.2f}" if peer else "-"
    return (f"{label:<26} {med:8.3f} s  (min {min(values):.3f}, max {max(values):.3f})"
            f"   x mpv {ratio}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--window")
    parser.add_argument("--presets")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="qw-first-audio-")
    try:
        fifo = os.path.join(work, "out.fifo")
        os.mkfifo(fifo)
        log = os.path.join(work, "player.log")
        players = [("quillowave-cli play", [args.cli, "play", args.url, "--device", "1",
                                            "--seconds", "20"])]
        if args.window:
            program = portable_copy(args.window, args.presets, os.path.join(work, "app"))
            players.append(("quillowave window", [program, f"/url={args.url}"]))
        players.append(("mpv", ["mpv", "--no-config", "--really-quiet", "--no-video",
                                "--ao=pcm", f"--ao-pcm-file={fifo}", "--ao-pcm-waveheader=no",
                                "--length=20", args.url]))
        env = player_env(os.path.join(work, "profile"), fifo)

        wait_for_burst(args.url)
        times = {label: [] for label, _ in players}
        servers = []
        prebuffers = []
        for _ in range(args.runs):
            servers.append(server_first_byte(args.url)[0])
            for label, command in players:
                found = first_audio(command, env, fifo, log)
                if found is None:
                    with open(log, errors="replace") as f:
                        sys.stderr.write(f.read())
                    raise RuntimeError(f"{label}: no sound came out")
                times[label].append(found)
                if label.startswith("quillowave-cli"):
                    with open(log, errors="replace") as f:
                        match = re.search(r"prebuffer (\d+) ms", f.read())
                    if match:
                        prebuffers.append(int(match.group(1)))
        peer = statistics.median(times["mpv"])
        server = statistics.median(servers)
        print(f"Time to first audio at the output, median of {args.runs} interleaved starts "
              f"(server's first audio byte: {server:.3f} s)")
        for label, _ in players:
            print(summary(label, times[label], peer) +
                  f"   after the server's first byte "
                  f"{statistics.median(times[label]) - server:+.3f} s")
        if prebuffers:
            print(f"(the pre-buffer wait of quillowave-cli: median {statistics.median(prebuffers)}"
                  f" ms, range {min(prebuffers)}-{max(prebuffers)} ms)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
