"""Answers of the cover-art, lyrics and artist-information services for the HTTP test server,
each in the real service's format: the store search (JSON), the recording search (JSON) with the
cover archive's redirects to its images, the music database's track information (XML), the
image search (JSON), the music store relay (the store's XML for "US", the relay's album list for
the other stores), a lyrics site and artist pages (HTML).

Paths: /coverart/BEHAVIOUR/SERVICE-PATH, so that a base address stands for every service.
BEHAVIOUR: ok; html (an HTML page with status 200 for everything); huge (2 MB answers);
notimage (images are HTML pages sent as image/jpeg); hang (never answers); moved (every answer is
first a 308 to the same path under "ok"); loop (a 308 to itself for ever).
Songs of the catalogue below are found; the artist "Slow Responders" is answered after 1.5 s.
An image is a PNG whose "Song" text names its song ("Artist - Title"), so a test can tell whose
cover it was given.
"""

import json
import re
import struct
import urllib.parse
import zlib

# artist, title, album, release id, spelling of the artist in the music database's album
CATALOGUE = [
    ("The Testers", "First Light", "Morning Album", "11111111-1111-4111-8111-111111111111",
     "Testers"),
    ("Sine Singers", "Second Wave", "Tides", "22222222-2222-4222-8222-222222222222",
     "sine singers"),
    ("Slow Responders", "Late Answer", "Delays", "33333333-3333-4333-8333-333333333333",
     "Slow Responders"),
    ("Quillowave Test", "Sine 440", "Test Tones", "44444444-4444-4444-8444-444444444444",
     "Quillowave Test"),
    ("Simon & Garfunkel", "Bridge", "Waters", "55555555-5555-4555-8555-555555555555",
     "Simon and Garfunkel"),
]
# A release without a cover in the archive, listed first for every recording.
COMPILATION_ID = "99999999-9999-4999-8999-999999999999"
SLOW_ARTIST = "Slow Responders"

HTML = (b"<!DOCTYPE html><html><head><title>Service Unavailable</title></head>"
        b"<body><h1>Sorry</h1><p>We are down for maintenance.</p></body></html>")


def normal(text):
    return " ".join(re.sub(r"[^\w&]+", " ", text.lower()).split())


def song_png(song):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    seed = zlib.crc32(song.encode())
    colour = bytes((seed & 0xFF, (seed >> 8) & 0xFF, (seed >> 16) & 0xFF))
    rows = b"".join(b"\0" + colour * 32 for _ in range(32))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 2, 0, 0, 0))
            + chunk(b"tEXt", b"Song\0" + song.encode("latin-1", "replace"))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def find(artist, title):
    for entry in CATALOGUE:
        if normal(entry[0]) == normal(artist) and normal(entry[1]) == normal(title):
            return entry
    return None


def find_by_term(term):
    words = normal(term)
    for entry in CATALOGUE:
        if words == normal(entry[0] + " " + entry[1]):
            return entry
    return None


def image_url(base, entry, name="front.png"):
    return "%s/image/%s/%s" % (base, urllib.parse.quote(entry[0] + " - " + entry[1]), name)


def itunes(base, query):
    entry = find_by_term(query.get("term", [""])[0])
    results = []
    if entry:
        artist, title, album = entry[0], entry[1], entry[2]
        # A cover version by someone else comes first, as the real store often lists them.
        for who, name in (("Karaoke Stars", album + " (Karaoke)"), (artist, album)):
            song = who + " - " + title
            art = "%s/image/%s/100x100bb.png" % (base, urllib.parse.quote(song))
            results.append({
                "wrapperType": "track", "kind": "song", "artistId": 1, "collectionId": 2,
                "trackId": 3, "artistName": who, "collectionName": name, "trackName": title,
                "collectionCensoredName": name, "trackCensoredName": title,
                "artistViewUrl": base + "/artist", "collectionViewUrl": base + "/album",
                "trackViewUrl": base + "/track", "previewUrl": base + "/preview.m4a",
                "artworkUrl30": art.replace("100x100", "30x30"),
                "artworkUrl60": art.replace("100x100", "60x60"), "artworkUrl100": art,
                "collectionPrice": 9.99, "trackPrice": 1.29,
                "releaseDate": "2001-05-01T07:00:00Z", "collectionExplicitness": "notExplicit",
                "trackExplicitness": "notExplicit", "discCount": 1, "discNumber": 1,
                "trackCount": 12, "trackNumber": 1, "trackTimeMillis": 215000,
                "country": "USA", "currency": "USD", "primaryGenreName": "Pop",
                "isStreamable": True})
    return "application/json", json.dumps({"resultCount": len(results), "results": results})


def musicbrainz(query):
    text = query.get("query", [""])[0]
    title = re.search(r'recording:"([^"]*)"', text)
    artist = re.search(r'artist:"([^"]*)"', text)
    entry = find(artist.group(1), title.group(1)) if title and artist else None
    recordings = []
    if entry:
        def release(rid, name, primary, secondary):
            return {"id": rid, "status-id": "4e304316-386d-3409-af2e-78857eec5cfe",
                    "count": 1, "title": name, "status": "Official",
                    "release-group": {"id": rid[::-1], "type-id": "x", "primary-type-id": "y",
                                      "title": name, "primary-type": primary,
                                      "secondary-types": secondary},
                    "date": "2001-05-01", "country": "XW",
                    "release-events": [{"date": "2001-05-01"}], "track-count": 12,
                    "media": [{"position": 1, "format": "Digital Media", "track": [
                        {"id": "t", "number": "1", "title": entry[1], "length": 215000}],
                        "track-count": 12, "track-offset": 0}]}
        recordings.append({
            "id": "aaaaaaaa-0000-4000-8000-000000000000", "score": 100, "title": entry[1],
            "length": 215000, "video": None,
            "artist-credit": [{"name": entry[0], "artist": {
                "id": "bbbbbbbb-0000-4000-8000-000000000000", "name": entry[0],
                "sort-name": entry[0]}}],
            "first-release-date": "2001-05-01",
            "releases": [release(COMPILATION_ID, "Hits of the Year", "Album", ["Compilation"]),
                         release(entry[3], entry[2], "Album", [])]})
    body = {"created": "2024-06-01T00:00:00.000Z", "count": len(recordings), "offset": 0,
            "recordings": recordings}
    return "application/json", json.dumps(body)


def cover_archive(handler, base, release_id):
    for entry in CATALOGUE:
        if entry[3] == release_id:
            handler.send_body(307, b"See: " + image_url(base, entry).encode(), "text/plain",
                              [("Location", image_url(base, entry))])
            return
    handler.send_body(404, b"No cover art found for release " + release_id.encode(),
                      "text/plain")


def music_database(base, query):
    entry = find(query.get("artist", [""])[0], query.get("track", [""])[0])
    if not entry:
        return "text/xml", ('<?xml version="1.0" encoding="UTF-8"?>\n<lfm status="failed">'
                            '<error code="6">Track not found</error></lfm>')
    image = image_url(base, entry)
    return "text/xml", (
        '<?xml version="1.0" encoding="UTF-8"?>\n<lfm status="ok"><track>'
        '<name>%s</name><mbid></mbid><url>%s/track</url><duration>215000</duration>'
        '<listeners>1000</listeners><playcount>5000</playcount>'
        '<artist><name>%s</name><mbid></mbid><url>%s/artist</url></artist>'
        '<album position="1"><artist>%s</artist><title>%s</title><mbid>%s</mbid>'
        '<url>%s/album</url><image size="small">%s/noimage/small.png</image>'
        '<image size="medium">%s</image><image size="large">%s</image>'
        '<image size="extralarge">%s</image></album>'
        '<toptags><tag><name>pop</name><url>%s/tag/pop</url></tag></toptags>'
        '</track></lfm>' % (entry[1], base, entry[0], base, entry[4], entry[2], entry[3],
                            base, base, image, image, image, base)).replace("&", "&amp;")


def image_search(base, query):
    words = query.get("q", [""])[0]
    results = []
    for entry in CATALOGUE:
        if normal(entry[0] + " " + entry[1]) == normal(words.replace(" - ", " ")):
            url = image_url(base, entry, "cover.png")
            results.append({"GsearchResultClass": "GimageSearch", "width": "500",
                            "height": "500", "imageId": "ANd9", "tbWidth": "130",
                            "tbHeight": "130", "unescapedUrl": url,
                            "url": urllib.parse.quote(url, safe=":/"),
                            "visibleUrl": "example.invalid",
                            "title": "<b>%s</b>" % entry[2], "titleNoFormatting": entry[2],
                            "originalContextUrl": base + "/album", "content": entry[2],
                            "contentNoFormatting": entry[2], "tbUrl": url})
    body = {"responseData": {"results": results, "cursor": {"pages": [], "moreResultsUrl": ""}},
            "responseDetails": None, "responseStatus": 200}
    return "text/javascript; charset=utf-8", json.dumps(body)


def store(base, query):
    entry = find(query.get("artist", [""])[0], query.get("title", [""])[0])
    if query.get("dest", [""])[0] != "US":
        albums = ""
        if entry:
            albums = ("<album><artist>Karaoke Stars</artist><title>Sing Along</title>"
                      "<image>%s</image></album>" % image_url(base, ("Karaoke Stars", entry[1])))
            albums += ("<album><artist>%s</artist><title>%s</title><image>%s</image></album>"
                       % (entry[0], entry[2], image_url(base, entry)))
        return "text/xml", ('<?xml version="1.0"?><albums>%s</albums>'
                            % albums.replace("&", "&amp;"))
    items = ""
    if entry:
        image = image_url(base, entry)
        items = (
            '<Item><ASIN>B000000001</ASIN><DetailPageURL>%s/dp/B000000001</DetailPageURL>'
            '<SmallImage><URL>%s</URL><Height Units="pixels">75</Height></SmallImage>'
            '<MediumImage><URL>%s</URL><Height Units="pixels">160</Height></MediumImage>'
            '<LargeImage><URL>%s</URL><Height Units="pixels">500</Height></LargeImage>'
            '<ItemAttributes><Artist>%s</Artist><Binding>Audio CD</Binding>'
            '<ListPrice><Amount>999</Amount><CurrencyCode>USD</CurrencyCode>'
            '<FormattedPrice>$9.99</FormattedPrice></ListPrice><ReleaseDate>2001-05-01'
            '</ReleaseDate><Title>%s</Title></ItemAttributes><Tracks>'
            '<Disc Number="1"><Track Number="1">%s</Track><Track Number="2">Encore</Track>'
            '</Disc><Disc Number="2"><Track Number="1">Live</Track></Disc></Tracks></Item>'
            % (base, image, image, image, entry[0], entry[2], entry[1]))
    return "text/xml", (
        '<?xml version="1.0" ?><ItemSearchResponse '
        'xmlns="http://webservices.amazon.com/AWSECommerceService/2009-03-31">'
        '<Items><Request><IsValid>True</IsValid></Request><TotalResults>1</TotalResults>'
        '%s</Items></ItemSearchResponse>' % items.replace("&", "&amp;"))


def lyrics(path):
    match = re.fullmatch(r"([^/]+)/(.+)-Lyrics\.html", path)
    if not match:
        return None
    entry = find(urllib.parse.unquote(match.group(1)), urllib.parse.unquote(match.group(2)))
    if not entry:
        return None
    return ("<html><body><table><tr><td class=\"td0\">menu</td><td class=\"td1\">"
            "Words of %s<br>by %s</td></tr></table></body></html>"
            % (entry[1], entry[0])).replace("&", "&amp;")


def artist_wiki(base, artist):
    artist = urllib.parse.unquote(artist)
    if normal(artist) == "moved artist":
        return ('<html><head><meta http-equiv="refresh" content="0; url=%s/music/The%%20Testers'
                '/+wiki"></head><body>Moved</body></html>' % base)
    known = [entry for entry in CATALOGUE if normal(entry[0]) == normal(artist)]
    if not known:
        return None
    return ('<html><body><div class="nav">Menu</div><div id="wiki"><p>%s is a band of the '
            'test server.</p></div><div>Footer</div></body></html>'
            % known[0][0].replace("&", "&amp;"))


def artist_page(artist):
    artist = urllib.parse.unquote(artist)
    if not any(normal(entry[0]) == normal(artist) for entry in CATALOGUE):
        return None
    return ('<html><body><div class="side" id="staticSideBarContents">'
            '<p>%s plays tones.<span style="display: none">hidden text</span>'
            '<p>Second paragraph.</div></body></html>' % artist.replace("&", "&amp;"))


def huge(content_type):
    if "json" in content_type or "javascript" in content_type:
        return json.dumps({"resultCount": 0, "results": [], "padding": "x" * (2 * 1024 * 1024)})
    return "<?xml version=\"1.0\"?><lfm>" + "<x>padding</x>" * (2 * 1024 * 1024 // 14) + "</lfm>"


def answer(handler, rest):
    """Serves one service request for the test server's request HANDLER."""
    handler.server.fixture.log("coverart %s agent=%s" % (
        handler.path, handler.headers.get("User-Agent", "")))
    behaviour, _, path = rest.partition("/")
    host = "http://%s:%d" % handler.server.server_address[:2]
    base = "%s/coverart/%s" % (host, behaviour)
    if behaviour == "hang":
        handler.hang("")
        return
    if behaviour in ("moved", "loop"):
        target = handler.path if behaviour == "loop" else handler.path.replace(
            "/coverart/moved/", "/coverart/ok/", 1)
        handler.send_body(308, b"moved\n", "text/plain", [("Location", target)])
        return
    if behaviour == "html":
        handler.send_body(200, HTML, "text/html; charset=utf-8")
        return
    if path.startswith("image/"):
        song = urllib.parse.unquote(path.split("/")[1])
        if behaviour == "notimage":
            handler.send_body(200, HTML, "image/jpeg")
        elif behaviour == "huge":
            handler.send_body(200, song_png(song) + b"\0" * (5 * 1024 * 1024), "image/png")
        else:
            handler.send_body(200, song_png(song), "image/png")
        return
    query = handler.query
    if SLOW_ARTIST.lower() in urllib.parse.unquote_plus(handler.path).lower() \
            and handler.wait(1.5):
        return
    content = None
    if path == "search":
        content = itunes(base, query)
    elif path.startswith("ws/2/recording"):
        content = musicbrainz(query)
    elif path.startswith("release/"):
        cover_archive(handler, base, path.split("/")[1])
        return
    elif path.startswith("2.0"):
        content = music_database(base, query)
    elif path == "ajax/services/search/images":
        content = image_search(base, query)
    elif path == "cover_search_host.php":
        content = store(base, query)
    elif path.startswith("music/") and path.endswith("/+wiki"):
        page = artist_wiki(base, path[len("music/"):-len("/+wiki")])
        content = ("text/html; charset=utf-8", page) if page else None
    elif path.startswith("artistpage/"):
        page = artist_page(path[len("artistpage/"):])
        content = ("text/html; charset=utf-8", page) if page else None
    elif path.endswith("-Lyrics.html"):
        page = lyrics(path)
        content = ("text/html; charset=utf-8", page) if page else None
    if content is None:
        handler.send_body(404, b"not found\n")
        return
    content_type, body = content
    if behaviour == "huge":
        body = huge(content_type)
    handler.send_body(200, body.encode("utf-8"), content_type)
