#!/usr/bin/env python3
"""Packs the bundled station directory: checks the XML source and writes it gzip-compressed.

Usage: pack.py OUTPUT.xml.gz SOURCE.xml
The check refuses a document whose root is not "Quillowave" with a version, or a station
without a stream address, so a broken directory never ships.
"""
import gzip
import sys
import xml.etree.ElementTree as ET


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: pack.py OUTPUT.xml.gz SOURCE.xml")
    output, source = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        data = f.read()
    root = ET.fromstring(data)
    if root.tag != "Quillowave" or not root.get("version", "").isdigit():
        sys.exit(f"{source}: root must be <Quillowave version=\"N\">")
    problems = []
    for station in root.iter("Station"):
        sources = [s.text or "" for s in station.findall("Source")]
        if not any("://" in s for s in sources):
            problems.append(station.get("title", "?"))
    if problems:
        sys.exit(f"{source}: stations without a stream address: {', '.join(problems)}")
    with open(output, "wb") as f:
        # mtime 0 keeps the package byte-identical from one build to the next.
        with gzip.GzipFile(filename="presets.xml", mode="wb", fileobj=f, mtime=0) as gz:
            gz.write(data)


if __name__ == "__main__":
    main()
