#!/usr/bin/env python3
"""Time from the choice of a station to its sound at the output, for the shipped programs and
mpv, started from the same instant and taking turns run by run so that the machine's
load falls on all alike. "Sound at the output" is the first sample that is not silence in what
the player's sound output writes: SDL's disk driver writing into a FIFO for ours, mpv's PCM
output writing into another (it writes as fast as it decodes, with no device clock), and for
the idle mpv also mpv's SDL output into SDL's disk driver, clocked like ours. Before the runs the server has been playing long enough to hand a
new listener its whole burst, as a server that has been on the air does.

quillowave-cli and mpv are timed from their exec; the window and an idle mpv, both started once,
from the choice of the station (MPRIS OpenUri on the session bus for ours, a loadfile on mpv's
IPC socket), each stopped again between runs. Printed: the median and range of each, the ratio
to its mpv, the server's first audio byte (a bare HTTP request in the same turns) and, for
quillowave-cli, the pre-buffer wait it reports. Run it inside a D-Bus session.

Usage: first_audio.py --url URL --cli PATH [--window PATH --presets PATH] [--runs N]
"""

import argparse
import json
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
import threading
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


def wait_audible(fd, start, process):
    """Seconds from start to the first non-silent byte read from fd, None when the process
    ended or nothing audible came in time."""
    deadline = start + START_TIMEOUT_S
    while time.monotonic() < deadline and process.poll() is None:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if ready and os.read(fd, 65536).strip(b"\0"):
            return time.monotonic() - start
    return None


def end_process(process):
    if process.poll() is None:
        os.killpg(process.pid, signal.SIGTERM)
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def first_audio(command, env, fifo, log_path):
    """Seconds from exec to the first non-silent byte written into fifo; the process is ended
    afterwards. None when it wrote nothing audible in time."""
    # Opened for reading and writing, the FIFO never reads as ended while no player has it open.
    fd = os.open(fifo, os.O_RDWR)
    start = time.monotonic()
    with open(log_path, "wb") as log:
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, start_new_session=True)
    try:
        return wait_audible(fd, start, process)
    finally:
        end_process(process)
        os.close(fd)


class RunningPlayer:
    """A player started once and idle, told to play a station (the choice) and to stop again:
    the time from the choice to its first audible sample in fifo. A thread reads the FIFO all
    along, as mpv's PCM output writes faster than real time and would otherwise wait on it."""

    QUIET_S = 0.5

    def __init__(self, command, env, fifo, choose, stop):
        self.fd = os.open(fifo, os.O_RDWR)
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        self.choose, self.stop_playing = choose, stop
        self.lock = threading.Lock()
        self.last_audible = time.monotonic()
        self.armed = False
        self.found = None
        self.closing = False
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        while not self.closing:
            if not select.select([self.fd], [], [], 0.1)[0]:
                continue
            if os.read(self.fd, 65536).strip(b"\0"):
                with self.lock:
                    self.last_audible = time.monotonic()
                    if self.armed and self.found is None:
                        self.found = self.last_audible

    def first_audio(self, url):
        # The last run's tail must have passed before this run's clock starts.
        while True:
            with self.lock:
                quiet = time.monotonic() - self.last_audible
            if quiet > self.QUIET_S:
                break
            time.sleep(self.QUIET_S - quiet + 0.01)
        start = time.monotonic()
        with self.lock:
            self.armed, self.found = True, None
        self.choose(url)
        deadline = start + START_TIMEOUT_S
        found = None
        while found is None and time.monotonic() < deadline and self.process.poll() is None:
            time.sleep(0.005)
            with self.lock:
                found = self.found
        with self.lock:
            self.armed = False
        self.stop_playing()
        return None if found is None else found - start

    def close(self):
        end_process(self.process)
        self.closing = True
        self.reader.join()
        os.close(self.fd)


MPRIS = ["dbus-send", "--session", "--type=method_call", "--print-reply",
         "--dest=org.mpris.MediaPlayer2.quillowave", "/org/mpris/MediaPlayer2"]


def start_window(program, env, fifo):
    """Our window, chosen from through its MPRIS interface (as a desktop's media widget does)."""
    def call(*args):
        subprocess.run(MPRIS + list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
    player = RunningPlayer([program], env, fifo,
                           lambda url: call("org.mpris.MediaPlayer2.Player.OpenUri",
                                            f"string:{url}"),
                           lambda: call("org.mpris.MediaPlayer2.Player.Stop"))
    deadline = time.monotonic() + START_TIMEOUT_S
    while subprocess.run(MPRIS + ["org.freedesktop.DBus.Peer.Ping"], stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL).returncode != 0:
        if time.monotonic() > deadline or player.process.poll() is not None:
            player.close()
            raise RuntimeError("the window did not appear on the session bus")
        time.sleep(0.2)
    return player


def start_idle_mpv(fifo, socket_path, sdl=False):
    """mpv waiting idle, chosen from through its IPC socket; with sdl, its sound goes through
    SDL's disk driver into fifo, a device with a clock as ours is, rather than its PCM writer."""
    def send(*command):
        client = socket.socket(socket.AF_UNIX)
        client.connect(socket_path)
        client.sendall((json.dumps({"command": list(command)}) + "\n").encode())
        client.recv(4096)
        client.close()
    output = ["--ao=pcm", f"--ao-pcm-file={fifo}", "--ao-pcm-waveheader=no"]
    env = dict(os.environ)
    if sdl:
        output = ["--ao=sdl"]
        env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": fifo})
    player = RunningPlayer(["mpv", "--no-config", "--really-quiet", "--idle=yes", "--no-video",
                            f"--input-ipc-server={socket_path}"] + output, env, fifo,
                           lambda url: send("loadfile", url), lambda: send("stop"))
    deadline = time.monotonic() + START_TIMEOUT_S
    while not os.path.exists(socket_path):
        if time.monotonic() > deadline or player.process.poll() is not None:
            player.close()
            raise RuntimeError("mpv did not open its IPC socket")
        time.sleep(0.1)
    return player


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
    return (f"{label:<34} {med:8.3f} s  (min {min(values):.3f}, max {max(values):.3f})"
            f"   x mpv {ratio}")


def report(title, rows, server):
    """rows: (label, times); the last row is the peer the others are divided by."""
    peer = statistics.median(rows[-1][1])
    print(title)
    for label, times in rows:
        print(summary(label, times, peer) + f"   after the server's first byte "
              f"{statistics.median(times) - server:+.3f} s")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--url", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--window")
    parser.add_argument("--presets")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="qw-first-audio-")
    running = []
    try:
        fifos = {name: os.path.join(work, f"{name}.fifo") for name in ("exec", "window", "mpv", "mpvsdl")}
        for fifo in fifos.values():
            os.mkfifo(fifo)
        log = os.path.join(work, "player.log")
        started = [("quillowave-cli play", [args.cli, "play", args.url, "--device", "1",
                                            "--seconds", "20"]),
                   ("mpv", ["mpv", "--no-config", "--really-quiet", "--no-video", "--ao=pcm",
                            f"--ao-pcm-file={fifos['exec']}", "--ao-pcm-waveheader=no",
                            "--length=20", args.url])]
        env = player_env(os.path.join(work, "cli"), fifos["exec"])
        if args.window:
            program = portable_copy(args.window, args.presets, os.path.join(work, "app"))
            running = [("quillowave window (MPRIS OpenUri)",
                        start_window(program, player_env(os.path.join(work, "window"),
                                                         fifos["window"]), fifos["window"])),
                       ("mpv --idle --ao=sdl, SDL disk",
                        start_idle_mpv(fifos["mpvsdl"], os.path.join(work, "mpvsdl.socket"),
                                       sdl=True)),
                       ("mpv --idle (IPC loadfile)",
                        start_idle_mpv(fifos["mpv"], os.path.join(work, "mpv.socket")))]

        wait_for_burst(args.url)
        times = {label: [] for label, _ in started + running}
        servers = []
        prebuffers = []
        for _ in range(args.runs):
            servers.append(server_first_byte(args.url)[0])
            for label, command in started:
                found = first_audio(command, env, fifos["exec"], log)
                with open(log, errors="replace") as f:
                    output = f.read()
                if found is None:
                    sys.stderr.write(output)
                    raise RuntimeError(f"{label}: no sound came out")
                times[label].append(found)
                match = re.search(r"prebuffer (\d+) ms", output)
                if match:
                    prebuffers.append(int(match.group(1)))
            for label, player in running:
                found = player.first_audio(args.url)
                if found is None:
                    raise RuntimeError(f"{label}: no sound came out")
                times[label].append(found)
        server = statistics.median(servers)
        print(f"Time to first audio at the output, median of {args.runs} interleaved runs "
              f"(server's first audio byte: {server:.3f} s after a request)")
        report("From the exec of the player:", [(label, times[label]) for label, _ in started],
               server)
        if prebuffers:
            print(f"(the pre-buffer wait of quillowave-cli: median {statistics.median(prebuffers)}"
                  f" ms, range {min(prebuffers)}-{max(prebuffers)} ms)")
        if running:
            report("From the choice in a player that is already running:",
                   [(label, times[label]) for label, _ in running], server)
            window, mpv_sdl = (statistics.median(times[label]) for label, _ in running[:2])
            print(f"(the window over mpv on the same clocked SDL disk output: "
                  f"{window / mpv_sdl:.2f})")
    finally:
        for _, player in running:
            player.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
