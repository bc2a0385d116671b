// Smoke test of the stream fixture: real listeners (ffmpeg and a raw socket) play the Icecast
// mounts, hear a 440 Hz sine and see title changes and source drops made through the helpers.
#include "support/fixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace {

constexpr int kWaitMs = 30000;

// A listener on a raw socket that keeps what the stream says about its title: the ICY
// StreamTitle values (cut out of the audio every icy-metaint bytes) or, for Ogg, the whole
// stream, whose chained headers carry the comments.
class Listener {
public:
    explicit Listener(const QString& mount) {
        const QUrl url(QString::fromStdString(qwtest::icecastUrl(mount.toStdString())));
        m_socket.connectToHost(url.host(), quint16(url.port()));
        m_socket.waitForConnected(kWaitMs);
        m_socket.write("GET " + url.path().toUtf8() + " HTTP/1.0\r\nIcy-MetaData: 1\r\n\r\n");
    }

    // Reads what has arrived; false once the server closed the connection.
    bool poll() {
        m_socket.waitForReadyRead(100);
        m_pending += m_socket.readAll();
        if (!m_headersDone) {
            const qsizetype end = m_pending.indexOf("\r\n\r\n");
            if (end < 0) {
                return m_socket.state() == QAbstractSocket::ConnectedState;
            }
            m_headers = QString::fromLatin1(m_pending.left(end));
            const auto match = QRegularExpression("icy-metaint:\\s*(\\d+)",
                                                  QRegularExpression::CaseInsensitiveOption)
                                   .match(m_headers);
            m_metaInt = match.hasMatch() ? match.captured(1).toInt() : 0;
            m_audioLeft = m_metaInt;
            m_pending.remove(0, end + 4);
            m_headersDone = true;
        }
        m_metaInt > 0 ? takeIcyBlocks() : (m_raw += m_pending, m_pending.clear());
        return m_socket.state() == QAbstractSocket::ConnectedState || m_socket.bytesAvailable();
    }

    QString headers() const { return m_headers; }
    QStringList icyTitles() const { return m_titles; }
    qint64 audioBytes() const { return m_audioBytes; }
    bool rawContains(const QByteArray& bytes) const { return m_raw.contains(bytes); }

private:
    void takeIcyBlocks() {
        while (!m_pending.isEmpty()) {
            if (m_audioLeft > 0) {
                const qsizetype n = std::min<qsizetype>(m_audioLeft, m_pending.size());
                m_audioBytes += n;
                m_audioLeft -= int(n);
                m_pending.remove(0, n);
                continue;
            }
            const int length = quint8(m_pending.at(0)) * 16;
            if (m_pending.size() < 1 + length) {
                return;
            }
            const QString text = QString::fromUtf8(m_pending.mid(1, length));
            const auto match = QRegularExpression("StreamTitle='(.*?)';").match(text);
            if (match.hasMatch()) {
                m_titles << match.captured(1);
            }
            m_pending.remove(0, 1 + length);
            m_audioLeft = m_metaInt;
        }
    }

    QTcpSocket m_socket;
    QByteArray m_pending;
    QByteArray m_raw;
    QString m_headers;
    QStringList m_titles;
    bool m_headersDone = false;
    int m_metaInt = 0;
    int m_audioLeft = 0;
    qint64 m_audioBytes = 0;
};

// A Vorbis comment field as it stands in an Ogg header packet: 32-bit length, then KEY=VALUE.
QByteArray commentField(const QByteArray& key, const QString& value) {
    const QByteArray field = key + '=' + value.toUtf8();
    const quint32 length = quint32(field.size());
    QByteArray out(4, '\0');
    std::memcpy(out.data(), &length, 4);
    return out + field;
}

int g_titleCounter = 0;

} // namespace

class TestSmoke : public QObject {
    Q_OBJECT

private slots:
    void fixtureDescribesBothServers();
    void ffmpegPlaysMp3AndSeesTitleChange();
    void mountCarriesTheSine_data();
    void mountCarriesTheSine();
    void titleChangeReachesListener_data();
    void titleChangeReachesListener();
    void droppedSourceCutsListenersAndComesBack();
    void helpersFailCleanly();
    void cleanupTestCase();
};

void TestSmoke::fixtureDescribesBothServers() {
    for (const char* key :
         {"QW_ICECAST_URL", "QW_HTTP_URL", "QW_ICECAST_ADMIN_USER", "QW_ICECAST_ADMIN_PASSWORD"}) {
        QVERIFY2(!qwtest::fixtureValue(key).empty(), key);
    }
    // A key that is only a prefix of a real one must not match it.
    QVERIFY(qwtest::fixtureValue("QW_ICECAST").empty());
    const QUrl mp3(QString::fromStdString(qwtest::icecastUrl("/mp3")));
    QCOMPARE(mp3.host(), QStringLiteral("127.0.0.1"));
    QCOMPARE(mp3.path(), QStringLiteral("/mp3"));
    QCOMPARE(qwtest::httpUrl("files/sine.mp3"), qwtest::httpUrl("/files/sine.mp3"));
}

void TestSmoke::ffmpegPlaysMp3AndSeesTitleChange() {
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start("ffmpeg", {"-hide_banner", "-nostdin", "-loglevel", "verbose", "-icy", "1", "-i",
                            QString::fromStdString(qwtest::icecastUrl("/mp3")), "-f", "null", "-"});
    QVERIFY(ffmpeg.waitForStarted());
    QString log;
    const auto seen = [&](const QString& text) {
        log += QString::fromUtf8(ffmpeg.readAll());
        return log.contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(seen("Audio: mp3, 44100 Hz, stereo"), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(seen("StreamTitle: Quillowave Test - Sine 440"), kWaitMs);

    const QString title = QStringLiteral("Smoke Artist - Smoke Title %1 äö").arg(++g_titleCounter);
    QVERIFY(qwtest::setMountTitle("/mp3", title.toStdString()));
    QTRY_VERIFY_WITH_TIMEOUT(seen("Metadata update for StreamTitle: " + title), kWaitMs);
    QCOMPARE(ffmpeg.state(), QProcess::Running);
    ffmpeg.kill();
    ffmpeg.waitForFinished();
}

void TestSmoke::mountCarriesTheSine_data() {
    QTest::addColumn<QString>("mount");
    QTest::addColumn<QString>("codec");
    QTest::newRow("mp3") << "/mp3"
                         << "Audio: mp3";
    QTest::newRow("aac") << "/aac"
                         << "Audio: aac";
    QTest::newRow("vorbis") << "/ogg"
                            << "Audio: vorbis";
    QTest::newRow("opus") << "/opus"
                          << "Audio: opus";
    QTest::newRow("flac") << "/flac"
                          << "Audio: flac";
}

// Decodes two seconds of the mount as 16-bit stereo at 44.1 kHz and checks the tone: its
// frequency from the zero crossings of the left channel, its level from the peak.
void TestSmoke::mountCarriesTheSine() {
    QFETCH(QString, mount);
    QFETCH(QString, codec);
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-hide_banner", "-nostdin", "-i",
                            QString::fromStdString(qwtest::icecastUrl(mount.toStdString())), "-ac",
                            "2", "-ar", "44100", "-f", "s16le", "-"});
    // Counted in bytes rather than with -t: a live Ogg stream's first timestamps come from
    // wherever the listener joined.
    const qsizetype wanted = 44100 * 4 * 5 / 2;
    QByteArray pcm;
    while (pcm.size() < wanted && ffmpeg.waitForReadyRead(kWaitMs)) {
        pcm += ffmpeg.readAllStandardOutput();
    }
    ffmpeg.kill();
    ffmpeg.waitForFinished();
    const QString log = QString::fromUtf8(ffmpeg.readAllStandardError());
    QVERIFY2(pcm.size() >= wanted, qPrintable(log));
    QVERIFY2(log.contains(codec), qPrintable(log));
    const int frames = int(pcm.size() / 4);
    const int skip = 44100 / 2; // the decoder's start-up
    std::vector<qint16> left(size_t(frames - skip));
    for (int i = skip; i < frames; ++i) {
        std::memcpy(&left[size_t(i - skip)], pcm.constData() + 4 * i, 2);
    }
    int peak = 0;
    for (qint16 s : left) {
        peak = std::max(peak, std::abs(int(s)));
    }
    const double level = peak / 32768.0;
    // Lossy coders overshoot a sine's peak a little (AAC by up to a quarter of a dB or so).
    QVERIFY2(level > 0.4 && level < 0.7, qPrintable(QString::number(level)));
    // Hysteresis around zero so that coding noise near a crossing counts once.
    const int band = peak / 10;
    int rises = 0;
    bool low = false;
    for (qint16 s : left) {
        if (s < -band) {
            low = true;
        } else if (s > band && low) {
            low = false;
            ++rises;
        }
    }
    const double hz = rises * 44100.0 / double(left.size());
    QVERIFY2(std::abs(hz - 440.0) < 5.0, qPrintable(QString::number(hz)));
}

void TestSmoke::titleChangeReachesListener_data() {
    QTest::addColumn<QString>("mount");
    QTest::addColumn<bool>("icy");
    QTest::newRow("mp3") << "/mp3" << true;
    QTest::newRow("aac") << "/aac" << true;
    QTest::newRow("vorbis") << "/ogg" << false;
    QTest::newRow("opus") << "/opus" << false;
    QTest::newRow("flac") << "/flac" << false;
}

// A listener that is already connected must get the new title: as ICY metadata, or as the
// comments of a new chained Ogg stream on the same connection.
void TestSmoke::titleChangeReachesListener() {
    QFETCH(QString, mount);
    QFETCH(bool, icy);
    Listener listener(mount);
    QTRY_VERIFY_WITH_TIMEOUT(listener.poll() && !listener.headers().isEmpty(), kWaitMs);
    QCOMPARE(listener.headers().contains("icy-metaint", Qt::CaseInsensitive), icy);

    const QString artist = QStringLiteral("Listener Artist %1").arg(++g_titleCounter);
    const QString name = QStringLiteral("Title ñ %1").arg(g_titleCounter);
    QVERIFY(qwtest::setMountTitle(mount.toStdString(), (artist + " - " + name).toStdString()));
    if (icy) {
        QTRY_VERIFY_WITH_TIMEOUT(
            listener.poll() && listener.icyTitles().contains(artist + " - " + name), kWaitMs);
        QVERIFY(listener.audioBytes() > 0);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(listener.poll() &&
                                     listener.rawContains(commentField("title", name)) &&
                                     listener.rawContains(commentField("artist", artist)),
                                 kWaitMs);
    }
}

void TestSmoke::droppedSourceCutsListenersAndComesBack() {
    Listener before("/aac");
    QTRY_VERIFY_WITH_TIMEOUT(before.poll() && before.audioBytes() > 0, kWaitMs);

    QVERIFY(qwtest::stopSource("/aac"));
    QTRY_VERIFY_WITH_TIMEOUT(!before.poll(), kWaitMs);
    Listener during("/aac");
    QTRY_VERIFY_WITH_TIMEOUT(!during.poll(), kWaitMs);
    QVERIFY2(QRegularExpression("^HTTP/1\\.[01] 404").match(during.headers()).hasMatch(),
             qPrintable(during.headers()));

    // A title set while the source is away is the one it comes back with.
    const QString title = QStringLiteral("After Drop %1").arg(++g_titleCounter);
    QVERIFY(qwtest::setMountTitle("/aac", title.toStdString()));
    QVERIFY(qwtest::startSource("/aac"));
    Listener after("/aac");
    QTRY_VERIFY_WITH_TIMEOUT(after.poll() && after.icyTitles().contains(title), kWaitMs);
}

void TestSmoke::helpersFailCleanly() {
    QVERIFY(!qwtest::setMountTitle("/no-such-mount", "x"));
    QVERIFY(!qwtest::stopSource("/no-such-mount"));

    const QByteArray saved = qgetenv("QW_FIXTURE_DIR");
    const QTemporaryDir empty;
    qputenv("QW_FIXTURE_DIR", empty.path().toUtf8());
    const bool urlEmpty = qwtest::icecastUrl("/mp3").empty() && qwtest::httpUrl("/echo").empty();
    const bool titleFails = !qwtest::setMountTitle("/mp3", "x");
    qputenv("QW_FIXTURE_DIR", saved);
    QVERIFY(urlEmpty);
    QVERIFY(titleFails);
}

// Later tests expect every mount with the title the fixture started it with.
void TestSmoke::cleanupTestCase() {
    for (const char* mount : {"/mp3", "/aac", "/ogg", "/opus", "/flac"}) {
        QVERIFY(qwtest::setMountTitle(mount, "Quillowave Test - Sine 440"));
    }
}

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
