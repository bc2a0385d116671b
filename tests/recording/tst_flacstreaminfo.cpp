// FLAC files written by the flac program through a pipe, as the recorder runs it: the header
// gets its total sample count once the file is closed, the file still decodes, and files that
// are not FLAC, are cut off or already know their length are left exactly as they were.

#include "bass/flacstreaminfo.h"
#include "recording/crecording.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using BASS::FlacStreamInfo;

namespace {

// A 440 Hz tone as 16-bit little-endian samples, channels interleaved.
QByteArray tone(int channels, int rate, int frames) {
    QByteArray pcm(qsizetype(frames) * channels * 2, '\0');
    auto* samples = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < frames; ++i) {
        const auto value = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / rate));
        for (int c = 0; c < channels; ++c)
            samples[i * channels + c] = value;
    }
    return pcm;
}

// Runs a program with input on its standard input; its standard output, or nothing on failure.
QByteArray run(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
               ? process.readAllStandardOutput()
               : QByteArray();
}

QStringList rawInput(int channels, int rate) {
    return {"--force-raw-format",
            "--endian=little",
            "--sign=signed",
            "--bps=16",
            QStringLiteral("--channels=%1").arg(channels),
            QStringLiteral("--sample-rate=%1").arg(rate)};
}

// What the recorder's encoder writes: flac reading raw samples and writing to a pipe.
QByteArray pipedFlac(int channels, int rate, int frames) {
    return run(QStringLiteral("flac"),
               QStringList{"-s", "-c"} + rawInput(channels, rate) + QStringList{"-"},
               tone(channels, rate, frames));
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sample count flac finds when it decodes the whole file; -1 when it fails.
qint64 decodedFrames(const QString& path, int channels) {
    const QByteArray pcm =
        run(QStringLiteral("flac"),
            {"-s", "-d", "-c", "--force-raw-format", "--endian=little", "--sign=signed", path}, {});
    return pcm.isEmpty() ? -1 : pcm.size() / (2 * channels);
}

} // namespace

class TestFlacStreamInfo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!pipedFlac(1, 8000, 100).isEmpty(), "the flac program does not run");
    }

    void pipedFileGetsItsLength_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("frames");
        QTest::newRow("stereo, whole blocks") << 2 << 44100 << 4096 * 10;
        QTest::newRow("stereo, a short last block") << 2 << 44100 << 44100 * 3 + 17;
        QTest::newRow("mono 48 kHz") << 1 << 48000 << 48000 * 2 + 1;
        QTest::newRow("less than one block") << 2 << 22050 << 1000;
        QTest::newRow("a single sample") << 2 << 44100 << 1;
    }

    void pipedFileGetsItsLength() {
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, frames);
        const QString path = m_dir.filePath(QStringLiteral("piped.flac"));
        QVERIFY(writeFile(path, pipedFlac(channels, rate, frames)));
        QCOMPARE(FlacStreamInfo::TotalSamples(path), quint64(0));

        QCOMPARE(FlacStreamInfo::CompleteTotalSamples(path), FlacStreamInfo::Outcome::Completed);
        QCOMPARE(FlacStreamInfo::TotalSamples(path), quint64(frames));
        QCOMPARE(run(QStringLiteral("metaflac"), {"--show-total-samples", path}, {}).trimmed(),
                 QByteArray::number(frames));
        QCOMPARE(decodedFrames(path, channels), qint64(frames));
        // A second close finds the count there already.
        QCOMPARE(FlacStreamInfo::CompleteTotalSamples(path), FlacStreamInfo::Outcome::AlreadyKnown);
    }

    void otherFilesAreLeftAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<FlacStreamInfo::Outcome>("outcome");
        const QByteArray piped = pipedFlac(2, 44100, 44100);
        QTest::newRow("empty") << QByteArray() << FlacStreamInfo::Outcome::NotFlac;
        QTest::newRow("an MP3 frame header")
            << QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(400, '\x55')
            << FlacStreamInfo::Outcome::NotFlac;
        QTest::newRow("the magic alone") << QByteArray("fLaC") << FlacStreamInfo::Outcome::NotFlac;
        QTest::newRow("cut off in the last frame")
            << piped.left(piped.size() - 100) << FlacStreamInfo::Outcome::NoLastFrame;
        QTest::newRow("cut off in the metadata")
            << piped.left(42) << FlacStreamInfo::Outcome::NotFlac;
        QTest::newRow("length known already") << run(QStringLiteral("flac"),
                                                     QStringList{"-s", "-c"} + rawInput(2, 44100) +
                                                         QStringList{"--input-size=17640", "-"},
                                                     tone(2, 44100, 4410))
                                              << FlacStreamInfo::Outcome::AlreadyKnown;
    }

    void otherFilesAreLeftAlone() {
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath(QStringLiteral("other.flac"));
        QVERIFY(writeFile(path, content));
        QTEST(FlacStreamInfo::CompleteTotalSamples(path), "outcome");
        QCOMPARE(readFile(path), content);
    }

    void missingFileIsNoFlac() {
        const QString path = m_dir.filePath(QStringLiteral("never-written.flac"));
        QCOMPARE(FlacStreamInfo::CompleteTotalSamples(path), FlacStreamInfo::Outcome::NotFlac);
        QVERIFY(!QFile::exists(path));
    }

    void closingTheRecordingCompletesTheHeader() {
        const QByteArray piped = pipedFlac(2, 44100, 44100 * 2 + 5);
        const QString path = m_dir.filePath(QStringLiteral("recorded.flac"));
        BASS::CRecording recording;
        QVERIFY(recording.Open(path));
        // In blocks, as the encoder's output arrives.
        for (qsizetype at = 0; at < piped.size(); at += 4096) {
            const QByteArray block = piped.mid(at, 4096);
            QVERIFY(recording.Write(block.constData(), quint32(block.size()), true));
        }
        QCOMPARE(FlacStreamInfo::TotalSamples(path), quint64(0));
        recording.Close();
        QCOMPARE(FlacStreamInfo::TotalSamples(path), quint64(44100 * 2 + 5));
    }
};

QTEST_MAIN(TestFlacStreamInfo)
#include "tst_flacstreaminfo.moc"
