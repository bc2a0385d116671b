// The recording records without a stream: the song buffer and the output file of CRecording,
// CRecord's counters, CEncoderParams' text form, the encoder command lines, and the engine's
// file names and error texts.

#include "bass/cbass.h"
#include "recording/cencoderparams.h"
#include "recording/crecord.h"
#include "recording/crecording.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace BASS;

class TestRecordingCore : public QObject {
    Q_OBJECT
private slots:
    void songBufferIsFlushedIntoADirectFile();
    void encoderFileGetsNoBufferedBytes();
    void overflowEmptiesTheBuffer();
    void noCapacityMeansNoBuffer();
    void openRefusesEmptyNameAndSecondOpen();
    void reopeningTruncates();
    void recordResetZeroesCounters();
    void encoderParamsText_data();
    void encoderParamsText();
    void encoderParamsFromText_data();
    void encoderParamsFromText();
    void mp3CommandLine_data();
    void mp3CommandLine();
    void oggCommandLine_data();
    void oggCommandLine();
    void flacAndAacCommandLines_data();
    void flacAndAacCommandLines();
    void recordingErrorTexts_data();
    void recordingErrorTexts();
    void directFormatRule();

private:
    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

void TestRecordingCore::songBufferIsFlushedIntoADirectFile() {
    QTemporaryDir dir;
    CRecording recording;
    QVERIFY(recording.Write("song start ", 11, false));
    QVERIFY(recording.HasBufferedData());
    const QString path = dir.filePath("direct.mp3");
    QVERIFY(recording.Open(path));
    QVERIFY(recording.Write("live", 4, false));
    QVERIFY(!recording.HasBufferedData());
    recording.Close();
    QCOMPARE(readAll(path), QByteArray("song start live"));
}

void TestRecordingCore::encoderFileGetsNoBufferedBytes() {
    QTemporaryDir dir;
    CRecording recording;
    recording.Write("raw", 3, false);
    const QString path = dir.filePath("encoded.ogg");
    QVERIFY(recording.Open(path));
    QVERIFY(recording.Write("OggS", 4, true));
    recording.Close();
    QCOMPARE(readAll(path), QByteArray("OggS"));
    QVERIFY(recording.HasBufferedData());
}

void TestRecordingCore::overflowEmptiesTheBuffer() {
    CRecording recording;
    recording.SetCapacity(10);
    QVERIFY(recording.Write("123456", 6, false));
    QCOMPARE(recording.BufferFill(), 6U);
    // 6 + 4 reaches the capacity: everything, this block too, is dropped.
    QVERIFY(recording.Write("7890", 4, false));
    QCOMPARE(recording.BufferFill(), 0U);
    QVERIFY(recording.Write("abc", 3, false));
    QCOMPARE(recording.BufferFill(), 3U);
}

void TestRecordingCore::noCapacityMeansNoBuffer() {
    CRecording recording;
    recording.SetCapacity(0);
    QVERIFY(recording.Write("abc", 3, false));
    QVERIFY(!recording.HasBufferedData());
}

void TestRecordingCore::openRefusesEmptyNameAndSecondOpen() {
    QTemporaryDir dir;
    CRecording recording;
    QVERIFY(!recording.Open(QString()));
    QVERIFY(recording.Open(dir.filePath("a.mp3")));
    QVERIFY(!recording.Open(dir.filePath("b.mp3")));
    QCOMPARE(recording.FileName(), dir.filePath("a.mp3"));
}

void TestRecordingCore::reopeningTruncates() {
    QTemporaryDir dir;
    CRecording recording;
    const QString path = dir.filePath("again.mp3");
    QVERIFY(recording.Open(path));
    recording.Write("old", 3, false);
    recording.Close();
    QVERIFY(!recording.IsOpen());
    QVERIFY(!recording.IsClosing());
    QVERIFY(recording.Open(path));
    recording.Close();
    QCOMPARE(readAll(path), QByteArray());
}

void TestRecordingCore::recordResetZeroesCounters() {
    QTemporaryDir dir;
    CRecord record;
    record.Recording().Write("xyz", 3, false);
    record.AddBytes(10);
    record.AddRecordedSecond();
    record.AddSongSecond();
    record.Reset();
    QCOMPARE(record.BytesWritten(), 0ULL);
    QCOMPARE(record.RecordedSeconds(), 0U);
    QCOMPARE(record.SongSeconds(), 0U);
    QVERIFY(!record.Recording().HasBufferedData());
    QVERIFY(!record.IsRecording());
    QVERIFY(record.Open(dir.filePath("r.mp3")));
    QVERIFY(record.IsRecording());
    QVERIFY(!record.IsEncoderActive());
    record.Stop();
    QVERIFY(!record.IsRecording());
}

void TestRecordingCore::encoderParamsText_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("mp3 abr") << 1 << 1 << "--abr 160";
    QTest::newRow("mp3 cbr") << 1 << 2 << "--cbr -b160";
    QTest::newRow("mp3 vbr") << 1 << 3 << "--vbr-new -V4 -b160 -B320";
    QTest::newRow("wma cbr") << 2 << 2 << "--cbr -b160 -s44100 -c2";
    QTest::newRow("wma vbr") << 2 << 3 << "--vbr -b160 -s44100 -c2";
    QTest::newRow("aac any mode") << 3 << 0 << "- - --silent --cbr 160";
    QTest::newRow("ogg managed") << 4 << 1 << "-b160 -m96 -M320";
    QTest::newRow("ogg quality") << 4 << 2 << "-q4";
    QTest::newRow("mp3 no mode") << 1 << 0 << "";
    QTest::newRow("flac") << 6 << 2 << "";
    QTest::newRow("unknown format") << 7 << 1 << "";
}

void TestRecordingCore::encoderParamsText() {
    QFETCH(int, format);
    QFETCH(int, mode);
    QFETCH(QString, text);
    CEncoderParams params;
    params.m_mode = mode;
    params.m_bitrate = 160;
    params.m_minBitrate = 96;
    params.m_maxBitrate = 320;
    params.m_quality = 4;
    params.m_channels = 2;
    params.m_sampleRate = 44100;
    QCOMPARE(params.ToText(format), text);
    // The text reads back into the fields it was made of.
    if (text.isEmpty())
        return;
    CEncoderParams back;
    back.FromText(format, text);
    QCOMPARE(back.ToText(format), text);
}

void TestRecordingCore::encoderParamsFromText_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<int>("quality");
    QTest::newRow("ogg starts managed") << 4 << "-b128" << 1 << 128 << 0;
    QTest::newRow("quality alone is mode 2") << 4 << "-q6" << 2 << 0 << 6;
    QTest::newRow("separate number") << 1 << "--cbr -b 192" << 2 << 192 << 0;
    QTest::newRow("empty") << 1 << "" << 0 << 0 << 0;
    QTest::newRow("garbage") << 1 << "-x --nonsense -b" << 0 << 0 << 0;
    QTest::newRow("letters after flag") << 1 << "--abr -bfast" << 1 << 0 << 0;
}

void TestRecordingCore::encoderParamsFromText() {
    QFETCH(int, format);
    QFETCH(QString, text);
    CEncoderParams params;
    params.m_channels = 9;
    params.FromText(format, text);
    QTEST(params.m_mode, "mode");
    QTEST(params.m_bitrate, "bitrate");
    QTEST(params.m_quality, "quality");
    QCOMPARE(params.m_channels, 0);
}

void TestRecordingCore::mp3CommandLine_data() {
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<uint>("rate");
    QTest::addColumn<uint>("channels");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("storedBitrate");
    QTest::newRow("128 stereo") << 128 << 44100U << 2U << "" << "--cbr -b 128 -t -r -s 44.1  -" << 128;
    QTest::newRow("192") << 192 << 48000U << 2U << "" << "--cbr -b 192 -t -r -s 48  -" << 192;
    QTest::newRow("0 is quality 4") << 0 << 44100U << 2U << "" << "-V 4 -t -r -s 44.1  -" << 0;
    QTest::newRow("negative") << -3 << 44100U << 2U << "" << "-V 4 -t -r -s 44.1  -" << -3;
    QTest::newRow("5 is quality 5") << 5 << 44100U << 2U << "" << "-V 5 -t -r -s 44.1  -" << 5;
    QTest::newRow("10 too low") << 10 << 44100U << 2U << "" << "--cbr -b 128 -t -r -s 44.1  -" << 128;
    QTest::newRow("400 too high") << 400 << 44100U << 2U << "" << "--cbr -b 128 -t -r -s 44.1  -" << 128;
    QTest::newRow("22050 mono") << 128 << 22050U << 1U << ""
                                << "--cbr -b 128 -t -r -s 22.05 -m mono  -" << 128;
    QTest::newRow("user text") << 128 << 44100U << 2U << "--abr 96"
                               << "--abr 96 -r -s 44.1  -" << 128;
}

void TestRecordingCore::mp3CommandLine() {
    QFETCH(int, bitrate);
    QFETCH(uint, rate);
    QFETCH(uint, channels);
    QFETCH(QString, params);
    QTEST(CBass::Mp3Parameters(bitrate, rate, channels, params), "expected");
    QTEST(bitrate, "storedBitrate");
}

void TestRecordingCore::oggCommandLine_data() {
    QTest::addColumn<int>("stationBitrate");
    QTest::addColumn<uint>("channels");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no bitrate") << 0 << 2U << "" << "-B16 -C2 -R44100 -q5 - -r";
    QTest::newRow("112 kbit/s") << 112 << 2U << "" << "-b112 -B16 -C2 -R44100 -q5 - -r";
    QTest::newRow("mono, user quality") << 0 << 1U << "-q3" << "-B16 -C1 -R44100 -q3 - -r";
}

void TestRecordingCore::oggCommandLine() {
    QFETCH(int, stationBitrate);
    QFETCH(uint, channels);
    QFETCH(QString, params);
    QTEST(CBass::OggParameters(stationBitrate, 44100, channels, params), "expected");
}

void TestRecordingCore::flacAndAacCommandLines_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("params");
    QTest::addColumn<QString>("expected");
    QTest::newRow("flac") << "flac" << ""
                          << "-c --force-raw-format --endian=little --sample-rate=44100 "
                             "--channels=2 --bps=16 --sign=signed -";
    QTest::newRow("faac") << "/opt/enc/faac" << "" << "-P -R 44100 -C 2 -q 100 -o - -";
    QTest::newRow("faac user") << "faac" << "-b 96" << "-P -R 44100 -C 2 -b 96 -o - -";
    QTest::newRow("ffmpeg") << "/usr/bin/ffmpeg" << ""
                            << "-hide_banner -loglevel error -f s16le -ar 44100 -ac 2 -i - "
                               "-c:a aac -q:a 2 -f adts -";
    QTest::newRow("ffmpeg user") << "ffmpeg" << "-c:a aac -b:a 96k"
                                 << "-hide_banner -loglevel error -f s16le -ar 44100 -ac 2 -i - "
                                    "-c:a aac -b:a 96k -f adts -";
}

void TestRecordingCore::flacAndAacCommandLines() {
    QFETCH(QString, program);
    QFETCH(QString, params);
    QFETCH(QString, expected);
    const QString built = program == QLatin1String("flac")
                              ? CBass::FlacParameters(44100, 2, params)
                              : CBass::AacParameters(program, 44100, 2, params);
    QCOMPARE(built, expected);
}

void TestRecordingCore::recordingErrorTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("start");
    QTest::newRow("internal") << 0 << "Internal Error";
    QTest::newRow("missing") << 2 << "Recording failed - Missing encoder";
    QTest::newRow("create") << 3 << "Recording failed: Unable to create output file\n";
    QTest::newRow("write") << 4 << "Recording failed - Unable to write to disk\n";
    QTest::newRow("stopped") << 5 << "Recording failed - Encoder has stopped working";
    QTest::newRow("unknown") << 9 << "Unknown Error";
    QTest::newRow("negative") << -1 << "Unknown Error";
}

void TestRecordingCore::recordingErrorTexts() {
    QFETCH(int, code);
    QFETCH(QString, start);
    CBass engine;
    QVERIFY2(engine.RecordingErrorText(code).startsWith(start),
             qPrintable(engine.RecordingErrorText(code)));
}

void TestRecordingCore::directFormatRule() {
    CBass engine;
    QVERIFY(engine.IsDirectFormat(REC_FORMAT_MP3, REC_FORMAT_MP3));
    QVERIFY(!engine.IsDirectFormat(REC_FORMAT_AAC, REC_FORMAT_MP3));
    engine.AddDirectFormat(REC_FORMAT_AAC);
    QVERIFY(engine.IsDirectFormat(REC_FORMAT_AAC, REC_FORMAT_MP3));
    QVERIFY(!engine.IsDirectFormat(REC_FORMAT_MP3, REC_FORMAT_OGG));
    engine.ClearDirectFormats();
    QVERIFY(!engine.IsDirectFormat(REC_FORMAT_AAC, REC_FORMAT_MP3));
    QVERIFY(!engine.IsRecording());
    QVERIFY(!engine.StartRecordingInFolder(QDir::tempPath(), REC_FORMAT_MP3));
}

QTEST_GUILESS_MAIN(TestRecordingCore)
#include "tst_recordingcore.moc"
