// Where a direct copy is cut: at the first whole frame after the title's byte plus the delay,
// never at a sync pattern inside a frame, and only once enough bytes are in to be sure.

#include "recording/framecutter.h"

#include <QTest>

using BASS::FrameCutter;
using Framing = BASS::FrameCutter::Framing;

namespace {

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes, 418 with padding; 1152 samples (26.1 ms).
QByteArray mp3Frame(bool padded, char fill) {
    QByteArray frame(padded ? 418 : 417, fill);
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90 | (padded ? 0x02 : 0));
    frame[3] = char(0x64);
    return frame;
}

// AAC LC in ADTS, 44.1 kHz stereo, one raw block (1024 samples) per frame of 371 bytes.
QByteArray adtsFrame() {
    const int length = 371;
    QByteArray frame(length, char(0x21));
    frame[0] = char(0xFF);
    frame[1] = char(0xF1);
    frame[2] = char(0x50);
    frame[3] = char(0x80 | ((length >> 11) & 3));
    frame[4] = char((length >> 3) & 0xFF);
    frame[5] = char(((length & 7) << 5) | 0x1F);
    frame[6] = char(0xFC);
    return frame;
}

// count frames; the offsets of their starts in *starts.
QByteArray mp3Stream(int count, QList<int>* starts) {
    QByteArray data;
    for (int i = 0; i < count; ++i) {
        starts->append(data.size());
        // A sync pattern inside each frame's data, as real frames may carry; never a frame's
        // length from the next one, so no chain of them looks like frames.
        QByteArray frame = mp3Frame(i % 3 == 1, char(0x11));
        const int inner = 100 + 37 * (i % 5);
        frame[inner] = char(0xFF);
        frame[inner + 1] = char(0xFB);
        frame[inner + 2] = char(0x90);
        data += frame;
    }
    return data;
}

} // namespace

class TestFrameCutter : public QObject {
    Q_OBJECT
private slots:
    void mp3Cut_data();
    void mp3Cut();
    void waitsForEnoughBytes();
    void adtsCut();
    void headers_data();
    void headers();
    void withoutFramesCutsByRate();
    void oggCutsAtTheTitlesByte();
};

void TestFrameCutter::mp3Cut_data() {
    QTest::addColumn<int>("startInFrame"); // the title's byte, in frame 0
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("expectedFrame");
    QTest::newRow("at a frame start, no delay") << 0 << 0 << 0;
    QTest::newRow("inside a frame: the next one") << 1 << 0 << 1;
    QTest::newRow("past the inner sync pattern") << 50 << 0 << 1;
    // 1000 ms = 38.3 frames of 26.12 ms: the 39th whole frame after the first boundary.
    QTest::newRow("one second later") << 10 << 1000 << 40;
    QTest::newRow("a frame's length later") << 0 << 26 << 1;
    QTest::newRow("just over a frame") << 0 << 27 << 2;
}

void TestFrameCutter::mp3Cut() {
    QFETCH(int, startInFrame);
    QFETCH(int, delayMs);
    QFETCH(int, expectedFrame);
    QList<int> starts;
    const QByteArray stream = mp3Stream(80, &starts);
    const QByteArray window = stream.mid(startInFrame);
    QCOMPARE(FrameCutter::FindCut(window, delayMs, Framing::MpegAudio, 16000),
             starts.at(expectedFrame) - startInFrame);
}

void TestFrameCutter::waitsForEnoughBytes() {
    QList<int> starts;
    const QByteArray stream = mp3Stream(80, &starts);
    // The first boundary is only sure once the frame after it shows its header.
    QCOMPARE(FrameCutter::FindCut(stream.left(starts.at(1) + 2), 0, Framing::MpegAudio, 16000),
             qsizetype(-1));
    QCOMPARE(FrameCutter::FindCut(stream.left(starts.at(1) + 8), 0, Framing::MpegAudio, 16000),
             qsizetype(0));
    // Half a second asked for, a fifth of one in.
    QCOMPARE(FrameCutter::FindCut(stream.left(starts.at(8)), 500, Framing::MpegAudio, 16000),
             qsizetype(-1));
    QCOMPARE(FrameCutter::FindCut(stream, 500, Framing::MpegAudio, 16000),
             qsizetype(starts.at(20)));
}

void TestFrameCutter::adtsCut() {
    QByteArray data = QByteArray(100, char(0x33));
    QList<int> starts;
    for (int i = 0; i < 30; ++i) {
        starts.append(data.size());
        data += adtsFrame();
    }
    QCOMPARE(FrameCutter::FindCut(data, 0, Framing::Adts, 16000), qsizetype(starts.at(0)));
    // 1024 samples at 44.1 kHz = 23.2 ms: 100 ms is 4.3 frames, so the fifth boundary after.
    QCOMPARE(FrameCutter::FindCut(data, 100, Framing::Adts, 16000), qsizetype(starts.at(5)));
    // An MP3 reading of the same bytes finds nothing it trusts.
    QCOMPARE(FrameCutter::FindCut(data, 0, Framing::MpegAudio, 16000), qsizetype(-1));
}

void TestFrameCutter::headers_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("rate");
    QTest::newRow("MPEG-1 III 128k") << QByteArray::fromHex("FFFB9064") << 417 << 1152 << 44100;
    QTest::newRow("padded") << QByteArray::fromHex("FFFB9264") << 418 << 1152 << 44100;
    QTest::newRow("MPEG-1 III 320k 48k") << QByteArray::fromHex("FFFBE464") << 960 << 1152
                                        << 48000;
    QTest::newRow("MPEG-2 III 64k 22.05k") << QByteArray::fromHex("FFF38064") << 208 << 576
                                          << 22050;
    QTest::newRow("MPEG-1 II 192k") << QByteArray::fromHex("FFFDA404") << 576 << 1152 << 48000;
    QTest::newRow("free bit rate") << QByteArray::fromHex("FFFB0064") << 0 << 0 << 0;
    QTest::newRow("bad bit rate") << QByteArray::fromHex("FFFBF064") << 0 << 0 << 0;
    QTest::newRow("reserved rate") << QByteArray::fromHex("FFFB9C64") << 0 << 0 << 0;
    QTest::newRow("reserved version") << QByteArray::fromHex("FFEB9064") << 0 << 0 << 0;
    QTest::newRow("reserved layer") << QByteArray::fromHex("FFF99064") << 0 << 0 << 0;
    QTest::newRow("no sync") << QByteArray::fromHex("FF7B9064") << 0 << 0 << 0;
    QTest::newRow("too short") << QByteArray::fromHex("FFFB90") << 0 << 0 << 0;
}

void TestFrameCutter::headers() {
    QFETCH(QByteArray, header);
    QFETCH(int, length);
    QFETCH(int, samples);
    QFETCH(int, rate);
    const FrameCutter::Frame frame = FrameCutter::ReadHeader(
        reinterpret_cast<const unsigned char*>(header.constData()), header.size(),
        Framing::MpegAudio);
    QCOMPARE(frame.length, length);
    QCOMPARE(frame.samples, samples);
    QCOMPARE(frame.sampleRate, rate);
}

void TestFrameCutter::withoutFramesCutsByRate() {
    const QByteArray noise(FrameCutter::MaxSearchBytes + 20000, char(0x42));
    QCOMPARE(FrameCutter::FindCut(noise.left(1000), 0, Framing::MpegAudio, 16000), qsizetype(-1));
    QCOMPARE(FrameCutter::FindCut(noise, 0, Framing::MpegAudio, 16000), qsizetype(0));
    QCOMPARE(FrameCutter::FindCut(noise, 1000, Framing::MpegAudio, 16000), qsizetype(16000));
}

void TestFrameCutter::oggCutsAtTheTitlesByte() {
    // An Ogg title comes with the first page of the song's own stream: the file starts there.
    QCOMPARE(FrameCutter::FindCut(QByteArray("OggS"), 2500, Framing::Exact, 16000), qsizetype(0));
}

QTEST_GUILESS_MAIN(TestFrameCutter)
#include "tst_framecutter.moc"
