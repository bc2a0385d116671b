#!/usr/bin/env python3
"""Writes a synthetic station directory for the load benchmark, in the three forms the program
reads: plain XML (.xml), gzip XML (.xml.gz) and the Qt-framed zlib form (.qwd).

Usage: gen_directory.py STATIONS OUTPUT_PREFIX
The tree has the shape of the real directory: regions, the countries of data/flags/countries.txt
(so the flag lookup runs for real), US states, genre, network and national-music lists. Addresses
are invented under the reserved .invalid domain; nothing is ever fetched.
"""
import gzip
import os
import random
import struct
import sys
import zlib
from xml.sax.saxutils import quoteattr, escape

HERE = os.path.dirname(os.path.abspath(__file__))
COUNTRIES = os.path.join(HERE, "..", "..", "data", "flags", "countries.txt")
REGIONS = ["Africa", "Asia", "Europe", "Middle East", "North America", "Oceania",
           "South America", "Caribbean"]
GENRES = ["Pop", "Rock", "Jazz", "Classical", "News", "Talk", "Dance", "Electronic", "Country",
          "Hip Hop", "Oldies", "Ambient", "Folk", "World", "Reggae", "Metal", "Soul", "Blues",
          "Latin", "Christian", "Sports", "Community", "Variety", "Alternative"]
LANGUAGES = ["English", "Spanish", "French", "German", "Portuguese", "Arabic", "Russian",
             "Chinese", "Hindi", "Italian", "Dutch", "Polish", "Turkish", "Japanese"]
US_STATES = ["Alabama", "Alaska", "Arizona", "California", "Colorado", "Florida", "Georgia",
             "Illinois", "New York", "Ohio", "Oregon", "Texas", "Washington", "Wisconsin"]
WORDS = ["Radio", "FM", "Sound", "Wave", "City", "Classic", "Hits", "Live", "Public", "Voice",
         "Star", "Sun", "River", "Coast", "Valley", "Metro", "Nova", "One", "Plus", "Max"]


def countries():
    names = []
    with open(COUNTRIES, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "\t" not in line:
                continue
            names.append(line.split("\t")[0])
    return names


def station(rng, n):
    title = f"{rng.choice(WORDS)} {rng.choice(WORDS)} {n}"
    genre = ", ".join(rng.sample(GENRES, rng.randint(1, 3)))
    host = f"s{n % 997}.stream{n % 53}.invalid"
    sources = [f"http://{host}:8000/live{n}.mp3"]
    if n % 3 == 0:
        sources.append(f"http://{host}:8000/live{n}.aac")
    attrs = (f"title={quoteattr(title)} genre={quoteattr(genre)} "
             f"language={quoteattr(rng.choice(LANGUAGES))} city={quoteattr(f'City {n % 811}')} "
             f"url={quoteattr(f'https://station{n}.invalid/')}")
    body = "".join(f"<Source>{escape(s)}</Source>" for s in sources)
    return f"<Station {attrs}>{body}</Station>\n"


def build(total):
    rng = random.Random(20261205)
    names = [c for c in countries() if c not in ("USA",)]
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<Quillowave version="999">\n']
    parts += [f"<genre>{g}</genre>\n" for g in GENRES]
    parts += [f"<network>Network {i}</network>\n" for i in range(40)]
    parts += [f"<ethnic>{g}</ethnic>\n" for g in ("Celtic", "Latin", "World", "Folk")]
    # A quarter of the stations go to the US states, the rest spread over the other countries.
    us = total // 4
    per_country = (total - us) // len(names)
    extra = (total - us) - per_country * len(names)
    n = 0
    for r, region in enumerate(REGIONS):
        parts.append(f"<Group title={quoteattr(region)}>\n")
        if region == "North America":
            parts.append('<Group title="USA">\n')
            for s, state in enumerate(US_STATES):
                count = us // len(US_STATES) + (1 if s < us % len(US_STATES) else 0)
                parts.append(f"<Group title={quoteattr(state)}>\n")
                for _ in range(count):
                    parts.append(station(rng, n))
                    n += 1
                parts.append("</Group>\n")
            parts.append("</Group>\n")
        for i, country in enumerate(names):
            if i % len(REGIONS) != r:
                continue
            count = per_country + (1 if i < extra else 0)
            parts.append(f"<Group title={quoteattr(country)}>\n")
            for _ in range(count):
                parts.append(station(rng, n))
                n += 1
            parts.append("</Group>\n")
        parts.append("</Group>\n")
    parts.append("</Quillowave>\n")
    assert n == total, (n, total)
    return "".join(parts).encode("utf-8")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: gen_directory.py STATIONS OUTPUT_PREFIX")
    xml = build(int(sys.argv[1]))
    prefix = sys.argv[2]
    with open(prefix + ".xml", "wb") as f:
        f.write(xml)
    with open(prefix + ".xml.gz", "wb") as f:
        with gzip.GzipFile(filename="presets.xml", mode="wb", fileobj=f, mtime=0) as gz:
            gz.write(xml)
    # qCompress: big-endian uncompressed length, then a zlib stream; QDataStream frames the
    # byte array with its big-endian length.
    framed = struct.pack(">I", len(xml)) + zlib.compress(xml)
    with open(prefix + ".qwd", "wb") as f:
        f.write(struct.pack(">I", len(framed)) + framed)


if __name__ == "__main__":
    main()
