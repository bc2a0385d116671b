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
#include "support/mediaprobe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QtEndian>

#include <cmath>
#include <cstring>

using namespace BASS;

namespace {

constexpr int kWaitMs = qwtest::LiveEngine::WaitMs;
// Four songs of three seconds, one tone each; at 128 kbit/s a song is 48000 bytes.
constexpr int kSongSeconds = 3;
constexpr int kSongBytes = kSongSeconds * 16000;
const int kTones[] = {440, 660, 880, 550};
const char* const kToneFile = "splittones.mp3";
// The same tones as an Ogg station sends them: a logical stream for each song, its title in
// the stream's own comments.
const char* const kOggToneFile = "splittones.ogg";
const char* const kOggSongs[] = {"Ogg Tone A - One", "Ogg Tone B - Two", "Ogg Tone C - Three",
                                 "Ogg Tone D - Four"};

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString codecOf(const QString& path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name",
                   "-of", "default=nw=1:nk=1", path});
    ffprobe.waitForFinished(-1);
    return QString::fromLatin1(ffprobe.readAllStandardOutput()).trimmed();
}

// One tag of a file as ffprobe reads it: of the container, or of the stream for Ogg.
QString tagOf(const QString& path, const QString& key) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-show_entries", "format_tags=" + key + ":stream_tags=" + key,
                   "-of", "default=nw=1:nk=1", path});
    ffprobe.waitForFinished(-1);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed().section('\n', 0, 0);
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

// An Ogg audio page as the stream sent it: serial, granule position and payload, which stay
// the same when a tagger renumbers the pages of a file.
struct OggAudioPage {
    quint32 serial = 0;
    quint64 granule = 0;
    QByteArray body;
    bool operator==(const OggAudioPage&) const = default;
};

// The pages of Ogg bytes, in order; firstPages counts those that begin a logical stream.
QList<OggAudioPage> oggAudioPages(const QByteArray& bytes, int* firstPages = nullptr) {
    QList<OggAudioPage> pages;
    qsizetype at = bytes.indexOf("OggS");
    while (at >= 0 && at + 27 <= bytes.size()) {
        const auto* h = reinterpret_cast<const uchar*>(bytes.constData() + at);
        const int segments = h[26];
        qsizetype body = 0;
        for (int i = 0; i < segments; ++i)
            body += h[27 + i];
        const qsizetype header = 27 + segments;
        if (firstPages && (h[5] & 0x02))
            ++*firstPages;
        const quint64 granule = qFromLittleEndian<quint64>(h + 6);
        if (granule != 0 && granule != ~quint64(0))
            pages.append(
                {qFromLittleEndian<quint32>(h + 14), granule, bytes.mid(at + header, body)});
        at = bytes.indexOf("OggS", at + header + body);
    }
    return pages;
}

// A capture of a mount by curl while a test records it.
struct Capture {
    QTemporaryDir dir;
    QString path = dir.filePath("capture");
    QProcess curl;
    explicit Capture(const QString& url) {
        curl.start(QStringLiteral("curl"), {"-s", "-N", "--max-time", "120", "-o", path, url});
    }
    bool WaitForData() {
        return curl.waitForStarted() &&
               QTest::qWaitFor([&] { return QFileInfo(path).size() > 0; }, kWaitMs);
    }
    QByteArray Stop() {
        curl.terminate();
        curl.waitForFinished(-1);
        return readAll(path);
    }
};

// The files below folder in the order a split recording made them: the first one, named from
// whatever played before, then the songs. Empty when a song has no file.
QStringList inRecordedOrder(const QStringList& files, const QStringList& songs,
                            const QString& extension) {
    if (files.isEmpty())
        return {};
    const QString station = files.first().section('/', 0, 0);
    QStringList ordered = files;
    for (const QString& song : songs) {
        if (!ordered.removeOne(station + "/" + song + extension))
            return {};
    }
    for (const QString& song : songs)
        ordered.append(station + "/" + song + extension);
    return ordered;
}

// The decoded audio of a file, mono at 44100 Hz.
QVector<float> decodedMono(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-ac", "1", "-ar", "44100",
                                            "-f", "f32le", "-"});
    ffmpeg.waitForFinished(-1);
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    QVector<float> samples(bytes.size() / qsizetype(sizeof(float)));
    std::memcpy(samples.data(), bytes.constData(), size_t(samples.size()) * sizeof(float));
    return samples;
}

// The power of one frequency in a window (Goertzel).
double powerAt(const float* samples, int count, double hz) {
    const double coefficient = 2 * std::cos(2 * M_PI * hz / 44100);
    double previous = 0;
    double beforePrevious = 0;
    for (int i = 0; i < count; ++i) {
        const double value = samples[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = value;
    }
    return previous * previous + beforePrevious * beforePrevious -
           coefficient * previous * beforePrevious;
}

// How long, in ms, the neighbour's tone lasts at one end of a file of the own tone: 20 ms
// windows moved 5 ms at a time from that end until the own tone outweighs the neighbour's.
// The first such window holds about 10 ms of the neighbour's tone beyond its start.
double neighbourMs(const QVector<float>& samples, int ownHz, int neighbourHz, bool atEnd) {
    constexpr int kWindow = 882;
    constexpr int kHop = 220;
    for (int offset = 0; offset + kWindow <= samples.size(); offset += kHop) {
        const float* window = samples.constData() +
                              (atEnd ? samples.size() - kWindow - offset : offset);
        if (powerAt(window, kWindow, ownHz) > powerAt(window, kWindow, neighbourHz))
            return offset * 1000.0 / 44100 + 10;
    }
    return samples.size() * 1000.0 / 44100;
}

// What the decoded file of song `index` holds of the songs either side of it: empty when less
// than 60 ms at each end, else how much.
QString neighbourTones(const QVector<float>& song, int index) {
    const double early = neighbourMs(song, kTones[index], kTones[index - 1], false);
    const double late = neighbourMs(song, kTones[index], kTones[index + 1], true);
    if (early < 60 && late < 60)
        return {};
    return QStringLiteral("%1 ms of the song before, %2 ms of the next").arg(early).arg(late);
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
    void oggMountCopiedIntoWholeOggFiles();
    void cutsLieAtTheTitlesByte_data();
    void cutsLieAtTheTitlesByte();
    void encodedCutsLieAtTheTitlesSample_data();
    void encodedCutsLieAtTheTitlesSample();
    void wishedSongIsRecordedAlone();
    void wishedSongEncodedHoldsItsToneOnly();
    void oggStationReEncodedCutsWhereEachSongsStreamBegins();

private:
    static QString toneUrl() {
        QUrlQuery query;
        query.addQueryItem("file", kToneFile);
        query.addQueryItem("name", "Split Tones (Test)");
        query.addQueryItem("titles", "Tone A - One|Tone B - Two|Tone C - Three|Tone D - Four");
        query.addQueryItem("every", QString::number(kSongBytes));
        query.addQueryItem("metaint", "16000");
        return QString::fromStdString(qwtest::httpUrl("/icy")) + "?" +
               query.toString(QUrl::FullyEncoded);
    }
    // A title no earlier run has set, so that the mount really changes.
    QString freshTitle(const QString& song) const {
        return QStringLiteral("Split %1 - %2").arg(m_run).arg(song);
    }
    bool changeTitle(const char* mount, const QString& title) {
        return qwtest::setMountTitle(mount, title.toStdString());
    }
    // Gives the mount each song's title in turn, each starting a file named after it, and
    // stops the recording once the last song has some audio.
    void recordSongs(SplitRecorder& r, const char* mount, const QStringList& songs,
                     const QString& extension) {
        for (int i = 0; i < songs.size(); ++i) {
            QVERIFY(changeTitle(mount, songs.at(i)));
            QVERIFY2(r.WaitForSplits(i + 1), qPrintable(songs.at(i)));
            QVERIFY2(r.engine.RecordingPath().endsWith(songs.at(i) + extension),
                     qPrintable(r.engine.RecordingPath()));
        }
        QVERIFY(r.WaitForMoreBytes(8000));
        r.engine.StopRecording();
        QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
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
    const int made = QProcess::execute(QStringLiteral("ffmpeg"),
                                       {"-v", "error", "-y", "-filter_complex", filter, "-ac", "2",
                                        "-c:a", "libmp3lame", "-b:a", "128k", "-write_xing", "0",
                                        "-id3v2_version", "0", "-f", "mp3", tones});
    QCOMPARE(made, 0);
    QFile chained(QDir(QString::fromStdString(qwtest::wwwDir())).filePath(kOggToneFile));
    QVERIFY(chained.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QTemporaryDir parts;
    for (int i = 0; i < 4; ++i) {
        const QString part = parts.filePath(QString::number(i) + ".ogg");
        const QString song = QString::fromLatin1(kOggSongs[i]);
        const int encoded = QProcess::execute(
            QStringLiteral("ffmpeg"),
            {"-v", "error", "-y", "-f", "lavfi", "-i",
             QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2")
                 .arg(kTones[i])
                 .arg(kSongSeconds),
             "-af", "volume=0.5", "-ac", "2", "-c:a", "libvorbis", "-q:a", "2", "-serial_offset",
             QString::number(100 + i), "-metadata", "artist=" + song.section(" - ", 0, 0),
             "-metadata", "title=" + song.section(" - ", 1), part});
        QCOMPARE(encoded, 0);
        chained.write(readAll(part));
    }
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
    Capture capture(icecast("/mp3"));
    QVERIFY(capture.WaitForData());
    SplitRecorder r;
    QVERIFY(r.Play(icecast("/mp3")));
    QVERIFY(r.Record(REC_FORMAT_MP3));
    const QStringList songs = {freshTitle("One"), freshTitle("Two"), freshTitle("Three")};
    recordSongs(r, "/mp3", songs, ".mp3");
    if (QTest::currentTestFailed())
        return;
    const QByteArray sent = capture.Stop();

    const QStringList files = filesBelow(r.folder.path());
    QCOMPARE(files.size(), 4);
    const QString station = files.first().section('/', 0, 0);
    QVERIFY(!station.isEmpty());
    QByteArray joined;
    for (const QString& name : files)
        QCOMPARE(name.section('/', 0, 0), station);
    const QStringList ordered = inRecordedOrder(files, songs, ".mp3");
    QVERIFY2(ordered.size() == 4, qPrintable(files.join(", ")));
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
    QVERIFY2(sent.contains(joined), "the files do not join into the stream");
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

void TestSplitLive::oggMountCopiedIntoWholeOggFiles() {
    // A title the mount does not have yet: the server is then done starting streams anew
    // (setting a title it already has returns before its new stream begins).
    QVERIFY(changeTitle("/ogg", freshTitle("Copy Before")));
    Capture capture(icecast("/ogg"));
    QVERIFY(capture.WaitForData());
    SplitRecorder r;
    r.engine.AddDirectFormat(REC_FORMAT_OGG);
    // The delay postpones only the next file's opening: the cut stays at the new stream.
    r.engine.SetSplitDelay(700);
    QVERIFY(r.Play(icecast("/ogg")));
    // The server's burst may still be coming in when the play starts, with older streams (and
    // their titles) ahead of the one begun above: the recording starts once that one plays.
    QVERIFY(QTest::qWaitFor(
        [&] { return r.engine.CurrentSong().Text() == freshTitle("Copy Before"); }, kWaitMs));
    QVERIFY(r.Record(REC_FORMAT_SAME));
    const QStringList songs = {freshTitle("Copy One"), freshTitle("Copy Two"),
                               freshTitle("Copy Three")};
    recordSongs(r, "/ogg", songs, ".ogg");
    if (QTest::currentTestFailed())
        return;
    const QList<OggAudioPage> sent = oggAudioPages(capture.Stop());

    const QStringList files = inRecordedOrder(filesBelow(r.folder.path()), songs, ".ogg");
    QVERIFY2(files.size() == 4, qPrintable(filesBelow(r.folder.path()).join(", ")));
    QList<OggAudioPage> recorded;
    for (const QString& name : files) {
        const QString path = r.folder.filePath(name);
        const QByteArray bytes = readAll(path);
        // A file of its own: it begins a logical stream and decodes whole, checksums included.
        QVERIFY2(bytes.startsWith("OggS") && (bytes.at(5) & 0x02), qPrintable(name));
        QCOMPARE(codecOf(path), QString("vorbis"));
        const QString errors = qwtest::decodeErrors(path);
        QVERIFY2(errors.isEmpty(), qPrintable(name + ": " + errors));
        int streams = 0;
        const QList<OggAudioPage> pages = oggAudioPages(bytes, &streams);
        QVERIFY2(!pages.isEmpty(), qPrintable(name));
        // A song's file holds its own logical stream only. The first file may hold more: a
        // stream begun again under the same title (the server may do so when a title is set
        // just after another) goes on in the same file.
        QVERIFY2(streams == 1 || name == files.first(), qPrintable(name));
        recorded += pages;
    }
    // One after the other, the files carry the audio pages the server sent, none lost at a
    // cut and none twice.
    const qsizetype first = sent.indexOf(recorded.first());
    QVERIFY(first >= 0);
    QVERIFY(sent.mid(first, recorded.size()) == recorded);
    for (const QString& song : songs) {
        const QString path =
            r.folder.filePath(files.first().section('/', 0, 0) + "/" + song + ".ogg");
        QCOMPARE(tagOf(path, "artist"), song.section(" - ", 0, 0));
        QCOMPARE(tagOf(path, "title"), song.section(" - ", 1));
    }
}

void TestSplitLive::cutsLieAtTheTitlesByte_data() {
    QTest::addColumn<int>("delayMs");
    QTest::newRow("at the title") << 0;
    QTest::newRow("a second and a half later") << 1500;
}

void TestSplitLive::cutsLieAtTheTitlesByte() {
    QFETCH(int, delayMs);
    const QString url = toneUrl();

    SplitRecorder r;
    r.engine.SetSplitDelay(delayMs);
    QVERIFY(r.Play(url));
    // The first title comes with the first metadata block, which on a busy machine may reach
    // the engine just after playing has begun; recording before it would name a dated file.
    QVERIFY(
        QTest::qWaitFor([&] { return r.engine.CurrentSong().Text() == "Tone A - One"; }, kWaitMs));
    QVERIFY(r.Record(REC_FORMAT_MP3));
    QVERIFY(r.WaitForSplits(3));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    const QStringList files = filesBelow(r.folder.path());
    // The recording began during the first song: its file and the three after it.
    QCOMPARE(
        files,
        (QStringList{"Split Tones Test/Tone A - One.mp3", "Split Tones Test/Tone B - Two.mp3",
                     "Split Tones Test/Tone C - Three.mp3", "Split Tones Test/Tone D - Four.mp3"}));
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

void TestSplitLive::encodedCutsLieAtTheTitlesSample_data() {
    cutsLieAtTheTitlesByte_data();
}

// Re-encoded, a file holds its song's tone from its first sample to its last: the cut lies at
// the title's sample (moved by the delay), not where the engine's thread got to it.
void TestSplitLive::encodedCutsLieAtTheTitlesSample() {
    QFETCH(int, delayMs);
    SplitRecorder r;
    // Re-encoded, not copied as it comes.
    r.engine.ClearDirectFormats();
    r.engine.SetSplitDelay(delayMs);
    QVERIFY(r.Play(toneUrl()));
    QVERIFY(
        QTest::qWaitFor([&] { return r.engine.CurrentSong().Text() == "Tone A - One"; }, kWaitMs));
    QVERIFY(r.Record(REC_FORMAT_OGG));
    QVERIFY(r.WaitForSplits(3));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    const QStringList songs = {"Tone A - One", "Tone B - Two", "Tone C - Three", "Tone D - Four"};
    QCOMPARE(filesBelow(r.folder.path()).size(), songs.size());
    // With a delay a file begins that much into its song and ends as much into the next.
    const int shift = delayMs * 44100 / 1000;
    for (int i = 1; i < 3; ++i) {
        const QString name = songs.at(i);
        const QVector<float> audio =
            decodedMono(r.folder.filePath("Split Tones Test/" + name + ".ogg"));
        QVERIFY2(audio.size() > kSongSeconds * 44100 * 9 / 10, qPrintable(name));
        const QVector<float> own = audio.mid(0, audio.size() - shift);
        const QVector<float> next = audio.mid(audio.size() - shift);
        const QString spill = neighbourTones(own, i);
        QVERIFY2(spill.isEmpty(), qPrintable(name + ": " + spill));
        if (shift > 0)
            QVERIFY2(neighbourMs(next, kTones[i + 1], kTones[i], false) < 60, qPrintable(name));
    }
}

void TestSplitLive::wishedSongIsRecordedAlone() {
    SplitRecorder r;
    WishWatcher watcher(&r.engine);
    watcher.List().SetEntries({QStringLiteral("no such song"), QStringLiteral("(wished) song.")});
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

// A wished song recorded re-encoded begins and ends with its own tone, though the wish is
// seen on the engine's thread after the title.
void TestSplitLive::wishedSongEncodedHoldsItsToneOnly() {
    SplitRecorder r;
    r.engine.ClearDirectFormats();
    WishWatcher watcher(&r.engine);
    watcher.List().SetEntries({QStringLiteral("Tone C")});
    connect(&watcher, &WishWatcher::sig_recordWish, &r.engine, [&] {
        r.engine.SetSingleSong(true);
        r.engine.StartSplitRecording(r.folder.path(), REC_FORMAT_OGG);
    });
    QVERIFY(r.Play(toneUrl()));
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    const QStringList files = filesBelow(r.folder.path());
    QCOMPARE(files, QStringList{"Split Tones Test/Tone C - Three.ogg"});
    const QVector<float> audio = decodedMono(r.folder.filePath(files.first()));
    QVERIFY(audio.size() > kSongSeconds * 44100 * 9 / 10);
    const QString spill = neighbourTones(audio, 2);
    QVERIFY2(spill.isEmpty(), qPrintable(spill));
}

// An Ogg station's title arrives with the header pages of the song's own stream, perhaps in the
// same data as its first audio: re-encoded, each file still begins at that stream's first sample.
// Sent eight times faster than it plays, the stream soon fills the download buffer, and each
// block is then written in parts while the decoder reads the parts already in.
void TestSplitLive::oggStationReEncodedCutsWhereEachSongsStreamBegins() {
    const QString file = QDir(QString::fromStdString(qwtest::wwwDir())).filePath(kOggToneFile);
    const qint64 bytesPerSecond = QFileInfo(file).size() / (4 * kSongSeconds);
    const QString url = QString::fromStdString(qwtest::httpUrl("/icy")) +
                        QStringLiteral("?file=%1&meta=never&name=Ogg%20Tones&rate=%2")
                            .arg(kOggToneFile)
                            .arg(bytesPerSecond * 8);
    SplitRecorder r;
    r.engine.ClearDirectFormats();
    QVERIFY(r.Play(url));
    QVERIFY(QTest::qWaitFor([&] { return r.engine.CurrentSong().Text() == kOggSongs[0]; },
                            kWaitMs));
    QVERIFY(r.Record(REC_FORMAT_OGG));
    QVERIFY(r.WaitForSplits(3));
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    QCOMPARE(filesBelow(r.folder.path()).size(), 4);
    for (int i = 1; i < 3; ++i) {
        const QString name = QString::fromLatin1(kOggSongs[i]);
        const QVector<float> audio = decodedMono(r.folder.filePath("Ogg Tones/" + name + ".ogg"));
        QVERIFY2(audio.size() > kSongSeconds * 44100 * 9 / 10, qPrintable(name));
        const QString spill = neighbourTones(audio, i);
        QVERIFY2(spill.isEmpty(), qPrintable(name + ": " + spill));
    }
}

QTEST_GUILESS_MAIN(TestSplitLive)
#include "tst_splitlive.moc"
