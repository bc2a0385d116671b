"""Answers of the online station directory's API (the Radio Browser JSON format) for the HTTP
test server: station search, country and tag lists, click and vote, over a generated set of
stations or over a set holding the mess real servers are known to send.

Paths: /radiobrowser/BEHAVIOUR/SET/json/ENDPOINT, so that a base address stands for one server.
BEHAVIOUR: ok, 503 (always "503 Service Unavailable"), hang (never answers), html (an HTML error
page with status 200), huge (a 20 MB station list whatever was asked).
/radiobrowser/icon/N.png is a 16x16 station icon (a PNG of one colour picked by N).
SET: mess (the odd stations below), play (stations whose streams are the server's own files) or a
number N (N generated stations).
"""

import json
import struct
import threading
import urllib.parse
import zlib

COUNTRY_CODES = ["DE", "FR", "US", "GB", "AT", "JP", "BR", "IN", "XK", "ZZ"]
COUNTRY_NAMES = {"DE": "Germany", "FR": "France", "US": "The United States Of America",
                 "GB": "The United Kingdom Of Great Britain And Northern Ireland",
                 "AT": "Austria", "JP": "Japan", "BR": "Brazil", "IN": "India", "XK": "Kosovo",
                 "ZZ": "Nowhere"}
TAGS = ["pop", "rock", "jazz", "news", "classical", "talk", "electronic", "oldies"]
CODECS = [("MP3", 128), ("AAC", 64), ("OGG", 112), ("MP3", 320), ("AAC+", 48)]

_lock = threading.Lock()
_generated = {}


def station(index, **fields):
    """One station object with every key the API sends, in its order and types."""
    uuid = "00000000-0000-4000-8000-%012d" % index
    code = COUNTRY_CODES[index % len(COUNTRY_CODES)]
    codec, bitrate = CODECS[index % len(CODECS)]
    record = {
        "changeuuid": "10000000-0000-4000-8000-%012d" % index,
        "stationuuid": uuid,
        "serveruuid": None,
        "name": "Station %d %s" % (index, TAGS[index % len(TAGS)].title()),
        "url": "http://stream.example.invalid/%d" % index,
        "url_resolved": "http://stream.example.invalid/%d.mp3" % index,
        "homepage": "http://station%d.example.invalid/" % index,
        "favicon": "",
        "tags": ",".join([TAGS[index % len(TAGS)], TAGS[(index // 3) % len(TAGS)]]),
        "country": COUNTRY_NAMES[code],
        "countrycode": code,
        "iso_3166_2": None,
        "state": "Bavaria" if code == "DE" else "",
        "language": "german" if code in ("DE", "AT") else "english",
        "languagecodes": "de" if code in ("DE", "AT") else "en",
        "votes": index % 97,
        "lastchangetime": "2024-01-01 00:00:00",
        "lastchangetime_iso8601": "2024-01-01T00:00:00Z",
        "codec": codec,
        "bitrate": bitrate,
        "hls": 0,
        "lastcheckok": 0 if index % 10 == 9 else 1,
        "lastchecktime": "2024-06-01 00:00:00",
        "lastchecktime_iso8601": "2024-06-01T00:00:00Z",
        "lastcheckoktime": "2024-06-01 00:00:00",
        "lastcheckoktime_iso8601": "2024-06-01T00:00:00Z",
        "lastlocalchecktime": "",
        "lastlocalchecktime_iso8601": None,
        "clicktimestamp": "",
        "clicktimestamp_iso8601": None,
        "clickcount": index % 1000,
        "clicktrend": 0,
        "ssl_error": 0,
        "geo_lat": None,
        "geo_long": None,
        "has_extended_info": False,
    }
    record.update(fields)
    return record


def mess_stations():
    """What real answers hold: duplicates, sentence tags, empty and very long fields, missing
    keys, wrong types, unknown countries and names in many scripts."""
    stations = [
        station(1, name="Duplicate FM"),
        station(1, name="Duplicate FM"),  # the same station twice
        station(2, name="Duplicate FM", url_resolved="http://stream.example.invalid/1.mp3"),
        station(3, name="Sentence Tags", tags="the best music of the 80s and 90s all day long,"
                "rock,,  pop  ,this station plays everything you ever wanted to hear"),
        station(4, name="", url_resolved=""),  # nameless, only the unresolved address
        station(5, name="Long " + "x" * 10000, tags="y" * 5000, homepage="h" * 5000),
        station(6, countrycode="ZZ", country="Nowhere"),
        station(7, countrycode="", country="", state=""),
        station(8, name="Broken Station", lastcheckok=0),
        station(9, name="Bitrate As Text", bitrate="96", votes="many"),
        station(10, name=None, tags=None, codec=None, bitrate=None, favicon=None),
        {"stationuuid": "00000000-0000-4000-8000-000000000011", "name": "Only Name And Url",
         "url": "http://stream.example.invalid/11"},
        {"stationuuid": "00000000-0000-4000-8000-000000000012", "name": "No Address"},
        {"name": "No Identity", "url": "http://stream.example.invalid/13"},
        station(14, url="ftp://stream.example.invalid/14", url_resolved="javascript:alert(1)"),
        station(20, name="إذاعة القرآن الكريم"),
        station(21, name="中国之声 China National Radio"),
        station(22, name="Радио Маяк"),
        station(23, name="आकाशवाणी"),
        station(24, name="Ραδιόφωνο Αθήνα"),
        station(25, name="רדיו תל אביב"),
        station(26, name="สถานีวิทยุ 🎵 ไทย"),
        station(27, name="NHK ラジオ第1"),
        "not a station",
        42,
    ]
    return stations


def play_stations(base):
    """Stations whose streams are the test server's own files, so they really play."""
    return [station(100 + i, name="Playable %s" % name.upper(),
                    url=base + "/files/sine." + name, url_resolved=base + "/files/sine." + name,
                    favicon="%s/radiobrowser/icon/%d.png" % (base, i), codec=name.upper(), lastcheckok=1)
            for i, name in enumerate(("mp3", "ogg"))]


def generated(count):
    with _lock:
        if count not in _generated:
            _generated[count] = [station(i) for i in range(count)]
        return _generated[count]


def dataset(name, base):
    if name == "mess":
        return mess_stations()
    if name == "play":
        return play_stations(base)
    try:
        return generated(max(0, min(int(name), 200000)))
    except ValueError:
        return []


def matches(record, query):
    if not isinstance(record, dict):
        return True  # the mess set keeps its junk in every answer

    def text(key):
        value = record.get(key)
        return value if isinstance(value, str) else ""

    def wanted(key):
        values = query.get(key)
        return values[0] if values else ""

    for key, field in (("name", "name"), ("tag", "tags"), ("country", "country"),
                       ("state", "state"), ("language", "language")):
        if wanted(key).lower() not in text(field).lower():
            return False
    if wanted("countrycode") and wanted("countrycode").upper() != text("countrycode"):
        return False
    if wanted("codec") and wanted("codec").lower() != text("codec").lower():
        return False
    try:
        if int(wanted("bitrateMin") or 0) > int(record.get("bitrate") or 0):
            return False
    except ValueError:
        pass
    if wanted("hidebroken") == "true" and record.get("lastcheckok") == 0:
        return False
    return True


def search(stations, query):
    found = [s for s in stations if matches(s, query)]
    offset = int(query.get("offset", ["0"])[0] or 0)
    limit = int(query.get("limit", ["100000"])[0] or 100000)
    return found[offset:offset + limit]


def counts(stations, key, split):
    result = {}
    for s in stations:
        if isinstance(s, dict) and isinstance(s.get(key), str):
            for name in (set(s[key].split(",")) if split else [s[key]]):
                if name:
                    result[name] = result.get(name, 0) + 1
    return result


def countries(stations):
    names = {}
    for s in stations:
        if isinstance(s, dict) and s.get("countrycode"):
            names[s["countrycode"]] = s.get("country", "")
    per_code = counts(stations, "countrycode", False)
    return [{"name": names[code], "iso_3166_1": code, "stationcount": n}
            for code, n in sorted(per_code.items())]


def tags(stations, query):
    limit = int(query.get("limit", ["100000"])[0] or 100000)
    ordered = sorted(counts(stations, "tags", True).items(), key=lambda item: -item[1])
    return [{"name": name, "stationcount": n} for name, n in ordered[:limit]]


def huge_answer():
    """About 20 MB of stations, whatever was asked."""
    with _lock:
        if "huge" not in _generated:
            _generated["huge"] = make_huge_answer()
        return _generated["huge"]


def make_huge_answer():
    one = json.dumps(station(0)).encode()
    copies = 20 * 1024 * 1024 // (len(one) + 1)
    return b"[" + b",".join(json.dumps(station(i)).encode() for i in range(copies)) + b"]"


HTML = (b"<!DOCTYPE html><html><head><title>502 Bad Gateway</title></head>"
        b"<body><h1>Bad Gateway</h1><p>The server is down for maintenance.</p></body></html>")


def icon_png(number):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    colour = bytes(((number * 70) % 256, (number * 150) % 256, 200))
    rows = b"".join(b"\0" + colour * 16 for _ in range(16))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def answer(handler, rest):
    """Serves one API request for the test server's request HANDLER."""
    if rest.startswith("icon/") and rest.endswith(".png"):
        number = rest[5:-4]
        handler.send_body(200, icon_png(int(number) if number.isdigit() else 0), "image/png")
        return
    handler.server.fixture.log("radiobrowser %s agent=%s" % (
        handler.path, handler.headers.get("User-Agent", "")))
    parts = rest.split("/", 4)
    if len(parts) < 4 or parts[2] != "json":
        handler.send_body(404, b"not found\n")
        return
    behaviour, set_name, endpoint = parts[0], parts[1], "/".join(parts[3:])
    if behaviour == "503":
        handler.send_body(503, b"503 Service Unavailable\n")
        return
    if behaviour == "hang":
        handler.hang("")
        return
    if behaviour == "html":
        handler.send_body(200, HTML, "text/html; charset=utf-8")
        return
    if behaviour == "huge":
        handler.send_body(200, huge_answer(), "application/json")
        return
    base = "http://%s:%d" % handler.server.server_address[:2]
    stations = dataset(set_name, base)
    query = dict(handler.query)
    query.update(urllib.parse.parse_qs(handler.body.decode("utf-8", "replace")))
    if endpoint == "stations/search":
        body = search(stations, query)
    elif endpoint == "countries":
        body = countries(stations)
    elif endpoint == "tags":
        body = tags(stations, query)
    elif endpoint.startswith("url/"):
        uuid = endpoint[4:]
        hit = [s for s in stations if isinstance(s, dict) and s.get("stationuuid") == uuid]
        body = {"ok": bool(hit), "message": "retrieved station url" if hit else "no station",
                "stationuuid": uuid, "name": hit[0].get("name") if hit else "",
                "url": hit[0].get("url") if hit else ""}
    elif endpoint.startswith("vote/"):
        body = {"ok": True, "message": "voted for station successfully"}
    else:
        handler.send_body(404, b"not found\n")
        return
    handler.send_body(200, json.dumps(body, ensure_ascii=False).encode(),
                      "application/json; charset=utf-8")
