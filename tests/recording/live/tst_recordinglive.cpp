// Recordings of the real Icecast mounts: direct copies equal to what the server sent, re-encoded
// files that players open with the fixture's tone, the song buffer, and the faults a recording
// meets (folders, a full disk, missing or dying encoders, a dropped stream), each of which stops
// the recording with its message while playback goes on, and leaves a file that opens.

#include "audio/bass.h"
#include "bass/bassevents.h"
#include "bass/qtbassconnectthread.h"
#include "recording/appstream.h"
#include "support/fixture.h"
#include "support/liveengine.h"
#include "support/mediaprobe.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using namespace BASS;
using qwtest::probe;

namespace {

constexpr int kMp3BytesPerSecond = 16000;

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

// Seconds of audio and the tone's frequency, from the decoded samples' zero crossings (with a
// margin, so that coding noise around zero does not count).
QPair<double, double> decodeTone(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-ac", "1", "-ar", "44100",
                                            "-f", "s16le", "-"});
    ffmpeg.waitForFinished(-1);
    const QByteArray pcm = ffmpeg.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    constexpr qint16 kMargin = 1000;
    int crossings = 0;
    bool positive = false;
    for (qsizetype i = 0; i < count; ++i) {
        if ((positive && samples[i] < -kMargin) || (!positive && samples[i] > kMargin)) {
            positive = !positive;
            ++crossings;
        }
    }
    const double seconds = static_cast<double>(count) / 44100.0;
    return {seconds, seconds > 0 ? crossings / 2.0 / seconds : 0.0};
}

// Recordings go to a folder of their station's inside the recording folder.
QStringList recordedFiles(const QString& folder, const QString& pattern) {
    QStringList files;
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Child processes of this test that have ended but were not reaped.
int zombieChildren() {
    int zombies = 0;
    const QString me = QString::number(getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) == "Z" && fields.at(1) == me.toLatin1())
            ++zombies;
    }
    return zombies;
}

} // namespace

// One engine with its connect thread, recording into its own folder.
struct Recorder : qwtest::LiveEngine {
    QSignalSpy errors{&engine, &BassQt::sig_errorShown};

    bool Record(int format) {
        engine.ClearDirectFormats();
        engine.SetSplitMode(SPLIT_NONE);
        return engine.StartRecordingInFolder(folder.path(), format);
    }

    bool WaitForError() { return !errors.isEmpty() || errors.wait(WaitMs); }
    QString Error() const { return errors.isEmpty() ? QString() : errors.last().at(1).toString(); }
};

class TestRecordingLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void directCopyEqualsTheServersBytes();
    void formats_data();
    void formats();
    void songBufferStartsAtTheSongsStart();
    void folderThatCannotTakeFiles();
    void fullDiskStopsAndKeepsAPlayableFile_data();
    void fullDiskStopsAndKeepsAPlayableFile();
    void missingEncoderIsNamed();
    void encoderThatDiesStopsTheRecording_data();
    void encoderThatDiesStopsTheRecording();
    void cliRecordsAndClosesWhenTheStreamDrops();
    void cliCreatesAMissingFolder();
};

void TestRecordingLive::initTestCase() {
    QVERIFY2(!icecast("/mp3").isEmpty(), "the Icecast fixture is not running");
    std::signal(SIGXFSZ, SIG_IGN);
    QString error;
    QVERIFY2(CBass::Init(0, &error, 0, true, 0, "Quillowave", nullptr), qPrintable(error));
}

void TestRecordingLive::cleanupTestCase() {
    BASS_Free();
}

void TestRecordingLive::directCopyEqualsTheServersBytes() {
    QTemporaryDir captureDir;
    const QString capture = captureDir.filePath("capture.mp3");
    QProcess curl;
    curl.start(QStringLiteral("curl"), {"-s", "-N", "--max-time", "60", "-o", capture,
                                        icecast("/mp3")});
    QVERIFY(curl.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(capture).size() > 0; }, 10000));

    Recorder r;
    QVERIFY(r.Play(icecast("/mp3")));
    QVERIFY(r.Record(REC_FORMAT_MP3));
    const QString file = r.engine.RecordingPath();
    QVERIFY(file.endsWith(".mp3"));
    QTest::qWait(20000);
    r.engine.StopRecording();
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    curl.terminate();
    curl.waitForFinished(-1);

    const QByteArray recorded = qwtest::recordedAudio(file);
    QCOMPARE(static_cast<quint64>(recorded.size()), r.engine.BytesRecorded());
    QVERIFY(recorded.size() > 19 * kMp3BytesPerSecond);
    // The server's bytes with the metadata blocks cut out, as a listener without them gets.
    QVERIFY2(readAll(capture).contains(recorded), "the recording is not the stream's own bytes");
    const auto info = probe(file);
    QCOMPARE(info.value("codec_name"), QString("mp3"));
    QCOMPARE(info.value("bit_rate"), QString("128000"));
    // The song buffer puts the song's earlier bytes before the 20 s recorded: the file lasts as
    // long as its bytes at 128 kbit/s.
    const double expected = double(recorded.size()) / kMp3BytesPerSecond;
    QVERIFY2(qAbs(info.value("duration").toDouble() - expected) < 0.03 * expected,
             qPrintable(info.value("duration")));
}

void TestRecordingLive::formats_data() {
    QTest::addColumn<QString>("mount");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("codec");
    QTest::newRow("aac as it comes") << "/aac" << int(REC_FORMAT_SAME) << "aac";
    QTest::newRow("ogg in its own format") << "/ogg" << int(REC_FORMAT_SAME) << "vorbis";
    QTest::newRow("mp3 to ogg") << "/mp3" << int(REC_FORMAT_OGG) << "vorbis";
    QTest::newRow("mp3 to flac") << "/mp3" << int(REC_FORMAT_FLAC) << "flac";
    QTest::newRow("mp3 to aac") << "/mp3" << int(REC_FORMAT_AAC) << "aac";
    QTest::newRow("mp3 to wma") << "/mp3" << int(REC_FORMAT_WMA) << "wmav2";
}

void TestRecordingLive::formats() {
    QFETCH(QString, mount);
    QFETCH(int, format);
    QFETCH(QString, codec);
    if (format == REC_FORMAT_WMA && !BASS_WMA_EncodeGetRates(44100, 2, BASS_WMA_ENCODE_STANDARD))
        QSKIP("this audio library has no WMA encoder");
    Recorder r;
    // Without the song buffer the file holds just the time recorded.
    r.engine.SetRecBufferCapacity(0);
    QVERIFY(r.Play(icecast(mount.toLatin1().constData())));
    if (!r.Record(format))
        QFAIL(qPrintable(r.WaitForError() ? r.Error() : QStringLiteral("no message")));
    const QString file = r.engine.RecordingPath();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(8000);
    // Stopping playback ends the recording first and finalises the container.
    r.engine.Stop(0);
    const double recordedSeconds = clock.elapsed() / 1000.0;
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));

    QCOMPARE(probe(file).value("codec_name"), codec);
    // Decoded, not read from a header: a FLAC written through a pipe states no length.
    const auto [seconds, frequency] = decodeTone(file);
    QVERIFY2(qAbs(seconds - recordedSeconds) < 0.03 * recordedSeconds + 0.5,
             qPrintable(QStringLiteral("%1 s in the file, %2 s recorded")
                            .arg(seconds)
                            .arg(recordedSeconds)));
    QVERIFY2(qAbs(frequency - 440.0) < 5.0, qPrintable(QString::number(frequency)));
}

void TestRecordingLive::songBufferStartsAtTheSongsStart() {
    Recorder buffered;
    Recorder unbuffered;
    unbuffered.engine.SetRecBufferCapacity(0);
    QVERIFY(buffered.Play(icecast("/mp3")));
    QVERIFY(unbuffered.Play(icecast("/mp3")));
    // A new song empties the buffers; from then on the buffered engine keeps the song's bytes.
    QSignalSpy titles(&buffered.engine, &BassQt::sig_bassEvent);
    QVERIFY(qwtest::setMountTitle("/mp3", "Buffer Test - Song Start"));
    QVERIFY(QTest::qWaitFor(
        [&] { return buffered.engine.CurrentSong().Text().contains("Song Start"); }, 20000));
    QTest::qWait(4000);
    const quint32 held = buffered.engine.Record().Recording().BufferFill();
    QVERIFY(held > 3 * kMp3BytesPerSecond);
    QVERIFY(!unbuffered.engine.Record().Recording().HasBufferedData());
    QVERIFY(buffered.Record(REC_FORMAT_MP3));
    QVERIFY(unbuffered.Record(REC_FORMAT_MP3));
    QTest::qWait(2000);
    buffered.engine.StopRecording();
    unbuffered.engine.StopRecording();
    const qint64 withBuffer = QFileInfo(buffered.engine.RecordingPath()).size();
    const qint64 without = QFileInfo(unbuffered.engine.RecordingPath()).size();
    QVERIFY2(qAbs(withBuffer - without - qint64(held)) < 2 * kMp3BytesPerSecond,
             qPrintable(QStringLiteral("%1 with, %2 without, %3 held").arg(withBuffer).arg(without).arg(held)));
    QVERIFY(qwtest::setMountTitle("/mp3", "Quillowave Test - Sine 440"));
}

void TestRecordingLive::folderThatCannotTakeFiles() {
    Recorder r;
    QVERIFY(r.Play(icecast("/mp3")));
    r.engine.ClearDirectFormats();
    // Not even root may create a file here.
    QVERIFY(!r.engine.StartRecordingInFolder(QStringLiteral("/proc/self"), REC_FORMAT_MP3));
    QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    QVERIFY(r.WaitForError());
    QVERIFY2(r.Error().startsWith("Recording failed: Unable to create output file\n"),
             qPrintable(r.Error()));
    QVERIFY(r.Error().contains("/proc/self/"));
    QVERIFY(!r.engine.IsRecording());
    QVERIFY(r.engine.IsPlaying());
}

void TestRecordingLive::fullDiskStopsAndKeepsAPlayableFile_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<uint>("event");
    QTest::addColumn<QString>("message");
    QTest::newRow("direct copy") << int(REC_FORMAT_MP3) << uint(EVENT_WRITE_FAILED) << "";
    QTest::newRow("encoder") << int(REC_FORMAT_OGG) << uint(EVENT_RECORD_STOPPED)
                             << "Recording failed - Unable to write to disk\n";
}

void TestRecordingLive::fullDiskStopsAndKeepsAPlayableFile() {
    QFETCH(int, format);
    QFETCH(uint, event);
    QFETCH(QString, message);
    Recorder r;
    QVERIFY(r.Play(icecast("/mp3")));
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 40000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool started = r.Record(format);
    const bool stopped = started && r.WaitFor(event) && r.WaitFor(EVENT_RECORD_STOPPED);
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(started);
    QVERIFY(stopped);
    if (!message.isEmpty()) {
        QVERIFY(r.WaitForError());
        QVERIFY2(r.Error().startsWith(message), qPrintable(r.Error()));
    }
    QVERIFY(!r.engine.IsRecording());
    QVERIFY(r.engine.IsPlaying());
    const QString file = r.engine.RecordingPath();
    QVERIFY(QFileInfo(file).size() > 0);
    QVERIFY(QFileInfo(file).size() <= 40000);
    QCOMPARE(probe(file).value("exit"), QString("0"));
}

void TestRecordingLive::missingEncoderIsNamed() {
    QTemporaryDir emptyFolder;
    const QString oldFolder = CBass::EncoderFolder();
    const QByteArray oldPath = qgetenv("PATH");
    CBass::SetEncoderFolder(emptyFolder.path());
    qputenv("PATH", emptyFolder.path().toLocal8Bit());
    Recorder r;
    const bool playing = r.Play(icecast("/mp3"));
    const bool started = playing && r.Record(REC_FORMAT_OGG);
    qputenv("PATH", oldPath);
    CBass::SetEncoderFolder(oldFolder);
    QVERIFY(playing);
    QVERIFY(!started);
    QVERIFY(r.WaitForError());
    QCOMPARE(r.Error(), QString("Recording failed - Missing encoder\n%1/oggenc").arg(emptyFolder.path()));
    QVERIFY(r.engine.IsPlaying());
}

void TestRecordingLive::encoderThatDiesStopsTheRecording_data() {
    QTest::addColumn<QString>("script");
    QTest::newRow("exits at once") << "exit 1";
    QTest::newRow("dies in the middle") << "head -c 200000 >/dev/null; kill -9 $$";
}

void TestRecordingLive::encoderThatDiesStopsTheRecording() {
    QFETCH(QString, script);
    QTemporaryDir encoders;
    QFile program(encoders.filePath("flac"));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write(("#!/bin/sh\n" + script + "\n").toUtf8());
    program.close();
    program.setPermissions(program.permissions() | QFile::ExeOwner);
    const QString oldFolder = CBass::EncoderFolder();
    CBass::SetEncoderFolder(encoders.path());
    Recorder r;
    const bool playing = r.Play(icecast("/mp3"));
    const bool started = playing && r.Record(REC_FORMAT_FLAC);
    CBass::SetEncoderFolder(oldFolder);
    QVERIFY(playing);
    if (started)
        QVERIFY(r.WaitFor(EVENT_RECORD_STOPPED));
    QVERIFY(r.WaitForError());
    QVERIFY2(r.Error().contains(encoders.filePath("flac")), qPrintable(r.Error()));
    QVERIFY(!r.engine.IsRecording());
    QVERIFY(r.engine.IsPlaying());
    QVERIFY(QTest::qWaitFor([] { return zombieChildren() == 0; }, 5000));
}

void TestRecordingLive::cliRecordsAndClosesWhenTheStreamDrops() {
    QTemporaryDir folder;
    QProcess cli;
    cli.setProcessChannelMode(QProcess::MergedChannels);
    cli.start(QStringLiteral(QW_CLI_PATH),
              {"record", icecast("/mp3"), "--folder", folder.path(), "--device", "0"});
    QVERIFY(QTest::qWaitFor([&] { return cli.readAll().contains("] bytes "); }, 30000));
    QTest::qWait(2000);
    QVERIFY(qwtest::stopSource("/mp3"));
    const bool ended = cli.waitForFinished(60000);
    QVERIFY(qwtest::startSource("/mp3"));
    QVERIFY(ended);
    const QString output = QString::fromUtf8(cli.readAll());
    QVERIFY2(output.contains("] closed "), qPrintable(output));
    const QStringList files = recordedFiles(folder.path(), "*.mp3");
    QCOMPARE(files.size(), 1);
    QCOMPARE(probe(files.first()).value("codec_name"), QString("mp3"));
}

void TestRecordingLive::cliCreatesAMissingFolder() {
    QTemporaryDir base;
    const QString folder = base.filePath("new/recordings");
    QProcess cli;
    cli.setProcessChannelMode(QProcess::MergedChannels);
    cli.start(QStringLiteral(QW_CLI_PATH), {"record", icecast("/aac"), "--folder", folder,
                                            "--format", "same", "--seconds", "3", "--device", "0"});
    QVERIFY(cli.waitForFinished(60000));
    const QString output = QString::fromUtf8(cli.readAll());
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY2(output.contains("] recording " + folder + "/"), qPrintable(output));
    QVERIFY(output.contains(".aac, "));
    const QStringList files = recordedFiles(folder, "*.aac");
    QCOMPARE(files.size(), 1);
    QCOMPARE(probe(files.first()).value("codec_name"), QString("aac"));
}

QTEST_GUILESS_MAIN(TestRecordingLive)
#include "tst_recordinglive.moc"
