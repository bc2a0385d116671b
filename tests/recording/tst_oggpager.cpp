// Whole Ogg pages out of a chained Vorbis stream fed in uneven pieces: nothing lost or added,
// a page that fails its checksum skipped, and the header pages kept for a file that begins
// inside a logical stream (FFmpeg must decode such a file).

#include "recording/oggpager.h"
#include "support/mediaprobe.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using BASS::OggPager;

namespace {

QByteArray vorbisFile(const QTemporaryDir& dir, const QString& name, int frequency) {
    const QString path = dir.filePath(name);
    const int made = QProcess::execute(
        QStringLiteral("ffmpeg"),
        {"-v", "error", "-y", "-f", "lavfi", "-i",
         QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=2").arg(frequency), "-ac",
         "2", "-c:a", "libvorbis", "-b:a", "112k", "-page_duration", "100000", path});
    QFile file(path);
    return made == 0 && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<OggPager::Page> feedInPieces(OggPager& pager, const QByteArray& bytes) {
    QList<OggPager::Page> pages;
    qsizetype at = 0;
    for (int piece = 1; at < bytes.size(); piece = piece * 7 % 4093 + 1) {
        pager.Feed(bytes.constData() + at, qMin<qsizetype>(piece, bytes.size() - at),
                   [&](const OggPager::Page& page) { pages.append(page); });
        at += piece;
    }
    return pages;
}

QByteArray joined(const QList<OggPager::Page>& pages) {
    QByteArray all;
    for (const OggPager::Page& page : pages)
        all += page.bytes;
    return all;
}

} // namespace

class TestOggPager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void chainedStreamComesOutPageByPage();
    void brokenBytesAreSkipped();
    void headerPagesStartAFileInsideAStream();

private:
    QTemporaryDir m_dir;
    QByteArray m_first;
    QByteArray m_second;
};

void TestOggPager::initTestCase() {
    m_first = vorbisFile(m_dir, "first.ogg", 440);
    m_second = vorbisFile(m_dir, "second.ogg", 660);
    QVERIFY(m_first.startsWith("OggS") && m_second.startsWith("OggS"));
}

void TestOggPager::chainedStreamComesOutPageByPage() {
    OggPager pager;
    const QList<OggPager::Page> pages = feedInPieces(pager, m_first + m_second);
    QCOMPARE(joined(pages), m_first + m_second);
    QList<qsizetype> starts;
    qsizetype at = 0;
    for (const OggPager::Page& page : pages) {
        if (page.firstOfStream)
            starts.append(at);
        at += page.bytes.size();
    }
    QCOMPARE(starts, (QList<qsizetype>{0, m_first.size()}));
    // Each stream's header pages come first and are marked; its audio pages are not.
    QVERIFY(pages.first().header);
    QVERIFY(!pages.last().header);
    QVERIFY(pager.HasSeenPages());
}

void TestOggPager::brokenBytesAreSkipped() {
    OggPager pager;
    QByteArray damaged = "ICY noise" + m_first;
    // A byte of the fourth page's body changes: its checksum no longer holds.
    OggPager cleanPager;
    const QList<OggPager::Page> clean = feedInPieces(cleanPager, m_first);
    QVERIFY(clean.size() > 5);
    qsizetype fourth = 9;
    for (int i = 0; i < 3; ++i)
        fourth += clean.at(i).bytes.size();
    damaged[fourth + 100] = char(damaged.at(fourth + 100) ^ 0x5A);
    const QList<OggPager::Page> pages = feedInPieces(pager, damaged);
    QCOMPARE(pages.size(), clean.size() - 1);
    QCOMPARE(pages.at(3).bytes, clean.at(4).bytes);
    QCOMPARE(pages.last().bytes, clean.last().bytes);
}

void TestOggPager::headerPagesStartAFileInsideAStream() {
    OggPager pager;
    const QList<OggPager::Page> pages = feedInPieces(pager, m_first + m_second);
    // The kept headers are the second stream's, and they are all of them: with them, its last
    // pages make a file that decodes.
    QVERIFY(m_second.startsWith(pager.StreamHeaders()));
    QVERIFY(pager.StreamHeaders().contains("\x05vorbis"));
    const QString path = m_dir.filePath("inside.ogg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pager.StreamHeaders());
    for (qsizetype i = pages.size() - 4; i < pages.size(); ++i)
        file.write(pages.at(i).bytes);
    file.close();
    QCOMPARE(qwtest::decodeErrors(path), QString());
}

QTEST_GUILESS_MAIN(TestOggPager)
#include "tst_oggpager.moc"
