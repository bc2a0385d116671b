#!/usr/bin/env python3
"""Cut errors of split recordings, from where the tone changes in each file.

The stream is a chain of songs, each one tone of its own (FREQS, in order), its title changing
at each song's first byte. A file of any format (a re-encoded one included) is decoded with
ffmpeg; the tone in its middle says which song it holds. At each title change between song k-1
and song k the cut error is the length of song k's tone at the end of song k-1's file minus the
length of song k-1's tone at the start of song k's file (positive: the cut came late), measured
in 20 ms windows moved 5 ms at a time (Goertzel): to about 5 ms.

usage: toneerror.py FREQS NAME=FOLDER [NAME=FOLDER ...]      (FREQS: 440,550,660,...)
"""
import math
import os
import struct
import subprocess
import sys

RATE = 44100
WINDOW = 882   # 20 ms
HOP = 220      # 5 ms
SEARCH = RATE  # the first and last second of a file are searched


def decoded(path):
    """The file's audio as mono floats at RATE."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-ac", "1", "-ar", str(RATE),
                          "-f", "f32le", "-"], capture_output=True, check=False).stdout
    return struct.unpack("<%df" % (len(raw) // 4), raw[:len(raw) // 4 * 4])


def power(samples, start, hz):
    """Goertzel power of hz in WINDOW samples from start."""
    coefficient = 2 * math.cos(2 * math.pi * hz / RATE)
    previous = before = 0.0
    for value in samples[start:start + WINDOW]:
        previous, before = value + coefficient * previous - before, previous
    return previous * previous + before * before - coefficient * previous * before


def neighbour_ms(samples, own, neighbour, at_end):
    """How long the neighbour's tone lasts at one end of a file of the own tone, in ms."""
    for offset in range(0, min(SEARCH, len(samples) - WINDOW), HOP):
        start = len(samples) - WINDOW - offset if at_end else offset
        if power(samples, start, own) > power(samples, start, neighbour):
            # The first window the own tone wins holds about 10 ms of the neighbour's beyond
            # its start: the same at both ends of a cut, so it drops out of the difference.
            return offset * 1000.0 / RATE
    return SEARCH * 1000.0 / RATE


def song_of(samples, freqs):
    """Index of the tone that fills the middle of the file, None for a short file."""
    if len(samples) < 2 * WINDOW:
        return None
    middle = len(samples) // 2 - WINDOW // 2
    powers = [power(samples, middle, f) for f in freqs]
    return powers.index(max(powers))


def files_below(folder):
    found = []
    for base, _dirs, names in os.walk(folder):
        found += [os.path.join(base, n) for n in names
                  if n.lower().endswith((".mp3", ".ogg", ".flac", ".aac"))]
    return sorted(found)


def measure(folder, freqs):
    """{song index: (ms of the song before at its start, ms of the next song at its end)}."""
    ends = {}
    for path in files_below(folder):
        samples = decoded(path)
        song = song_of(samples, freqs)
        if song is None:
            continue
        before = neighbour_ms(samples, freqs[song], freqs[song - 1], False) if song > 0 else None
        after = (neighbour_ms(samples, freqs[song], freqs[song + 1], True)
                 if song + 1 < len(freqs) else None)
        # A song cut into several files (a restart) keeps its first start and its last end.
        old = ends.get(song)
        ends[song] = (old[0] if old else before, after)
    return ends


def main():
    freqs = [float(f) for f in sys.argv[1].split(",")]
    results = {}
    for spec in sys.argv[2:]:
        name, folder = spec.split("=", 1)
        ends = measure(folder, freqs)
        errors = []
        for song in range(1, len(freqs)):
            if song - 1 in ends and song in ends and ends[song - 1][1] is not None \
                    and ends[song][0] is not None:
                errors.append(ends[song - 1][1] - ends[song][0])
            else:
                errors.append(None)
        results[name] = errors

    names = list(results)
    print("%-10s" % "song" + "".join("%22s" % ("%s cut ms" % n) for n in names))
    for i in range(len(freqs) - 1):
        line = "%-10s" % ("%d->%d" % (i + 1, i + 2))
        for n in names:
            value = results[n][i]
            line += "%22s" % ("-" if value is None else "%+.0f" % value)
        print(line)
    means = {}
    for n in names:
        values = [abs(v) for v in results[n] if v is not None]
        means[n] = sum(values) / len(values) if values else float("nan")
        print("%s: %d of %d title changes measured, mean |cut error| %.0f ms, worst %.0f ms"
              % (n, len(values), len(results[n]), means[n],
                 max(values) if values else float("nan")))
    peer = means.get("streamripper")
    for n in names:
        if n != "streamripper" and peer and peer == peer and peer > 0:
            print("%s / streamripper mean |cut error|: %.2f" % (n, means[n] / peer))


if __name__ == "__main__":
    main()
