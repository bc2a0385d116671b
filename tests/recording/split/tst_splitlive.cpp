// Recordings split at title changes, on live streams: the Icecast mounts (files named from the
// titles in the station's folder, each one playable, no byte lost or doubled at a cut), a
// stream of tones whose titles change with the tone (each cut within a quarter of a second of
// the title's byte, with and without a split delay), and a wished song recorded alone.

#include "audio/bass.h"
#include "bass/bassevents.h"
#include "recording/appstream.h"
#include "recording/wishwatcher.h"
#include "support/fixture.h"
#include "support/liveengine.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using namespace BASS;

namespace {

constexpr int kWaitMs = qwtest::LiveEngine::WaitMs;
// Four songs of three seconds, one tone each; at 128 kbit/s a song is 48000 bytes.
constexpr int kSongSeconds = 3;
constexpr int kSongBytes = kSongSeconds * 16000;
const int kTones[] = {440, 660, 880, 550};
const char* const kToneFile = "splittones.mp3";

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString codecOf(const QString& path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "a:0",
                                              "-show_entries", "stream=codec_name", "-of",
                                              "default=nw=1:nk=1", path});
    ffprobe.waitForFinished(-1);
    return QString::fromLatin1(ffprobe.readAllStandardOutput()).trimmed();
}

// One tag of a file as ffprobe reads it.
QString tagOf(const QString& path, const QString& key) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format_tags=" + key,
                                              "-of", "default=nw=1:nk=1", path});
    ffprobe.waitForFinished(-1);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

// The files below folder, by name relative to it.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// Where a direct copy begins and ends in the stream, in seconds of the 128 kbit/s stream
// (16000 bytes a second): its audio is one piece of the file the server sends. -1 when not.
QPair<double, double> placeIn(const QByteArray& source, const QByteArray& audio) {
    const QByteArray head = audio.left(4096);
    const qsizetype at = source.indexOf(head);
    if (head.size() < 4096 || at < 0 || source.lastIndexOf(head) != at ||
        source.mid(at, audio.size()) != audio)
        return {-1, -1};
    return {at / 16000.0, (at + audio.size()) / 16000.0};
}

} // namespace

// One engine with its connect thread, recording with splits into its own folder.
struct SplitRecorder : qwtest::LiveEngine {
    QSignalSpy splits{&engine, &AppStream::signal_recordSplit};

    bool Record(int format) { return engine.StartSplitRecording(folder.path(), format); }

    // The last song's file gets some audio before it is closed: the count is of the whole
    // recording, so it has to grow by that much after the last split.
    bool WaitForMoreBytes(quint64 bytes) {
        const quint64 target = engine.BytesRecorded() + bytes;
        return QTest::qWaitFor([&] { return engine.BytesRecorded() > target; }, WaitMs);
    }

    bool WaitForSplits(int count) {
        return splits.size() >= count ||
               QTest::qWaitFor([&] { return splits.size() >= count; }, WaitMs);
    }
};

class TestSplitLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void mp3MountSplitsWithoutLosingABit();
    void oggMountSplitsIntoOggFiles();
    void cutsLieAtTheTitlesByte_data();
    void cutsLieAtTheTitlesByte();
    void wishedSongIsRecordedAlone();

private:
    // A title no earlier run has set, so that the mount really changes.
    QString freshTitle(const QString& song) const {
        return QStringLiteral("Split %1 - %2").arg(m_run).arg(song);
    }
    bool changeTitle(const char* mount, const QString& title) {
        return qwtest::setMountTitle(mount, title.toStdString());
    }
    qint64 m_run = 0;
};

void TestSplitLive::initTestCase() {
    QVERIFY2(!icecast("/mp3").isEmpty(), "the Icecast fixture is not running");
    QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP fixture is not running");
    m_run = QDateTime::currentMSecsSinceEpoch() % 1000000;
    QString error;
    // A one-second network buffer: playing, and so recording, starts within the first song.
    QVERIFY2(CBass::Init(0, &error, 0, true, 1000, "Quillowave", nullptr), qPrintable(error));
    // The tones, as a station would send them: bare CBR frames, no tag and no header frame.
    const QString tones = QDir(QString::fromStdString(qwtest::wwwDir())).filePath(kToneFile);
    QString filter;
    for (int i = 0; i < 4; ++i)
        filter += QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2[s%3];")
                      .arg(kTones[i])
                      .arg(kSongSeconds)
                      .arg(i);
    filter += QStringLiteral("[s0][s1][s2][s3]concat=n=4:v=0:a=1,volume=0.5");
    const int made = QProcess::execute(
        QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-filter_complex", filter, "-ac", "2",
                                   "-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0",
                                   "-id3v2_version", "0", "-f", "mp3", tones});
    QCOMPARE(made, 0);
}

void TestSplitLive::cleanupTestCase() {
    BASS_Free();
}

void TestSplitLive::cleanup() {
    // Other tests start from the mounts' own title.
    for (const char* mount : {"/mp3", "/ogg"})
        QVERIFY(changeTitle(mount, QStringLiteral("Quillowave Test - Sine 440")));
}

void TestSplitLive::mp3MountSplitsWithoutLosingABit() {
    QTemporaryDir captureDir;
    const QString capture = captureDir.filePath("capture.mp3");
    QProcess curl;
    curl.start(QStringLiteral("curl"), {"-s", "-N", "--max-time", "120", "-o", capture,
                                        icecast("/mp3")});
    QVERIFY(curl.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(capture).size() > 0; }, kWaitMs));

    SplitRecorder r;
    QVERIFY(r.Play(icecast("/mp3")));
    QVERIFY(r.Record(REC_FORMAT_MP3));
    const QStringList songs = {freshTitle("One"), freshTitle("Two"), freshTitle("Three")};
    for (int i = 0; i < songs.size(); ++i) {
        QVERIFY(changeTitle("/mp3", songs.at(i)));
        QVERIFY2(r.WaitForSplits(i + 1), qPrintable(songs.at(i)));
        QVERIFY(r.engine.RecordingPath().endsWith(songs.at(i) + ".mp3"));
    }
    QVERIFY(r.WaitForMoreBytes(8000));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    curl.terminate();
    curl.waitForFinished(-1);

    const QStringList files = filesBelow(r.folder.path());
    QCOMPARE(files.size(), 4);
    const QString station = files.first().section('/', 0, 0);
    QVERIFY(!station.isEmpty());
    QByteArray joined;
    for (const QString& name : files)
        QCOMPARE(name.section('/', 0, 0), station);
    // In the order recorded: the first file (named from whatever played before), then the songs.
    QStringList ordered = files;
    for (const QString& song : songs)
        QVERIFY2(ordered.removeOne(station + "/" + song + ".mp3"), qPrintable(files.join(", ")));
    for (const QString& song : songs)
        ordered.append(station + "/" + song + ".mp3");
    for (const QString& name : ordered) {
        const QString path = r.folder.filePath(name);
        const QByteArray bytes = qwtest::recordedAudio(path);
        QVERIFY2(bytes.size() > 4000, qPrintable(name));
        // Every file starts at a frame: a header, not the middle of one.
        QVERIFY2(quint8(bytes.at(0)) == 0xFF && (quint8(bytes.at(1)) & 0xE0) == 0xE0,
                 qPrintable(name));
        QCOMPARE(codecOf(path), QString("mp3"));
        joined += bytes;
    }
    // One after the other, the files are the stream's own bytes: nothing lost, nothing twice.
    QVERIFY2(readAll(capture).contains(joined), "the files do not join into the stream");
    for (int i = 0; i < songs.size(); ++i) {
        const QString path = r.folder.filePath(station + "/" + songs.at(i) + ".mp3");
        QCOMPARE(tagOf(path, "artist"), songs.at(i).section(" - ", 0, 0));
        QCOMPARE(tagOf(path, "title"), songs.at(i).section(" - ", 1));
        QCOMPARE(tagOf(path, "album"), r.engine.StationName());
        QCOMPARE(tagOf(path, "comment"), icecast("/mp3"));
    }
}

void TestSplitLive::oggMountSplitsIntoOggFiles() {
    SplitRecorder r;
    QVERIFY(r.Play(icecast("/ogg")));
    QVERIFY(r.Record(REC_FORMAT_SAME));
    const QStringList songs = {freshTitle("Ogg One"), freshTitle("Ogg Two"),
                               freshTitle("Ogg Three")};
    for (int i = 0; i < songs.size(); ++i) {
        QVERIFY(changeTitle("/ogg", songs.at(i)));
        QVERIFY2(r.WaitForSplits(i + 1), qPrintable(songs.at(i)));
    }
    QVERIFY(r.WaitForMoreBytes(8000));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    const QStringList files = filesBelow(r.folder.path());
    QCOMPARE(files.size(), 4);
    for (const QString& song : songs)
        QVERIFY2(files.contains(files.first().section('/', 0, 0) + "/" + song + ".ogg"),
                 qPrintable(files.join(", ")));
    for (const QString& name : files)
        QCOMPARE(codecOf(r.folder.filePath(name)), QString("vorbis"));
}

void TestSplitLive::cutsLieAtTheTitlesByte_data() {
    QTest::addColumn<int>("delayMs");
    QTest::newRow("at the title") << 0;
    QTest::newRow("a second and a half later") << 1500;
}

void TestSplitLive::cutsLieAtTheTitlesByte() {
    QFETCH(int, delayMs);
    QUrlQuery query;
    query.addQueryItem("file", kToneFile);
    query.addQueryItem("name", "Split Tones (Test)");
    query.addQueryItem("titles", "Tone A - One|Tone B - Two|Tone C - Three|Tone D - Four");
    query.addQueryItem("every", QString::number(kSongBytes));
    query.addQueryItem("metaint", "16000");
    const QString url = QString::fromStdString(qwtest::httpUrl("/icy")) + "?" +
                        query.toString(QUrl::FullyEncoded);

    SplitRecorder r;
    r.engine.SetSplitDelay(delayMs);
    QVERIFY(r.Play(url));
    // The first title comes with the first metadata block, which on a busy machine may reach
    // the engine just after playing has begun; recording before it would name a dated file.
    QVERIFY(QTest::qWaitFor([&] { return r.engine.CurrentSong().Text() == "Tone A - One"; },
                            kWaitMs));
    QVERIFY(r.Record(REC_FORMAT_MP3));
    QVERIFY(r.WaitForSplits(3));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    const QStringList files = filesBelow(r.folder.path());
    // The recording began during the first song: its file and the three after it.
    QCOMPARE(files, (QStringList{"Split Tones Test/Tone A - One.mp3",
                                 "Split Tones Test/Tone B - Two.mp3",
                                 "Split Tones Test/Tone C - Three.mp3",
                                 "Split Tones Test/Tone D - Four.mp3"}));
    const double delay = delayMs / 1000.0;
    const QByteArray source =
        readAll(QDir(QString::fromStdString(qwtest::wwwDir())).filePath(kToneFile));
    const QStringList whole = {"Tone B - Two", "Tone C - Three"};
    for (int i = 0; i < whole.size(); ++i) {
        const QString path = r.folder.filePath("Split Tones Test/" + whole.at(i) + ".mp3");
        const auto [start, end] = placeIn(source, qwtest::recordedAudio(path));
        const double expectedStart = (i + 1) * kSongSeconds + delay;
        const QString where =
            QStringLiteral("%1: %2 s to %3 s").arg(whole.at(i)).arg(start).arg(end);
        QVERIFY2(qAbs(start - expectedStart) <= 0.25, qPrintable(where));
        QVERIFY2(qAbs(end - (expectedStart + kSongSeconds)) <= 0.25, qPrintable(where));
    }
}

void TestSplitLive::wishedSongIsRecordedAlone() {
    SplitRecorder r;
    WishWatcher watcher(&r.engine);
    watcher.List().SetEntries({QStringLiteral("no such song"),
                               QStringLiteral("(wished) song.")});
    QStringList wished;
    connect(&watcher, &WishWatcher::sig_recordWish, &r.engine, [&](const QString& entry) {
        wished.append(entry);
        r.engine.SetSingleSong(true);
        r.engine.StartSplitRecording(r.folder.path(), REC_FORMAT_MP3);
    });
    QVERIFY(r.Play(icecast("/mp3")));
    QVERIFY(changeTitle("/mp3", freshTitle("Before")));
    QVERIFY(r.WaitFor(EVENT_META_CHANGED));
    QVERIFY(wished.isEmpty());
    const QString song = freshTitle("The (Wished) Song.");
    QVERIFY(changeTitle("/mp3", song));
    QVERIFY(QTest::qWaitFor([&] { return r.engine.IsRecording(); }, kWaitMs));
    QCOMPARE(wished, QStringList{"(wished) song."});
    QVERIFY(changeTitle("/mp3", freshTitle("After")));
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    QVERIFY(r.engine.IsPlaying());

    const QStringList files = filesBelow(r.folder.path());
    QCOMPARE(files.size(), 1);
    QVERIFY2(files.first().endsWith("/" + freshTitle("The (Wished) Song") + ".mp3"),
             qPrintable(files.first()));
    QCOMPARE(codecOf(r.folder.filePath(files.first())), QString("mp3"));
}

QTEST_GUILESS_MAIN(TestSplitLive)
#include "tst_splitlive.moc"
