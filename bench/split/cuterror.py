#!/usr/bin/env python3
"""Cut errors of split recordings of a stream of tones.

The stream is a row of songs of SONG seconds, song i a tone of FREQS[i], and its title changes
exactly at the first byte of each song (at k * SONG seconds of the 128 kbit/s stream). Every
recorded file is decoded and read in 20 ms windows: the length of the tone it begins with tells
where in the stream the file begins, because the place where that tone gives way to the next is
known from the source itself. The cut error of a title change is the distance of the file
boundary nearest to it from the title's byte (positive: later).

usage: cuterror.py SOURCE SONG FREQ,FREQ,... NAME=FOLDER [NAME=FOLDER ...]
"""
import array
import os
import subprocess
import sys

RATE = 44100
WINDOW = 0.02


def tones(path, freqs):
    """The tone of each window of the decoded file (0 where none is clear), and its seconds."""
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-ac", "1", "-ar", str(RATE),
                          "-f", "s16le", "-"], capture_output=True, check=False).stdout
    samples = array.array("h")
    samples.frombytes(pcm[:len(pcm) // 2 * 2])
    size = int(RATE * WINDOW)
    out = []
    for start in range(0, len(samples) - size + 1, size):
        crossings = 0
        positive = samples[start] > 0
        for value in samples[start:start + size]:
            if (positive and value < -1000) or (not positive and value > 1000):
                positive = not positive
                crossings += 1
        freq = crossings / 2 / WINDOW
        best = min(freqs, key=lambda f: abs(f - freq))
        out.append(best if abs(best - freq) < 0.06 * best else 0)
    # A window unlike both its neighbours is the noise of a cut frame, not a tone.
    smooth = [t if (i > 0 and out[i - 1] == t) or (i + 1 < len(out) and out[i + 1] == t) else 0
              for i, t in enumerate(out)]
    return smooth, len(samples) / RATE


def source_changes(path, freqs):
    """Seconds into the decoded source at which each song's tone begins."""
    windows, _ = tones(path, freqs)
    changes = {0: 0.0}
    for i in range(1, len(windows)):
        if windows[i] and windows[i] != windows[i - 1] and windows[i] in freqs:
            index = freqs.index(windows[i])
            changes.setdefault(index, i * WINDOW)
    return changes


def place(path, freqs, changes):
    """(start, end) of a file in the stream, in seconds; None when its tones are unclear."""
    windows, seconds = tones(path, freqs)
    first = next((t for t in windows if t), 0)
    if not first or seconds < 0.5:
        return None
    run = 0
    while run < len(windows) and windows[run] in (first, 0):
        run += 1
    following = freqs.index(first) + 1
    if following not in changes:
        return None
    start = changes[following] - run * WINDOW
    return start, start + seconds


def files_below(folder):
    found = []
    for base, _dirs, names in os.walk(folder):
        found += [os.path.join(base, n) for n in names if n.lower().endswith(".mp3")]
    return sorted(found)


def main():
    source, song, freqs = sys.argv[1], float(sys.argv[2]), [int(f) for f in sys.argv[3].split(",")]
    changes = source_changes(source, freqs)
    boundaries = [k * song for k in range(1, len(freqs))]
    results = {}
    for spec in sys.argv[4:]:
        name, folder = spec.split("=", 1)
        places = [p for p in (place(f, freqs, changes) for f in files_below(folder)) if p]
        starts = [s for s, _ in places]
        ends = [e for _, e in places]
        errors = []
        for b in boundaries:
            near = [s - b for s in starts if abs(s - b) < song / 2]
            before = [e - b for e in ends if abs(e - b) < song / 2]
            errors.append((min(near, key=abs) if near else None,
                           min(before, key=abs) if before else None))
        results[name] = (len(places), errors)

    names = list(results)
    print("%-10s" % "title at" + "".join("%22s" % ("%s start/end ms" % n) for n in names))
    for i, b in enumerate(boundaries):
        row = "%-10s" % ("%.0f s" % b)
        for n in names:
            start, end = results[n][1][i]
            fmt = lambda v: "missed" if v is None else "%+.0f" % (v * 1000)
            row += "%22s" % ("%s / %s" % (fmt(start), fmt(end)))
        print(row)
    for n in names:
        values = [abs(v) for pair in results[n][1] for v in pair if v is not None]
        missed = sum(1 for pair in results[n][1] for v in pair if v is None)
        mean = sum(values) / len(values) if values else float("nan")
        worst = max(values) if values else float("nan")
        print("%s: %d files, mean |error| %.0f ms, worst %.0f ms, %d boundaries missed"
              % (n, results[n][0], mean * 1000, worst * 1000, missed))


if __name__ == "__main__":
    main()
