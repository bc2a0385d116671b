// The window's side of cover art: the panel shows the cover of the song the lookup has now and
// nothing while a new song is looked up or has none, the cover-art window shows the same and
// closes when the lookup is cancelled (a stop), the desktop hears of every change, and the
// wiring tells whose cover it has. Covers come from the lookup's cache; a song outside it asks a
// port where nothing listens.

#include "app/windowcoverart.h"
#include "coverart/coverart.h"
#include "ui/coverartwindow.h"
#include "ui/nowplayingpanel.h"

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray png(Qt::GlobalColor colour) {
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestWindowCoverArt : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_redCover;

    static void waitForEnd(CoverArt& lookup) {
        QSignalSpy status(&lookup, &CoverArt::sig_statusChanged);
        while (lookup.Status() == CoverArt::StatusSearching)
            QVERIFY(status.wait(60000));
    }

private slots:
    void initTestCase() {
        CoverCache cache(CoverCache::FolderIn(m_dir.path()));
        m_redCover = cache.Store(CoverCache::Key("The Testers", "First Light"), png(Qt::red));
        QVERIFY(!m_redCover.isEmpty());
    }

    void coverFollowsTheSong() {
        QWidget window;
        auto* panel = new NowPlayingPanel(&window);
        CoverArt lookup;
        CoverArtRequest::Settings settings;
        settings.hosts = CoverArtHosts::FromConfiguration("http://127.0.0.1:1");
        lookup.SetSettings(settings);
        lookup.SetCacheFolder(CoverCache::FolderIn(m_dir.path()));
        WindowCoverArt wiring(&window, panel, &lookup);
        QSignalSpy changed(&wiring, &WindowCoverArt::sig_coverChanged);
        window.show();

        lookup.RequestCoverArt("The Testers", "First Light", 13);
        QVERIFY(panel->coverButton()->isVisible());
        QCOMPARE(changed.last().first().toString(), m_redCover);
        // Whose cover it is, so that the next song's notification never gets it.
        BASS::Song song;
        song.m_artist = QStringLiteral("The Testers ");
        song.m_title = QStringLiteral("First Light");
        QVERIFY(wiring.isCoverOf(song));
        song.m_title = QStringLiteral("Second Light");
        QVERIFY(!wiring.isCoverOf(song));

        panel->coverButton()->click();
        CoverArtWindow* dialog = wiring.coverWindow();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->coverLabel()->pixmap().isNull());
        QVERIFY(dialog->albumLabel()->text().contains("The Testers"));
        QVERIFY(dialog->lyricsButton()->isEnabled());

        // The next song has no cover anywhere: the old one goes at once, not when the search ends.
        lookup.RequestCoverArt("Nobody", "Nothing", 13);
        QVERIFY(!panel->coverButton()->isVisible());
        QVERIFY(dialog->coverLabel()->pixmap().isNull());
        QVERIFY(dialog->albumLabel()->text().contains("Nobody"));
        QCOMPARE(changed.last().first().toString(), QString());
        waitForEnd(lookup);
        QCOMPARE(lookup.Status(), CoverArt::StatusNotFound);
        QCOMPARE(dialog->statusLabel()->text(), QString("Cover art not found"));
        QVERIFY(!panel->coverButton()->isVisible());

        // A station without songs shows nothing either, and a stop closes the window.
        lookup.RequestCoverArt("The Testers", "First Light", 13);
        QVERIFY(panel->coverButton()->isVisible());
        lookup.RequestCoverArt(QString(), "Station slogan", 13);
        QVERIFY(!panel->coverButton()->isVisible());
        lookup.Cancel();
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->lyricsButton()->isEnabled());
    }

    void lyricsWithoutSiteEndNotFound() {
        CoverArt lookup;
        lookup.SetCacheFolder(CoverCache::FolderIn(m_dir.path()));
        CoverArtWindow dialog(&lookup);
        lookup.RequestCoverArt("The Testers", "First Light", 13);
        dialog.lyricsButton()->click();
        QCOMPARE(lookup.Status(), CoverArt::StatusLyricsNotFound);
        QCOMPARE(dialog.statusLabel()->text(), QString("Lyrics not found"));
        // The cover stays while lyrics are looked for.
        QVERIFY(!dialog.coverLabel()->pixmap().isNull());
    }
};

QTEST_MAIN(TestWindowCoverArt)
#include "tst_windowcoverart.moc"
