// Names of recorded files: the station folder and song name rules, the file-name pattern, and
// titles a station may send that are no file name at all. Each must give one valid, non-empty
// name inside the recording folder that overwrites nothing.

#include "recording/recordingnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kTime(QDate(2026, 12, 4), QTime(21, 5, 30));

RecordingNames::Fields song(const QString& artist, const QString& title) {
    RecordingNames::Fields fields;
    fields.station = QStringLiteral("Radio");
    fields.artist = artist;
    fields.title = title;
    fields.time = kTime;
    return fields;
}

} // namespace

class TestRecordingNames : public QObject {
    Q_OBJECT
private slots:
    void stationFolder_data();
    void stationFolder();
    void trackName_data();
    void trackName();
    void pattern_data();
    void pattern();
    void hostileTitles_data();
    void hostileTitles();
    void existingFilesAreNeverReused();
};

void TestRecordingNames::stationFolder_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("expected");
    QTest::newRow("brackets and dots go") << "Radio (One)." << "x" << "Radio One";
    QTest::newRow("header first") << "Header FM" << "Record FM" << "Header FM";
    QTest::newRow("empty header: the record") << "" << "Record FM" << "Record FM";
    QTest::newRow("over-long header: the record") << QString(101, 'h') << "Record FM"
                                                 << "Record FM";
    QTest::newRow("nothing at all") << "" << "" << "No Name Station";
    QTest::newRow("cut to 50, then replaced")
        << QString(48, 'a') + "://" + QString(9, 'b') << "" << QString(48, 'a') + "--";
    QTest::newRow("at sign and comma removed") << "a@b,c" << "" << "abc";
}

void TestRecordingNames::stationFolder() {
    QFETCH(QString, header);
    QFETCH(QString, record);
    QFETCH(QString, expected);
    QCOMPARE(RecordingNames::StationName(header, record), expected);
}

void TestRecordingNames::trackName_data() {
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("split");
    QTest::addColumn<QString>("expected");
    QTest::newRow("artist and title") << "Artist" << "Title" << true << "Artist - Title";
    QTest::newRow("artist alone") << "Some Artist" << "" << true << "Some Artist";
    QTest::newRow("three letters: date and time") << "Abc" << "" << true << "04.Dec.2026_21.05";
    QTest::newRow("not split: date and time") << "Artist" << "Title" << false
                                             << "04.Dec.2026_21.05";
    QTest::newRow("cut to 100") << QString(60, 'a') << QString(60, 't') << true
                                << QString(60, 'a') + " - " + QString(37, 't');
    QTest::newRow("invalid characters") << "AC/DC" << "What?" << true << "AC-DC - What-";
}

void TestRecordingNames::trackName() {
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(bool, split);
    QFETCH(QString, expected);
    RecordingNames::Fields fields = song(artist, title);
    fields.split = split;
    QCOMPARE(RecordingNames::TrackName(fields), expected);
}

void TestRecordingNames::pattern_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default") << RecordingNames::DefaultPattern() << "Radio/Artist - Title";
    QTest::newRow("backslash separates too") << "%station%\\%track%" << "Radio/Artist - Title";
    QTest::newRow("artist folders") << "%artist%/%date% %title%" << "Artist/2026-12-04 Title";
    QTest::newRow("time and address") << "%station% %time%/%url%"
                                      << "Radio 21.05.30/http---host-x";
    QTest::newRow("unknown placeholder stays text") << "%nope%%track%" << "-nope-Artist - Title";
    QTest::newRow("empty pattern: default") << "  " << "Radio/Artist - Title";
    QTest::newRow("blank file part: date and time") << "%station%/ " << "Radio/04.Dec.2026_21.05";
    QTest::newRow("dots only") << "../../%track%" << "Artist - Title";
}

void TestRecordingNames::pattern() {
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    RecordingNames::Fields fields = song(QStringLiteral("Artist"), QStringLiteral("Title"));
    fields.url = QStringLiteral("http://host/x");
    QCOMPARE(RecordingNames::PatternPath(QStringLiteral("/rec"), pattern, fields),
             QStringLiteral("/rec/") + expected);
}

void TestRecordingNames::hostileTitles_data() {
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only spaces") << "     " << "        ";
    QTest::newRow("600 characters") << QString(300, 'x') << QString(300, 'y');
    QTest::newRow("600 wide characters") << QString(600, QChar(0x6F22)) << "";
    QTest::newRow("emoji at the cut") << QString(99, 'a') + QString::fromUtf8("\xF0\x9F\x8E\xB5")
                                      << "";
    QTest::newRow("forbidden characters") << "/ \\ : * ? \" < > |" << "/ \\ : * ? \" < > |";
    QTest::newRow("NUL and controls") << QString("Art") + QChar(0) + "ist\x01\x1f\x7f"
                                      << QString("Ti\ttle\r\n") + QChar(0x85);
    QTest::newRow("climbs out") << "../../x" << "";
    QTest::newRow("climbs out with a title") << ".." << "../../etc/passwd";
    QTest::newRow("dots") << "....." << ".";
    QTest::newRow("hidden") << ".hidden file" << "";
}

void TestRecordingNames::hostileTitles() {
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QTemporaryDir folder;
    const QString path = RecordingNames::PatternPath(folder.path(), RecordingNames::DefaultPattern(),
                                                     song(artist, title));
    const QString file = RecordingNames::FreePath(path, QStringLiteral(".mp3"));
    const QFileInfo info(file);
    QCOMPARE(QDir::cleanPath(info.absolutePath()), QDir::cleanPath(folder.filePath("Radio")));
    const QString name = info.fileName();
    QVERIFY(name.size() > 4);
    QVERIFY(!name.startsWith('.'));
    QVERIFY2(name.toUtf8().size() <= 255, qPrintable(QString::number(name.toUtf8().size())));
    for (const QChar c : name) {
        QVERIFY2(c.category() != QChar::Other_Control, qPrintable(name));
        QVERIFY2(!QStringLiteral("/\\:*?\"<>|").contains(c), qPrintable(name));
    }
    // Whole characters only: no half of a surrogate pair survives a cut.
    QCOMPARE(QString::fromUtf8(name.toUtf8()), name);
    QVERIFY(QDir().mkpath(info.path()));
    QFile created(file);
    QVERIFY2(created.open(QIODevice::WriteOnly), qPrintable(file));
}

void TestRecordingNames::existingFilesAreNeverReused() {
    QTemporaryDir folder;
    const QString base = folder.filePath("Artist - Title");
    QStringList taken;
    for (int i = 0; i < 12; ++i) {
        const QString free = RecordingNames::FreePath(base, QStringLiteral(".mp3"));
        QVERIFY2(!taken.contains(free), qPrintable(free));
        QFile file(free);
        QVERIFY(file.open(QIODevice::WriteOnly));
        taken.append(free);
    }
    QCOMPARE(taken.at(0), base + ".mp3");
    QCOMPARE(taken.at(1), base + " (1).mp3");
    QCOMPARE(taken.at(11), base + " (11).mp3");
    // A dangling link is a name in use as well.
    QVERIFY(QFile::link(folder.filePath("gone"), base + " (12).mp3"));
    QCOMPARE(RecordingNames::FreePath(base, QStringLiteral(".mp3")), base + " (13).mp3");
}

QTEST_GUILESS_MAIN(TestRecordingNames)
#include "tst_recordingnames.moc"
