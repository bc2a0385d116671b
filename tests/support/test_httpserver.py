#!/usr/bin/python3
"""Checks the scripted paths of the HTTP test server that the client tests rely on."""

import base64
import http.client
import json
import os
import re
import socket
import subprocess
import unittest
import urllib.parse

FIXTURE_DIR = os.environ.get("QW_FIXTURE_DIR", "")


def fixture_value(key):
    with open(os.path.join(FIXTURE_DIR, "fixture.env"), encoding="utf-8") as f:
        for line in f:
            name, _, value = line.rstrip("\n").partition("=")
            if name == key:
                return value
    raise KeyError(key)


BASE = urllib.parse.urlsplit(fixture_value("QW_HTTP_URL"))
WWW = os.path.join(FIXTURE_DIR, "www")


def www_file(name):
    with open(os.path.join(WWW, name), "rb") as f:
        return f.read()


def request(path, method="GET", headers=None, body=None):
    """(status, headers, body) of one request on a fresh connection."""
    conn = http.client.HTTPConnection(BASE.hostname, BASE.port, timeout=30)
    try:
        conn.request(method, path, body=body, headers=headers or {})
        response = conn.getresponse()
        return response.status, response.headers, response.read()
    finally:
        conn.close()


def raw_exchange(request_bytes, limit, timeout=30):
    """Sends REQUEST_BYTES on a plain socket and reads up to LIMIT bytes or until closed."""
    with socket.create_connection((BASE.hostname, BASE.port), timeout=timeout) as s:
        s.sendall(request_bytes)
        data = b""
        while len(data) < limit:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        return data


class Files(unittest.TestCase):
    def test_generated_files_decode_as_five_seconds_of_audio(self):
        for name, codec in (("sine.mp3", "mp3"), ("sine.aac", "aac"), ("sine.ogg", "vorbis"),
                            ("sine.opus", "opus"), ("sine.flac", "flac"),
                            ("sine.wav", "pcm_s16le")):
            with self.subTest(name):
                out = subprocess.run(
                    ["ffprobe", "-v", "error", "-show_entries",
                     "stream=codec_name,channels:format=duration", "-of", "json",
                     os.path.join(WWW, name)], capture_output=True, check=True).stdout
                info = json.loads(out)
                self.assertEqual(info["streams"][0]["codec_name"], codec)
                self.assertEqual(info["streams"][0]["channels"], 2)
                self.assertAlmostEqual(float(info["format"]["duration"]), 5.0, delta=0.2)

    def test_file_with_type_from_extension(self):
        for name, content_type in (("sine.mp3", "audio/mpeg"), ("sine.aac", "audio/aac"),
                                   ("sine.ogg", "audio/ogg"), ("sine.wav", "audio/wav")):
            with self.subTest(name):
                status, headers, body = request("/files/" + name)
                self.assertEqual(status, 200)
                self.assertEqual(headers["Content-Type"], content_type)
                self.assertEqual(body, www_file(name))

    def test_dropped_file_type_override_and_head(self):
        with open(os.path.join(WWW, "dropped.pls"), "w", encoding="utf-8") as f:
            f.write("[playlist]\nFile1=http://127.0.0.1/x\n")
        status, headers, body = request("/files/dropped.pls")
        self.assertEqual((status, headers["Content-Type"]), (200, "audio/x-scpls"))
        self.assertTrue(body.startswith(b"[playlist]"))
        status, headers, _ = request("/files/dropped.pls?type=text/html")
        self.assertEqual(headers["Content-Type"], "text/html")
        status, headers, body = request("/files/sine.mp3", method="HEAD")
        self.assertEqual((status, body), (200, b""))
        self.assertEqual(int(headers["Content-Length"]), len(www_file("sine.mp3")))

    def test_missing_and_escaping_paths_are_404(self):
        for path in ("/files/none.mp3", "/files/../fixture.env", "/files/%2e%2e/fixture.env",
                     "/files/", "/nothing/here", "/redirect/200"):
            with self.subTest(path):
                self.assertEqual(request(path)[0], 404)

    def test_without_length_the_body_ends_at_close(self):
        status, headers, body = request("/files/sine.ogg?length=0")
        self.assertEqual(status, 200)
        self.assertIsNone(headers["Content-Length"])
        self.assertEqual(body, www_file("sine.ogg"))

    def test_ranges(self):
        data = www_file("sine.mp3")
        size = len(data)
        for wanted, first, last in (("bytes=0-99", 0, 99), ("bytes=1000-", 1000, size - 1),
                                    ("bytes=-500", size - 500, size - 1),
                                    ("bytes=100-99999999", 100, size - 1)):
            with self.subTest(wanted):
                status, headers, body = request("/files/sine.mp3", headers={"Range": wanted})
                self.assertEqual(status, 206)
                self.assertEqual(headers["Content-Range"], "bytes %d-%d/%d" % (first, last, size))
                self.assertEqual(body, data[first:last + 1])
        for wanted in ("bytes=%d-" % size, "bytes=50-10", "lines=1-2", "bytes=-"):
            with self.subTest(wanted):
                status, headers, _ = request("/files/sine.mp3", headers={"Range": wanted})
                self.assertEqual(status, 416)
                self.assertEqual(headers["Content-Range"], "bytes */%d" % size)


class Redirects(unittest.TestCase):
    def test_each_code_points_to_target(self):
        for code in (301, 302, 303, 307, 308):
            with self.subTest(code):
                status, headers, _ = request("/redirect/%d?to=/echo" % code)
                self.assertEqual((status, headers["Location"]), (code, "/echo"))
        status, headers, _ = request("/redirect/302")
        self.assertEqual(headers["Location"], "/files/sine.mp3")
        target = "http://127.0.0.1:%d/files/sine.ogg" % BASE.port
        status, headers, _ = request("/redirect/301?" + urllib.parse.urlencode({"to": target}))
        self.assertEqual(headers["Location"], target)

    def test_loop_points_to_itself(self):
        status, headers, _ = request("/redirect/loop?n=1")
        self.assertEqual((status, headers["Location"]), (302, "/redirect/loop?n=1"))

    def test_chain_takes_n_hops(self):
        path, hops = "/redirect/chain/3?to=/echo", 0
        while path != "/echo":
            status, headers, _ = request(path)
            self.assertEqual(status, 302)
            path, hops = headers["Location"], hops + 1
            self.assertLess(hops, 10)
        self.assertEqual(hops, 4)


class Misbehaviour(unittest.TestCase):
    def test_status_with_body_and_headers(self):
        status, headers, body = request(
            "/status/503?body=busy&type=text/html&h=Retry-After:%205&h=X-Test:1")
        self.assertEqual((status, body, headers["Content-Type"]), (503, b"busy", "text/html"))
        self.assertEqual((headers["Retry-After"], headers["X-Test"]), ("5", "1"))
        self.assertEqual(request("/status/404")[2], b"status 404\n")

    def test_slow_body_arrives_whole(self):
        status, _, body = request("/slow/sine.ogg?rate=40000&delay=0.2")
        self.assertEqual((status, body), (200, www_file("sine.ogg")))

    def test_truncated_body_is_short_of_its_length(self):
        data = www_file("sine.mp3")
        answer = raw_exchange(b"GET /truncated/sine.mp3?keep=1000 HTTP/1.1\r\nHost: x\r\n\r\n",
                              10 * len(data))
        head, _, body = answer.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: %d" % len(data), head)
        self.assertEqual(body, data[:1000])
        with self.assertRaises(http.client.IncompleteRead):
            request("/truncated/sine.mp3")

    def test_garbage_is_repeatable_by_seed(self):
        first = request("/garbage?bytes=4096&seed=7")
        self.assertEqual((first[0], len(first[2])), (200, 4096))
        self.assertEqual(first[2], request("/garbage?bytes=4096&seed=7")[2])
        self.assertNotEqual(first[2], request("/garbage?bytes=4096&seed=8")[2])

    def test_raw_garbage_is_no_http(self):
        answer = raw_exchange(b"GET /garbage/raw?bytes=300 HTTP/1.1\r\nHost: x\r\n\r\n", 1000)
        self.assertEqual(len(answer), 300)
        self.assertFalse(answer.startswith(b"HTTP/"))

    def test_hang_answers_nothing(self):
        with socket.create_connection((BASE.hostname, BASE.port), timeout=0.5) as s:
            s.sendall(b"GET /hang HTTP/1.1\r\nHost: x\r\n\r\n")
            with self.assertRaises(TimeoutError):
                s.recv(1)

    def test_auth_challenge(self):
        status, headers, _ = request("/auth/")
        self.assertEqual(status, 401)
        self.assertEqual(headers["WWW-Authenticate"], 'Basic realm="Quillowave Test"')

        def basic(user, password):
            token = base64.b64encode(("%s:%s" % (user, password)).encode()).decode()
            return {"Authorization": "Basic " + token}
        self.assertEqual(request("/auth/", headers=basic("quill", "nope"))[0], 401)
        self.assertEqual(request("/auth/", headers=basic("quill", "wave"))[:3:2],
                         (200, b"authorized\n"))
        status, _, body = request("/auth/sine.ogg?user=a&password=b", headers=basic("a", "b"))
        self.assertEqual((status, body), (200, www_file("sine.ogg")))

    def test_echo_shows_request_headers_and_body(self):
        status, _, body = request("/echo", method="POST", body=b"payload",
                                  headers={"User-Agent": "QuillowaveTest/1.0",
                                           "Range": "bytes=10-"})
        self.assertEqual(status, 200)
        text = body.decode()
        self.assertTrue(text.startswith("POST /echo HTTP/1.1\r\n"))
        self.assertIn("\r\nUser-Agent: QuillowaveTest/1.0\r\n", text)
        self.assertIn("\r\nRange: bytes=10-\r\n", text)
        self.assertTrue(text.endswith("\r\n\r\npayload"))

    def test_site_serves_files_and_logs_posts(self):
        status, _, body = request("/site/sine.ogg")
        self.assertEqual((status, body), (200, www_file("sine.ogg")))
        marker = "marker%d" % os.getpid()
        status, _, body = request("/site/form.php", method="POST", body=b"a=1&m=" + marker.encode(),
                                  headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual((status, body), (200, b"ok\n"))
        with open(os.path.join(FIXTURE_DIR, "httpserver", "posts.log"), encoding="utf-8") as f:
            posts = [json.loads(line) for line in f if marker in line]
        self.assertEqual(posts, [{"path": "/form.php", "body": "a=1&m=" + marker,
                                  "type": "application/x-www-form-urlencoded"}])

    def test_chunked_body(self):
        status, headers, body = request("/chunked/sine.ogg?chunk=1000")
        self.assertEqual((status, headers["Transfer-Encoding"]), (200, "chunked"))
        self.assertEqual(body, www_file("sine.ogg"))


def read_icy(query, icy_meta=True, limit=60000):
    """(status line and headers, audio bytes, metadata texts) of an /icy stream."""
    request_bytes = b"GET /icy?%s HTTP/1.0\r\n%s\r\n" % (
        query.encode(), b"Icy-MetaData: 1\r\n" if icy_meta else b"")
    data = raw_exchange(request_bytes, limit)
    head, _, body = data.partition(b"\r\n\r\n")
    match = re.search(rb"icy-metaint: (\d+)", head)
    if not match:
        return head, body, []
    metaint, audio, texts, pos = int(match.group(1)), b"", [], 0
    while pos + metaint < len(body):
        audio += body[pos:pos + metaint]
        length = body[pos + metaint] * 16
        block = body[pos + metaint + 1:pos + metaint + 1 + length]
        if len(block) < length:
            break
        texts.append(block.rstrip(b"\0"))
        pos += metaint + 1 + length
    return head, audio, texts


class IcyStream(unittest.TestCase):
    def test_status_line_headers_and_clean_audio(self):
        head, audio, texts = read_icy("metaint=4000&seconds=3")
        self.assertTrue(head.startswith(b"ICY 200 OK\r\n"))
        for header in (b"icy-name: Quillowave ICY Test", b"icy-br: 128",
                       b"Content-Type: audio/mpeg", b"icy-metaint: 4000"):
            self.assertIn(header, head)
        self.assertEqual(texts[0], b"StreamTitle='Quillowave Test - Sine 440';")
        # The file's tag is dropped: the audio starts on an MPEG frame and every block lands
        # where metaint says (else the texts would be garbage).
        self.assertEqual(audio[:2], b"\xff\xfb")
        self.assertTrue(all(t in (b"", texts[0]) for t in texts))
        self.assertGreater(len(texts), 3)

    def test_no_metadata_unless_asked(self):
        head, body, texts = read_icy("seconds=1", icy_meta=False)
        self.assertNotIn(b"icy-metaint", head)
        self.assertEqual(texts, [])
        self.assertNotIn(b"StreamTitle", body)
        head, _, texts = read_icy("seconds=1&meta=always", icy_meta=False)
        self.assertIn(b"icy-metaint", head)
        head, _, _ = read_icy("seconds=1&meta=never")
        self.assertNotIn(b"icy-metaint", head)

    def test_title_sequence_changes_and_repeats(self):
        _, _, texts = read_icy("metaint=1600&titles=First|Second&interval=0.5&seconds=3")
        changes = [t for t in texts if t]
        self.assertEqual(changes[:3], [b"StreamTitle='First';", b"StreamTitle='Second';",
                                       b"StreamTitle='First';"])

    def test_http_status_url_charset_and_raw(self):
        head, _, texts = read_icy("status=http&url=http://x/&seconds=1&titles=Caf%C3%A9"
                                  "&charset=latin-1")
        self.assertTrue(head.startswith(b"HTTP/1.0 200 OK\r\n"))
        self.assertEqual(texts[0], b"StreamTitle='Caf\xe9';StreamUrl='http://x/';")
        _, _, texts = read_icy("raw=1&seconds=1&titles=StreamTitle='broken")
        self.assertEqual(texts[0], b"StreamTitle='broken")


if __name__ == "__main__":
    unittest.main(verbosity=2)
