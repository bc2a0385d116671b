"""A private Icecast 2 server on a free loopback port with one source client per mount.

Every mount carries a 440 Hz sine (stereo, about -6 dBFS) encoded in real time by ffmpeg. The
source clients are ours rather than ffmpeg's icecast output so that a source can be dropped and
reconnected, and so that an Ogg mount can change its title: the running encoder is ended cleanly
(end-of-stream pages) and a new one starts a chained stream with new comments on the same source
connection. MP3 and AAC titles go through the admin API as ICY metadata.
"""

import base64
import json
import os
import secrets
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

INITIAL_TITLE = "Quillowave Test - Sine 440"
WAIT_S = 20.0
SINE = ["-re", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
        "-af", "volume=4,pan=stereo|c0=c0|c1=c0"]

# mount, content type, bitrate (kbit/s) for the Ice headers, encoder arguments, Ogg or not.
# Icecast reports the titles of MP3, AAC and Vorbis mounts in its statistics; for Opus and FLAC
# it does not, so their titles are checked in the stream a new listener receives.
MOUNTS = [
    ("/mp3", "audio/mpeg", 128,
     ["-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0", "-id3v2_version", "0",
      "-f", "mp3"], False),
    ("/aac", "audio/aac", 128, ["-c:a", "aac", "-b:a", "128k", "-f", "adts"], False),
    ("/ogg", "audio/ogg", 112, ["-c:a", "libvorbis", "-b:a", "112k", "-f", "ogg"], True),
    ("/opus", "audio/ogg", 96,
     ["-c:a", "libopus", "-b:a", "96k", "-ar", "48000", "-f", "ogg"], True),
    ("/flac", "audio/ogg", 700, ["-c:a", "flac", "-f", "ogg"], True),
]

CONFIG = """<icecast>
  <location>Quillowave test fixture</location>
  <admin>test@localhost</admin>
  <hostname>127.0.0.1</hostname>
  <limits>
    <clients>200</clients>
    <sources>20</sources>
    <queue-size>1048576</queue-size>
    <client-timeout>30</client-timeout>
    <header-timeout>15</header-timeout>
    <source-timeout>10</source-timeout>
    <burst-on-connect>1</burst-on-connect>
    <burst-size>65536</burst-size>
  </limits>
  <authentication>
    <source-password>{source_password}</source-password>
    <relay-password>{source_password}</relay-password>
    <admin-user>admin</admin-user>
    <admin-password>{admin_password}</admin-password>
  </authentication>
  <listen-socket>
    <port>{port}</port>
    <bind-address>127.0.0.1</bind-address>
  </listen-socket>
  <!-- ICY titles go to listeners as UTF-8 (Icecast's default for MP3 and AAC is Latin-1) -->
  <mount type="normal"><mount-name>/mp3</mount-name><charset>UTF-8</charset></mount>
  <mount type="normal"><mount-name>/aac</mount-name><charset>UTF-8</charset></mount>
  <fileserve>1</fileserve>
  <paths>
    <basedir>/usr/share/icecast2</basedir>
    <logdir>{logdir}</logdir>
    <webroot>/usr/share/icecast2/web</webroot>
    <adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging>
    <accesslog>-</accesslog>
    <errorlog>-</errorlog>
    <loglevel>3</loglevel>
  </logging>
  <security>
    <chroot>0</chroot>
    <changeowner>
      <user>nobody</user>
      <group>nogroup</group>
    </changeowner>
  </security>
</icecast>
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(predicate, timeout_s=WAIT_S, step_s=0.05):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step_s)
    return False


def split_title(text):
    """"Artist - Title" into (artist, title); a text without the separator is a bare title."""
    artist, sep, title = text.partition(" - ")
    return (artist, title) if sep else ("", text)


def comment_field(key, value):
    """A Vorbis comment field as it appears in the stream: its length, then KEY=VALUE."""
    field = key + b"=" + value.encode()
    return struct.pack("<I", len(field)) + field


class MountSource(threading.Thread):
    """The source client of one mount: a PUT connection to Icecast fed by ffmpeg runs."""

    def __init__(self, fixture, mount, content_type, bitrate, codec, is_ogg):
        super().__init__(daemon=True, name="source" + mount)
        self.fixture = fixture
        self.mount = mount
        self.content_type = content_type
        self.bitrate = bitrate
        self.codec = codec
        self.is_ogg = is_ogg
        self.title = INITIAL_TITLE
        self.cond = threading.Condition()
        self.wanted = True
        self.quit = False
        self.proc = None
        self.log = fixture.feeder_log

    def encoder_args(self):
        args = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error"] + SINE + self.codec
        if self.is_ogg:
            # Short pages let Icecast see a new chain's first audio page (which completes the
            # chain's headers for it) soon after a title change.
            artist, title = split_title(self.title)
            args[-2:-2] = ["-metadata", "title=" + title, "-metadata", "artist=" + artist,
                           "-page_duration", "100000"]
        return args + ["-flush_packets", "1", "pipe:1"]

    def connect(self):
        sock = socket.create_connection(("127.0.0.1", self.fixture.port), timeout=10)
        auth = base64.b64encode(("source:" + self.fixture.source_password).encode()).decode()
        request = (
            "PUT {m} HTTP/1.1\r\nHost: 127.0.0.1:{p}\r\nAuthorization: Basic {a}\r\n"
            "User-Agent: quillowave-fixture\r\nContent-Type: {t}\r\nIce-Public: 0\r\n"
            "Ice-Name: Quillowave Test {n}\r\nIce-Description: 440 Hz sine\r\n"
            "Ice-Genre: Test\r\nIce-Url: http://127.0.0.1/\r\nIce-Bitrate: {b}\r\n"
            "Ice-Audio-Info: samplerate=44100;channels=2;bitrate={b}\r\n"
            "Expect: 100-continue\r\n\r\n").format(
                m=self.mount, p=self.fixture.port, a=auth, t=self.content_type,
                n=self.mount[1:].upper(), b=self.bitrate)
        sock.sendall(request.encode())
        answer = b""
        while b"\r\n\r\n" not in answer:
            chunk = sock.recv(1024)
            if not chunk:
                break
            answer += chunk
        status = answer.split(b"\r\n", 1)[0]
        if b" 100 " not in status + b" " and b" 200 " not in status + b" ":
            sock.close()
            raise OSError("Icecast refused source %s: %r" % (self.mount, status))
        sock.settimeout(None)
        return sock

    def run(self):
        while True:
            with self.cond:
                while not self.wanted and not self.quit:
                    self.cond.wait()
                if self.quit:
                    return
            try:
                sock = self.connect()
            except OSError as e:
                self.log.write("%s: %s\n" % (self.mount, e))
                time.sleep(0.5)
                continue
            with sock:
                if not self.is_ogg:
                    threading.Thread(target=self.apply_icy_title, args=(self.title,),
                                     daemon=True).start()
                self.feed(sock)

    def feed(self, sock):
        """Runs encoders into SOCK until the source is no longer wanted or the connection
        breaks. An encoder that ends while the source is wanted (an Ogg title change) is followed
        by a new one on the same connection."""
        while True:
            with self.cond:
                if not self.wanted or self.quit:
                    return
                self.proc = subprocess.Popen(self.encoder_args(), stdin=subprocess.DEVNULL,
                                             stdout=subprocess.PIPE, stderr=self.log)
                proc = self.proc
            broken = False
            while True:
                data = proc.stdout.read1(65536)
                if not data:
                    break
                try:
                    sock.sendall(data)
                except OSError:
                    broken = True
                    break
            if broken:
                proc.kill()
            proc.wait()
            proc.stdout.close()
            with self.cond:
                self.proc = None
                self.cond.notify_all()
            if broken:
                time.sleep(0.2)
                return

    def end_encoder(self):
        """Asks the running encoder to finish its stream cleanly. Caller holds self.cond."""
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)

    def apply_icy_title(self, title):
        query = urllib.parse.urlencode({"mount": self.mount, "mode": "updinfo", "song": title,
                                        "charset": "UTF-8"})
        return wait_until(lambda: b"<return>1</return>" in (
            self.fixture.admin("/admin/metadata?" + query) or b""), 5.0, 0.1)

    def title_seen(self, title):
        if self.mount in ("/mp3", "/aac", "/ogg"):
            return self.fixture.mount_title(self.mount) == title
        artist, name = split_title(title)
        fields = [comment_field(b"title", name)]
        if artist:
            fields.append(comment_field(b"artist", artist))
        return self.fixture.stream_head_has(self.mount, fields)

    def set_title(self, title):
        with self.cond:
            self.title = title
            if not self.wanted:
                return  # taken when the source comes back
            if self.is_ogg:
                self.end_encoder()
        if not self.is_ogg and not self.apply_icy_title(title):
            raise RuntimeError("Icecast did not take the title of " + self.mount)
        if not wait_until(lambda: self.title_seen(title), step_s=0.1):
            raise RuntimeError("the title of %s did not change" % self.mount)

    def stop_source(self):
        with self.cond:
            self.wanted = False
            self.end_encoder()
        if not wait_until(lambda: self.mount not in self.fixture.mount_titles()):
            raise RuntimeError("mount %s is still up" % self.mount)

    def start_source(self):
        with self.cond:
            self.wanted = True
            self.cond.notify_all()
        if not wait_until(lambda: self.mount in self.fixture.mount_titles()
                          and self.title_seen(self.title), step_s=0.1):
            raise RuntimeError("mount %s did not come back" % self.mount)

    def shutdown(self):
        with self.cond:
            self.quit = True
            self.wanted = False
            if self.proc and self.proc.poll() is None:
                self.proc.kill()
            self.cond.notify_all()


class IcecastFixture:
    def __init__(self, fdir):
        self.dir = os.path.join(fdir, "icecast")
        os.makedirs(self.dir, exist_ok=True)
        self.port = 0
        self.source_password = secrets.token_hex(8)
        self.admin_password = secrets.token_hex(8)
        self.icecast = None
        self.sources = {}
        self.feeder_log = None

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def admin(self, path):
        """Body of an admin page, or None when it could not be had."""
        request = urllib.request.Request(self.url(path))
        auth = base64.b64encode(("admin:" + self.admin_password).encode()).decode()
        request.add_header("Authorization", "Basic " + auth)
        try:
            with urllib.request.urlopen(request, timeout=5) as r:
                return r.read()
        except (OSError, urllib.error.HTTPError):
            return None

    def mount_titles(self):
        """{mount: title as listeners see it} from Icecast's status page."""
        try:
            with urllib.request.urlopen(self.url("/status-json.xsl"), timeout=5) as r:
                stats = json.loads(r.read().decode("utf-8", "replace"))
        except (OSError, ValueError):
            return {}
        sources = stats.get("icestats", {}).get("source", [])
        if isinstance(sources, dict):
            sources = [sources]
        titles = {}
        for source in sources:
            mount = urllib.parse.urlparse(source.get("listenurl", "")).path
            title = str(source.get("title", ""))
            artist = str(source.get("artist", ""))
            titles[mount] = "%s - %s" % (artist, title) if artist else title
        return titles

    def mount_title(self, mount):
        return self.mount_titles().get(mount)

    def stream_head_has(self, mount, fields, size=16384):
        """Whether the first bytes a new listener of MOUNT receives hold all FIELDS (the stream
        headers come first, so this reads only as far as needed)."""
        head = b""
        try:
            with urllib.request.urlopen(self.url(mount), timeout=5) as r:
                while len(head) < size:
                    chunk = r.read1(4096)
                    if not chunk:
                        return False
                    head += chunk
                    if all(field in head for field in fields):
                        return True
        except OSError:
            pass
        return False

    def start_icecast(self):
        """Starts Icecast on a free port; False when it exited (the port was taken meanwhile)."""
        self.port = free_port()
        config = os.path.join(self.dir, "icecast.xml")
        with open(config, "w", encoding="utf-8") as f:
            f.write(CONFIG.format(port=self.port, source_password=self.source_password,
                                  admin_password=self.admin_password, logdir=self.dir))
        # Icecast switches to nobody before it logs, so it logs to stderr (opened here, as
        # root) rather than into a folder that nobody may be unable to reach.
        with open(os.path.join(self.dir, "icecast.log"), "a") as log:
            self.icecast = subprocess.Popen(["icecast2", "-c", config], stdin=subprocess.DEVNULL,
                                            stdout=log, stderr=log)
        if not wait_until(lambda: self.icecast.poll() is not None
                          or self.admin("/admin/stats") is not None):
            raise RuntimeError("Icecast did not answer on port %d" % self.port)
        return self.icecast.poll() is None

    def start(self):
        started = time.monotonic()
        open(os.path.join(self.dir, "icecast.log"), "w").close()
        if not any(self.start_icecast() for _ in range(3)):
            raise RuntimeError("Icecast exited (%d); see %s/icecast.log"
                               % (self.icecast.returncode, self.dir))
        print("icecast fixture: Icecast answers after %.1f s" % (time.monotonic() - started),
              file=sys.stderr, flush=True)
        self.feeder_log = open(os.path.join(self.dir, "feeders.log"), "w", buffering=1)
        for spec in MOUNTS:
            source = MountSource(self, *spec)
            self.sources[spec[0]] = source
            source.start()
        pending = dict(self.sources)

        def all_up():
            for mount, source in list(pending.items()):
                if source.title_seen(INITIAL_TITLE):
                    del pending[mount]
                    print("icecast fixture: %s up after %.1f s"
                          % (mount, time.monotonic() - started), file=sys.stderr, flush=True)
            return not pending

        if not wait_until(all_up, step_s=0.1):
            raise RuntimeError("mounts did not come up: %s" % " ".join(pending))
        return {
            "QW_ICECAST_URL": self.url(""),
            "QW_ICECAST_ADMIN_USER": "admin",
            "QW_ICECAST_ADMIN_PASSWORD": self.admin_password,
            "QW_ICECAST_SOURCE_PASSWORD": self.source_password,
        }

    def source(self, mount):
        if mount not in self.sources:
            raise ValueError("no mount %r (mounts: %s)" % (mount, " ".join(self.sources)))
        return self.sources[mount]

    def command(self, request):
        cmd = request.get("cmd")
        if cmd == "title":
            self.source(request["mount"]).set_title(request["title"])
        elif cmd == "stop-source":
            self.source(request["mount"]).stop_source()
        elif cmd == "start-source":
            self.source(request["mount"]).start_source()
        elif cmd == "status":
            return {"port": self.port, "mounts": self.mount_titles(),
                    "titles": {m: s.title for m, s in self.sources.items()}}
        else:
            raise ValueError("unknown command %r" % cmd)
        return None

    def stop(self):
        for source in self.sources.values():
            source.shutdown()
        for source in self.sources.values():
            source.join(5)
        if self.icecast and self.icecast.poll() is None:
            self.icecast.terminate()
            try:
                self.icecast.wait(5)
            except subprocess.TimeoutExpired:
                self.icecast.kill()
                self.icecast.wait()
