"""A scriptable HTTP server on a free loopback port: files, redirects, statuses, slow, truncated
and garbage bodies, a server that never answers, a Shoutcast v1 ("ICY 200 OK") stream with
metadata blocks, a Basic auth challenge, Range requests and an echo of the request.
Every path and parameter is described in README.md beside this file.
"""

import base64
import http.server
import json
import os
import random
import re
import subprocess
import threading
import time
import urllib.parse

import coverart
import radiobrowser

CONTENT_TYPES = {
    ".mp3": "audio/mpeg", ".aac": "audio/aac", ".ogg": "audio/ogg", ".opus": "audio/ogg",
    ".flac": "audio/flac", ".wav": "audio/wav", ".m3u": "audio/x-mpegurl",
    ".m3u8": "application/vnd.apple.mpegurl", ".pls": "audio/x-scpls",
    ".asx": "video/x-ms-asf", ".xspf": "application/xspf+xml", ".xml": "text/xml",
    ".json": "application/json", ".txt": "text/plain", ".html": "text/html",
    ".gz": "application/gzip", ".png": "image/png", ".jpg": "image/jpeg",
}

SINE = ["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=5",
        "-af", "volume=4,pan=stereo|c0=c0|c1=c0", "-metadata", "title=Sine 440",
        "-metadata", "artist=Quillowave Test"]
# Files generated at start (a few seconds of the same sine as the Icecast mounts).
AUDIO_FILES = {
    "sine.mp3": ["-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "3", "-f", "mp3"],
    "sine.aac": ["-c:a", "aac", "-b:a", "128k", "-f", "adts"],
    "sine.ogg": ["-c:a", "libvorbis", "-b:a", "112k", "-f", "ogg"],
    "sine.opus": ["-c:a", "libopus", "-b:a", "96k", "-ar", "48000", "-f", "ogg"],
    "sine.flac": ["-c:a", "flac", "-f", "flac"],
    "sine.wav": ["-c:a", "pcm_s16le", "-f", "wav"],
}

DEFAULT_USER = "quill"
DEFAULT_PASSWORD = "wave"
ICY_RATE = 16000  # bytes per second of the 128 kbit/s sine.mp3


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QuillowaveTestServer/1.0"

    def log_message(self, fmt, *args):
        self.server.fixture.log("%s %s" % (self.address_string(), fmt % args))

    def do_GET(self):
        self.dispatch()

    do_HEAD = do_POST = do_PUT = do_DELETE = do_OPTIONS = do_GET

    # -- helpers -----------------------------------------------------------------------------

    def param(self, name, default=None):
        values = self.query.get(name)
        return values[0] if values else default

    def int_param(self, name, default):
        try:
            return int(self.param(name, default))
        except ValueError:
            return default

    def float_param(self, name, default):
        try:
            return float(self.param(name, default))
        except ValueError:
            return default

    def request_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def wait(self, seconds):
        """Sleeps; True when the server is stopping."""
        return self.server.fixture.stopping.wait(seconds)

    def send_body(self, code, body, content_type="text/plain; charset=utf-8", headers=()):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def find_file(self, name):
        """NAME from the fixture's www/ folder, else from the source tree's tests/data/."""
        name = urllib.parse.unquote(name)
        if not name or name.startswith("/") or ".." in name.split("/"):
            return None
        for folder in (self.server.fixture.www, self.server.fixture.data):
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                return path
        return None

    def read_file(self, name):
        path = self.find_file(name)
        if path is None:
            self.send_body(404, b"no such file\n")
            return None, None
        with open(path, "rb") as f:
            data = f.read()
        content_type = self.param("type") or CONTENT_TYPES.get(
            os.path.splitext(path)[1].lower(), "application/octet-stream")
        return data, content_type

    def write_slowly(self, data, rate):
        """Writes DATA at RATE bytes per second; False when the client went away."""
        step = max(1, rate // 10)
        for offset in range(0, len(data), step):
            try:
                self.wfile.write(data[offset:offset + step])
                self.wfile.flush()
            except OSError:
                return False
            if self.wait(0.1):
                return False
        return True

    # -- dispatch ----------------------------------------------------------------------------

    def dispatch(self):
        url = urllib.parse.urlsplit(self.path)
        self.query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        self.body = self.request_body()
        delay = self.float_param("delay", 0.0)
        if delay > 0 and self.wait(delay):
            return
        parts = url.path.strip("/").split("/", 1)
        head, rest = parts[0], parts[1] if len(parts) > 1 else ""
        route = {
            "files": self.serve_file, "redirect": self.redirect, "status": self.status,
            "slow": self.slow, "truncated": self.truncated, "garbage": self.garbage,
            "hang": self.hang, "icy": self.icy, "auth": self.auth, "echo": self.echo,
            "chunked": self.chunked, "site": self.site,
            "radiobrowser": lambda rest: radiobrowser.answer(self, rest),
            "coverart": lambda rest: coverart.answer(self, rest),
        }.get(head)
        if route is None:
            self.send_body(404, b"not found\n")
        else:
            route(rest)

    # -- routes ------------------------------------------------------------------------------

    def serve_file(self, name):
        data, content_type = self.read_file(name)
        if data is None:
            return
        headers = [("Accept-Ranges", "bytes")]
        if self.param("length") == "0":
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            if self.command != "HEAD":
                self.wfile.write(data)
            return
        wanted = self.headers.get("Range")
        if wanted:
            match = re.fullmatch(r"bytes=(\d*)-(\d*)", wanted.strip())
            size = len(data)
            if match and (match.group(1) or match.group(2)):
                if match.group(1):
                    first = int(match.group(1))
                    last = int(match.group(2)) if match.group(2) else size - 1
                else:
                    first, last = max(0, size - int(match.group(2))), size - 1
                last = min(last, size - 1)
                if first <= last:
                    headers.append(("Content-Range", "bytes %d-%d/%d" % (first, last, size)))
                    self.send_body(206, data[first:last + 1], content_type, headers)
                    return
            self.send_body(416, b"", content_type, [("Content-Range", "bytes */%d" % size)])
            return
        self.send_body(200, data, content_type, headers)

    def redirect(self, rest):
        target = self.param("to", "/files/sine.mp3")
        if rest == "loop":
            code, target = 302, self.path
        elif rest.startswith("chain/"):
            hops = int(rest[len("chain/"):] or 0) if rest[len("chain/"):].isdigit() else 0
            code = 302
            if hops > 0:
                target = "/redirect/chain/%d?%s" % (hops - 1, urllib.parse.urlencode(
                    {"to": target}))
        elif rest in ("301", "302", "303", "307", "308"):
            code = int(rest)
        else:
            self.send_body(404, b"unknown redirect\n")
            return
        self.send_body(code, b"moved\n", headers=[("Location", target)])

    def status(self, rest):
        code = int(rest) if rest.isdigit() and 100 <= int(rest) <= 999 else 500
        body = self.param("body", "status %d\n" % code).encode()
        headers = []
        for extra in self.query.get("h", []):
            name, _, value = extra.partition(":")
            headers.append((name.strip(), value.strip()))
        long_header = self.int_param("longheader", 0)
        if long_header > 0:
            headers.append(("X-Long", "x" * long_header))
        self.send_body(code, body, self.param("type", "text/plain; charset=utf-8"), headers)

    def slow(self, name):
        data, content_type = self.read_file(name)
        if data is None:
            return
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.write_slowly(data, max(1, self.int_param("rate", 2000)))

    def truncated(self, name):
        data, content_type = self.read_file(name)
        if data is None:
            return
        keep = min(len(data) - 1, max(0, self.int_param("keep", len(data) // 2)))
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:keep])
        self.wfile.flush()
        self.close_connection = True

    def garbage(self, rest):
        size = max(0, self.int_param("bytes", 65536))
        data = random.Random(self.int_param("seed", 1)).randbytes(size)
        if rest == "raw":
            self.wfile.write(data)
            self.close_connection = True
            return
        self.send_body(200, data, self.param("type", "audio/mpeg"))

    def hang(self, _rest):
        """Accepts the request and never answers, until the client leaves or the time is up."""
        self.connection.settimeout(0.2)
        deadline = time.monotonic() + self.float_param("seconds", 120.0)
        while time.monotonic() < deadline and not self.server.fixture.stopping.is_set():
            try:
                if not self.connection.recv(4096):
                    break
            except TimeoutError:
                continue
            except OSError:
                break
        self.close_connection = True

    def auth(self, name):
        user = self.param("user", DEFAULT_USER)
        password = self.param("password", DEFAULT_PASSWORD)
        expected = "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()
        if self.headers.get("Authorization") != expected:
            self.send_body(401, b"authorization required\n",
                           headers=[("WWW-Authenticate", 'Basic realm="Quillowave Test"')])
        elif name:
            self.serve_file(name)
        else:
            self.send_body(200, b"authorized\n")

    def echo(self, _rest):
        lines = [self.requestline] + ["%s: %s" % (k, v) for k, v in self.headers.items()]
        body = ("\r\n".join(lines) + "\r\n\r\n").encode() + self.body
        self.send_body(200, body)

    def chunked(self, name):
        data, content_type = self.read_file(name)
        if data is None:
            return
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        step = max(1, self.int_param("chunk", 4096))
        for offset in range(0, len(data), step):
            piece = data[offset:offset + step]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
        self.wfile.write(b"0\r\n\r\n")

    def site(self, rest):
        """A web site: GET serves files as /files/ does, POST is answered "ok" and its path and
        form body are appended as one JSON line to httpserver/posts.log."""
        if self.command != "POST":
            self.serve_file(rest)
            return
        record = {"path": "/" + rest, "body": self.body.decode("utf-8", "replace"),
                  "type": self.headers.get("Content-Type", "")}
        with self.server.fixture.log_lock:
            with open(os.path.join(self.server.fixture.dir, "posts.log"), "a") as f:
                f.write(json.dumps(record) + "\n")
        self.send_body(200, b"ok\n")

    def icy(self, _rest):
        """A Shoutcast v1 stream: FILE looped in real time with metadata blocks."""
        data, content_type = self.read_file(self.param("file", "sine.mp3"))
        if data is None:
            return
        if data.startswith(b"ID3") and len(data) > 10:
            # a radio server sends bare frames: drop the file's tag
            size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
            data = data[10 + size:]
        want_meta = {"always": True, "never": False}.get(
            self.param("meta"), self.headers.get("Icy-MetaData", "0").strip() == "1")
        metaint = max(1, self.int_param("metaint", 8192)) if want_meta else 0
        rate = max(1, self.int_param("rate", ICY_RATE))
        titles = self.param("titles", "Quillowave Test - Sine 440").split("|")
        interval = max(0.1, self.float_param("interval", 2.0))
        every = self.int_param("every", 0)  # audio bytes per title; 0: by interval
        seconds = self.float_param("seconds", 600.0)
        status = "ICY 200 OK" if self.param("status", "icy") == "icy" else "HTTP/1.0 200 OK"
        header = [status, "icy-notice1: <BR>Quillowave test stream<BR>",
                  "icy-name: " + self.param("name", "Quillowave ICY Test"),
                  "icy-genre: Test", "icy-url: http://127.0.0.1/", "icy-pub: 0",
                  "icy-br: %d" % (rate * 8 // 1000), "Content-Type: " + content_type]
        if metaint:
            header.append("icy-metaint: %d" % metaint)
        self.wfile.write(("\r\n".join(header) + "\r\n\r\n").encode("utf-8"))
        self.close_connection = True
        if self.command == "HEAD":
            return
        start = time.monotonic()
        position = 0        # in the looped file
        since_meta = 0      # audio bytes since the last metadata block
        sent_title = None
        sent_bytes = 0      # audio bytes sent in all
        step = max(1, rate // 10)
        while time.monotonic() - start < seconds:
            out = bytearray()
            todo = step
            while todo > 0:
                n = min(todo, len(data) - position)
                if metaint:
                    n = min(n, metaint - since_meta)
                out += data[position:position + n]
                position = (position + n) % len(data)
                since_meta += n
                sent_bytes += n
                todo -= n
                if metaint and since_meta == metaint:
                    slot = (sent_bytes // every if every > 0
                            else int((time.monotonic() - start) / interval))
                    title = titles[slot % len(titles)]
                    out += self.meta_block(title if title != sent_title else None)
                    sent_title = title
                    since_meta = 0
            try:
                self.wfile.write(out)
                self.wfile.flush()
            except OSError:
                return
            if self.wait(0.1):
                return

    def meta_block(self, title):
        """One ICY metadata block: a length byte (in 16-byte units), then the padded text."""
        if title is None:
            return b"\0"
        charset = self.param("charset", "utf-8")
        if self.param("raw") == "1":
            text = title
        else:
            text = "StreamTitle='%s';" % title
            if self.param("url") is not None:
                text += "StreamUrl='%s';" % self.param("url")
        text = text.encode(charset, "replace")
        text = text[:255 * 16]
        units = (len(text) + 15) // 16
        return bytes([units]) + text + b"\0" * (units * 16 - len(text))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


class HttpFixture:
    def __init__(self, fdir, tests_dir):
        self.dir = os.path.join(fdir, "httpserver")
        self.www = os.path.join(fdir, "www")
        self.data = os.path.join(tests_dir, "data")
        self.stopping = threading.Event()
        self.server = None
        self.thread = None
        self.log_lock = threading.Lock()
        self.log_file = None

    def log(self, line):
        with self.log_lock:
            self.log_file.write(line + "\n")

    def generate_files(self):
        """Encodes the sample files once; later runs reuse them while the recipe is the same."""
        recipe = json.dumps([SINE, AUDIO_FILES]).encode()
        stamp = os.path.join(self.www, ".recipe")
        try:
            with open(stamp, "rb") as f:
                fresh = f.read() == recipe
        except OSError:
            fresh = False
        jobs = []
        for name, codec in AUDIO_FILES.items():
            path = os.path.join(self.www, name)
            if fresh and os.path.exists(path):
                continue
            tmp = os.path.join(self.www, ".tmp." + name)
            args = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"] + SINE + codec
            jobs.append((subprocess.Popen(args + [tmp], stdin=subprocess.DEVNULL,
                                          stderr=subprocess.PIPE), tmp, path))
        for proc, tmp, path in jobs:
            _, err = proc.communicate()
            if proc.returncode != 0:
                raise RuntimeError("ffmpeg could not make %s: %s" % (path, err.decode()[-500:]))
            os.replace(tmp, path)
        with open(stamp, "wb") as f:
            f.write(recipe)

    def start(self):
        os.makedirs(self.dir, exist_ok=True)
        os.makedirs(self.www, exist_ok=True)
        self.log_file = open(os.path.join(self.dir, "requests.log"), "a", buffering=1)
        self.generate_files()
        self.server = Server(("127.0.0.1", 0), Handler)
        self.server.fixture = self
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        return {"QW_HTTP_URL": "http://127.0.0.1:%d" % self.server.server_address[1]}

    def command(self, request):
        raise ValueError("the HTTP fixture takes no command %r" % request.get("cmd"))

    def stop(self):
        self.stopping.set()
        if self.server:
            self.server.shutdown()
            self.server.server_close()
