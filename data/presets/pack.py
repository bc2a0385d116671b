#!/usr/bin/env python3
"""Builds the bundled station directory from its plain-text source and writes it gzip-compressed.

Usage: pack.py OUTPUT.xml.gz SOURCE.txt...

Source files are read in the order given (the build sorts them by name). Lines:
    version N              version attribute of the root element
    genre: NAME            a genre of the genre menu (also "ethnic:" and "network:")
    # Region               a world region (top-level group)
    ## Country             a country inside the current region
    ### State              a state or province inside the current country
    Title | genre | language | city | web site | stream address [stream address ...]
Blank lines and lines starting with "//" are ignored. A station belongs to the group opened last.
The build stops on a malformed line or a station without a stream address, so a broken directory
never ships.
"""
import gzip
import sys
import xml.etree.ElementTree as ET


def fail(where, text):
    sys.exit(f"{where}: {text}")


def build(paths):
    root = ET.Element("Quillowave")
    lists = []
    groups = []  # region elements, in order
    region = country = current = None
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                where = f"{path}:{number}"
                line = raw.strip()
                if not line or line.startswith("//"):
                    continue
                if line.startswith("version "):
                    root.set("version", line.split()[1])
                elif line.split(":", 1)[0] in ("genre", "ethnic", "network") and "|" not in line:
                    kind, name = line.split(":", 1)
                    lists.append((kind, name.strip()))
                elif line.startswith("### "):
                    if country is None:
                        fail(where, "state outside a country")
                    current = ET.SubElement(country, "Group", title=line[4:].strip())
                elif line.startswith("## "):
                    if region is None:
                        fail(where, "country outside a region")
                    country = current = ET.SubElement(region, "Group", title=line[3:].strip())
                elif line.startswith("# "):
                    region = current = ET.Element("Group", title=line[2:].strip())
                    country = None
                    groups.append(region)
                else:
                    fields = [x.strip() for x in line.split("|")]
                    if len(fields) != 6:
                        fail(where, "a station needs six fields separated by '|'")
                    title, genre, language, city, site, sources = fields
                    urls = sources.split()
                    if current is None:
                        fail(where, "station outside a group")
                    if not urls or not all("://" in u for u in urls):
                        fail(where, f"{title}: every stream address needs '://'")
                    station = ET.SubElement(current, "Station", title=title, genre=genre,
                                            language=language, city=city, url=site)
                    for url in urls:
                        ET.SubElement(station, "Source").text = url
    if not root.get("version", "").isdigit():
        fail(paths[0], "missing 'version N'")
    for kind, name in lists:
        ET.SubElement(root, kind).text = name
    root.extend(groups)
    ET.indent(root, space="  ")
    # The declaration and the line break after it are what the reader's root check expects.
    return b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="unicode").encode("utf-8") + b"\n"


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: pack.py OUTPUT.xml.gz SOURCE.txt...")
    data = build(sorted(sys.argv[2:]))
    with open(sys.argv[1], "wb") as f:
        # mtime 0 keeps the package byte-identical from one build to the next.
        with gzip.GzipFile(filename="presets.xml", mode="wb", fileobj=f, mtime=0) as gz:
            gz.write(data)


if __name__ == "__main__":
    main()
