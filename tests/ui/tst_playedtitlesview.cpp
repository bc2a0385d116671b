// The page of played songs: newest first, the copy and web-search actions on the selected
// song, the CSV export and its failure, and a log that changes while the page shows.

#include "ui/playedtitlesview.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrlQuery>

class TestPlayedTitlesView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void newestFirst();
    void copyAndSearchTheSelectedSong();
    void exportAndItsFailure();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PlayedTitles> m_log;
};

void TestPlayedTitlesView::init() {
    m_log = std::make_unique<PlayedTitles>();
    m_log->Load(m_dir.filePath(QString::number(QDateTime::currentMSecsSinceEpoch()) + ".tsv"));
    const QDateTime time(QDate(2026, 12, 4), QTime(20, 0));
    m_log->Add({time, "Radio One", "Old Artist", "Old Song", ""});
    m_log->Add({time.addSecs(180), "Radio Two", "AC/DC & Co", "Song?", "/rec/Radio Two/x.mp3"});
}

void TestPlayedTitlesView::newestFirst() {
    PlayedTitlesView view(m_log.get());
    QCOMPARE(view.list()->topLevelItemCount(), 2);
    QCOMPARE(view.list()->topLevelItem(0)->text(1), QString("Radio Two"));
    QCOMPARE(view.list()->topLevelItem(0)->text(2), QString("AC/DC & Co - Song?"));
    QCOMPARE(view.list()->topLevelItem(0)->text(3), QString("/rec/Radio Two/x.mp3"));
    QCOMPARE(view.list()->topLevelItem(1)->text(2), QString("Old Artist - Old Song"));
    m_log->Add({QDateTime::currentDateTime(), "Radio Three", "New", "Song", ""});
    QCOMPARE(view.list()->topLevelItemCount(), 3);
    QCOMPARE(view.list()->topLevelItem(0)->text(1), QString("Radio Three"));
}

void TestPlayedTitlesView::copyAndSearchTheSelectedSong() {
    PlayedTitlesView view(m_log.get());
    QApplication::clipboard()->setText("unchanged");
    view.copySelected();
    QCOMPARE(QApplication::clipboard()->text(), QString("unchanged"));
    view.list()->setCurrentItem(view.list()->topLevelItem(1));
    view.copySelected();
    QCOMPARE(QApplication::clipboard()->text(), QString("Old Artist - Old Song"));

    PlayedTitles::Entry entry;
    view.list()->setCurrentItem(view.list()->topLevelItem(0));
    QVERIFY(view.selectedEntry(&entry));
    const QUrl url = PlayedTitlesView::searchUrl(entry);
    QCOMPARE(url.scheme(), QString("https"));
    QCOMPARE(QUrlQuery(url).queryItemValue("q", QUrl::FullyDecoded),
             QString("AC/DC & Co - Song?"));
}

void TestPlayedTitlesView::exportAndItsFailure() {
    PlayedTitlesView view(m_log.get());
    QSignalSpy messages(&view, &PlayedTitlesView::sig_message);
    const QString path = m_dir.filePath("export.csv");
    view.exportCsv(path);
    QVERIFY(messages.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), PlayedTitles::Csv(m_log->Entries()));
    view.exportCsv(m_dir.path());
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().first().toString().contains("Reason: "));
}

QTEST_MAIN(TestPlayedTitlesView)
#include "tst_playedtitlesview.moc"
