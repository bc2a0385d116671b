// Tags of recorded files, as other programs read them back: every kind the recorder writes
// gets artist, title, album (the station), genre, date and comment (the address), the audio
// stays as it was, and a file that is missing or no audio file is left alone.

#include "recording/recordingtagger.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Tags of the container and of the first audio stream, keys in lower case, as ffprobe reads them.
QMap<QString, QString> tagsOf(const QString& path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-show_entries", "format_tags:stream_tags:format=duration",
                   "-of", "default=nw=1", path});
    ffprobe.waitForFinished(-1);
    QMap<QString, QString> tags;
    for (const QByteArray& line : ffprobe.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) {
            QString key = QString::fromUtf8(line.left(eq)).toLower();
            key.remove(QStringLiteral("tag:"));
            tags.insert(key, QString::fromUtf8(line.mid(eq + 1)));
        }
    }
    return tags;
}

RecordingTagger::Tags sampleTags() {
    RecordingTagger::Tags tags;
    tags.artist = QStringLiteral("Ärtist");
    tags.title = QStringLiteral("Song / Title (Live)");
    tags.station = QStringLiteral("Radio One");
    tags.genre = QStringLiteral("Jazz");
    tags.date = QDate(2026, 12, 4);
    tags.url = QStringLiteral("http://127.0.0.1/stream?x=1");
    return tags;
}

} // namespace

class TestRecordingTagger : public QObject {
    Q_OBJECT
private slots:
    void everyKind_data();
    void everyKind();
    void titleWithoutArtist();
    void notAnAudioFile();
};

void TestRecordingTagger::everyKind_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("encoder");
    QTest::newRow("mp3") << "mp3" << QStringList{"-c:a", "libmp3lame", "-b:a", "128k"};
    QTest::newRow("aac in ADTS") << "aac" << QStringList{"-c:a", "aac", "-f", "adts"};
    QTest::newRow("ogg vorbis") << "ogg" << QStringList{"-c:a", "libvorbis"};
    QTest::newRow("flac") << "flac" << QStringList{"-c:a", "flac"};
    QTest::newRow("wma") << "wma" << QStringList{"-c:a", "wmav2", "-f", "asf"};
}

void TestRecordingTagger::everyKind() {
    QFETCH(QString, extension);
    QFETCH(QStringList, encoder);
    QTemporaryDir dir;
    const QString path = dir.filePath("song." + extension);
    QCOMPARE(QProcess::execute("ffmpeg", QStringList{"-v", "error", "-f", "lavfi", "-i",
                                                     "sine=frequency=440:duration=2",
                                                     "-map_metadata", "-1"} +
                                             encoder + QStringList{path}),
             0);
    const double before = tagsOf(path).value("duration").toDouble();
    QVERIFY(before > 1.5);

    QVERIFY(RecordingTagger::Write(path, sampleTags()));
    const QMap<QString, QString> tags = tagsOf(path);
    QCOMPARE(tags.value("artist"), QString("Ärtist"));
    QCOMPARE(tags.value("title"), QString("Song / Title (Live)"));
    QCOMPARE(tags.value("album"), QString("Radio One"));
    QCOMPARE(tags.value("genre"), QString("Jazz"));
    // ASF keeps the date as its year attribute.
    const QString date = tags.value("date", tags.value("wm/year"));
    QVERIFY2(date.startsWith(extension == "wma" ? "2026" : "2026-12-04"),
             qPrintable(QStringList(tags.keys()).join(",") + " " + date));
    QCOMPARE(tags.value("comment"), QString("http://127.0.0.1/stream?x=1"));
    QVERIFY(qAbs(tags.value("duration").toDouble() - before) < 0.05);

    // Tagging twice replaces the tags instead of adding a second set.
    RecordingTagger::Tags again = sampleTags();
    again.title = QStringLiteral("Other");
    QVERIFY(RecordingTagger::Write(path, again));
    QCOMPARE(tagsOf(path).value("title"), QString("Other"));
    QVERIFY(qAbs(tagsOf(path).value("duration").toDouble() - before) < 0.05);
}

void TestRecordingTagger::titleWithoutArtist() {
    QTemporaryDir dir;
    const QString path = dir.filePath("show.mp3");
    QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                          "sine=frequency=440:duration=1", path}),
             0);
    RecordingTagger::Tags tags;
    tags.artist = QStringLiteral("The Morning Show"); // a title without " - " reads as artist
    QVERIFY(RecordingTagger::Write(path, tags));
    const QMap<QString, QString> read = tagsOf(path);
    QCOMPARE(read.value("title"), QString("The Morning Show"));
    QVERIFY(!read.contains("artist"));
}

void TestRecordingTagger::notAnAudioFile() {
    QTemporaryDir dir;
    QVERIFY(!RecordingTagger::Write(dir.filePath("missing.mp3"), sampleTags()));
    QVERIFY(!RecordingTagger::Write(dir.path(), sampleTags()));
    const QString text = dir.filePath("notes.ogg");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not audio at all");
    file.close();
    QVERIFY(!RecordingTagger::Write(text, sampleTags()));
    QFile check(text);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("not audio at all"));
}

QTEST_GUILESS_MAIN(TestRecordingTagger)
#include "tst_recordingtagger.moc"
