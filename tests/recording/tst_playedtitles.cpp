// The log of played titles: kept across restarts in its file, bounded with the oldest dropped,
// the recorded file noted on the right song, fields that cannot break the file's lines, CSV
// as spreadsheets read it, and a log that cannot be written saying so while keeping its songs.

#include "recording/playedtitles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

PlayedTitles::Entry entry(int minute, const QString& artist, const QString& title) {
    return {QDateTime(QDate(2026, 12, 4), QTime(20, 0).addSecs(minute * 60), Qt::UTC),
            QStringLiteral("Radio One"), artist, title, QString()};
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPlayedTitles : public QObject {
    Q_OBJECT
private slots:
    void keptAcrossRestarts();
    void oldestDropped();
    void recordedFileGoesToItsSong();
    void damagedLinesArePassedOver();
    void csv();
    void unwritableLogKeepsItsSongs();
};

void TestPlayedTitles::keptAcrossRestarts() {
    QTemporaryDir dir;
    const QString path = dir.filePath(PlayedTitles::FileName());
    PlayedTitles first;
    first.Load(path);
    QVERIFY(first.Entries().isEmpty());
    first.Add(entry(0, "A\tB", "Line\nbreak\r"));
    first.Add(entry(1, QString::fromUtf8("Ünïcode"), QString::fromUtf8("歌")));

    PlayedTitles second;
    second.Load(path);
    QCOMPARE(second.Entries().size(), 2);
    QCOMPARE(second.Entries().at(0).artist, QString("A B"));
    QCOMPARE(second.Entries().at(0).title, QString("Line break "));
    QCOMPARE(second.Entries().at(1), first.Entries().at(1));
    QCOMPARE(readAll(path).count('\n'), 2);
}

void TestPlayedTitles::oldestDropped() {
    QTemporaryDir dir;
    const QString path = dir.filePath(PlayedTitles::FileName());
    PlayedTitles log;
    log.Load(path);
    const int slack = PlayedTitles::MaxEntries / 4;
    for (int i = 0; i < PlayedTitles::MaxEntries + slack + 3; ++i)
        log.Add(entry(i, "Artist", QString::number(i)));
    QCOMPARE(log.Entries().size(), PlayedTitles::MaxEntries);
    QCOMPARE(log.Entries().first().title, QString::number(slack + 3));
    // New songs are appended; once a quarter more piled up the file shrinks back.
    QVERIFY(readAll(path).count('\n') <= PlayedTitles::MaxEntries + slack);
    PlayedTitles again;
    again.Load(path);
    QCOMPARE(again.Entries().size(), PlayedTitles::MaxEntries);
    QCOMPARE(again.Entries().last().title,
             QString::number(PlayedTitles::MaxEntries + slack + 2));
    QCOMPARE(again.Entries().first().title, QString::number(slack + 3));
}

void TestPlayedTitles::recordedFileGoesToItsSong() {
    QTemporaryDir dir;
    PlayedTitles log;
    log.Load(dir.filePath(PlayedTitles::FileName()));
    log.Add(entry(0, "Artist", "Old"));
    log.Add(entry(1, "Artist", "New"));
    QSignalSpy changed(&log, &PlayedTitles::sig_changed);
    log.SetRecordedFile("Radio One", "Artist", "New", "/rec/Radio One/Artist - New.mp3");
    QCOMPARE(log.Entries().at(1).file, QString("/rec/Radio One/Artist - New.mp3"));
    QCOMPARE(changed.size(), 1);
    // Only the station's latest song takes a file: an older one is history.
    log.SetRecordedFile("Radio One", "Artist", "Old", "/rec/x.mp3");
    QVERIFY(log.Entries().at(0).file.isEmpty());
    log.SetRecordedFile("Other Radio", "Artist", "New", "/rec/y.mp3");
    QCOMPARE(log.Entries().at(1).file, QString("/rec/Radio One/Artist - New.mp3"));
    QCOMPARE(changed.size(), 1);
}

void TestPlayedTitles::damagedLinesArePassedOver() {
    QTemporaryDir dir;
    const QString path = dir.filePath(PlayedTitles::FileName());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("garbage\n\n2026-12-04T20:00:00Z\tRadio\tArtist\tTitle\t\n"
               "not a time\tRadio\tA\tT\t\n2026-12-04T20:01:00Z\tonly\tthree\n"
               "2026-12-04T20:02:00Z\tRadio\tA2\tT2\t/f.mp3\textra column\n");
    file.close();
    PlayedTitles log;
    log.Load(path);
    QCOMPARE(log.Entries().size(), 2);
    QCOMPARE(log.Entries().at(0).title, QString("Title"));
    QCOMPARE(log.Entries().at(1).file, QString("/f.mp3"));
}

void TestPlayedTitles::csv() {
    PlayedTitles::Entry quoted = entry(0, "Earth, Wind & Fire", "Say \"Hi\"");
    quoted.file = "/rec/a.mp3";
    const QByteArray csv = PlayedTitles::Csv({quoted, entry(1, "Plain", "Song")});
    QCOMPARE(csv, QByteArray("Time,Station,Artist,Title,File\r\n"
                             "2026-12-04T20:00:00Z,Radio One,\"Earth, Wind & Fire\","
                             "\"Say \"\"Hi\"\"\",/rec/a.mp3\r\n"
                             "2026-12-04T20:01:00Z,Radio One,Plain,Song,\r\n"));

    QTemporaryDir dir;
    PlayedTitles log;
    log.Load(dir.filePath(PlayedTitles::FileName()));
    log.Add(quoted);
    QString error;
    QVERIFY(log.ExportCsv(dir.filePath("songs.csv"), &error));
    QCOMPARE(readAll(dir.filePath("songs.csv")), PlayedTitles::Csv(log.Entries()));
    QVERIFY(!log.ExportCsv(dir.path(), &error));
    QVERIFY2(error.startsWith(dir.path() + "\n\nReason: "), qPrintable(error));
}

void TestPlayedTitles::unwritableLogKeepsItsSongs() {
    QTemporaryDir dir;
    PlayedTitles log;
    // A folder stands where the file should be.
    log.Load(dir.path());
    QSignalSpy failed(&log, &PlayedTitles::sig_saveFailed);
    log.Add(entry(0, "Artist", "Title"));
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().first().toString().startsWith(dir.path()));
    QCOMPARE(log.Entries().size(), 1);
    QCOMPARE(PlayedTitles::SongText(log.Entries().first()), QString("Artist - Title"));
    QCOMPARE(PlayedTitles::SongText(entry(0, "", "Title")), QString("Title"));
}

QTEST_GUILESS_MAIN(TestPlayedTitles)
#include "tst_playedtitles.moc"
