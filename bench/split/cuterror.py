#!/usr/bin/env python3
"""Cut errors of split recordings, from where each file's audio lies in the stream.

The stream is SOURCE sent as it is (a 128 kbit/s MP3: 16 bytes a millisecond), with its title
changing exactly at every SONG_BYTES-th byte. A direct copy's audio (the file without the ID3
tags a recorder adds) is one piece of SOURCE, found by its first 4 KiB; so each file's first
and last byte are known to the byte. The cut error of a title change is the distance from the
title's byte to the nearest file start, and to the nearest file end (positive: later).

usage: cuterror.py SOURCE SONG_BYTES NAME=FOLDER [NAME=FOLDER ...]
"""
import os
import sys

BYTES_PER_MS = 16


def audio_of(path):
    data = open(path, "rb").read()
    if data.startswith(b"ID3") and len(data) > 10:
        size = (data[6] & 0x7F) << 21 | (data[7] & 0x7F) << 14 | (data[8] & 0x7F) << 7 | (data[9] & 0x7F)
        data = data[10 + size + (10 if data[5] & 0x10 else 0):]
    if len(data) > 128 and data[-128:-125] == b"TAG":
        data = data[:-128]
    return data


def place(source, audio):
    """(first byte, byte after the last) of audio in source; None when it is not one piece."""
    head = audio[:4096]
    at = source.find(head)
    if len(head) < 4096 or at < 0 or source.rfind(head) != at:
        return None
    return at, at + len(audio)


def files_below(folder):
    found = []
    for base, _dirs, names in os.walk(folder):
        found += [os.path.join(base, n) for n in names if n.lower().endswith(".mp3")]
    return sorted(found)


def main():
    source = open(sys.argv[1], "rb").read()
    song = int(sys.argv[2])
    boundaries = list(range(song, len(source) - song // 2, song))
    results = {}
    for spec in sys.argv[3:]:
        name, folder = spec.split("=", 1)
        places = [p for p in (place(source, audio_of(f)) for f in files_below(folder)) if p]
        rows = []
        for b in boundaries:
            starts = [s - b for s, _ in places if abs(s - b) < song // 2]
            ends = [e - b for _, e in places if abs(e - b) < song // 2]
            rows.append((min(starts, key=abs) if starts else None,
                         min(ends, key=abs) if ends else None))
        results[name] = (len(places), rows)

    names = list(results)
    print("%-10s" % "title at" + "".join("%26s" % ("%s start/end ms" % n) for n in names))
    for i, b in enumerate(boundaries):
        line = "%-10s" % ("%.0f s" % (b / BYTES_PER_MS / 1000))
        for n in names:
            start, end = results[n][1][i]
            text = lambda v: "-" if v is None else "%+.0f" % (v / BYTES_PER_MS)
            line += "%26s" % ("%s / %s" % (text(start), text(end)))
        print(line)
    for n in names:
        values = [abs(v) / BYTES_PER_MS for pair in results[n][1] for v in pair if v is not None]
        missed = sum(1 for pair in results[n][1] for v in pair if v is None)
        mean = sum(values) / len(values) if values else float("nan")
        worst = max(values) if values else float("nan")
        print("%s: %d files placed, mean |cut error| %.0f ms, worst %.0f ms, %d cut sides without a file"
              % (n, results[n][0], mean, worst, missed))


if __name__ == "__main__":
    main()
