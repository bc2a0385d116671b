// The cover-art lookup against the HTTP test server, which answers as each service does: every
// source finds the cover of a song it knows and nothing for broken answers (HTML, 2 MB, images
// that are not images, endless redirects, silence); a song change or a stop during a lookup never
// reports the earlier song's cover; lyrics and artist information; the client's redirects.

#include "coverart/coverart.h"

#include "support/fixture.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int WaitMs = 60000;

QString serverUrl(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

QString base(const QString& behaviour) {
    return serverUrl(QStringLiteral("/coverart/") + behaviour);
}

// The song a served cover was drawn for.
QString songOf(const QString& file) {
    return file.isEmpty() ? QString() : QImage(file).text(QStringLiteral("Song"));
}

bool lookupEnded(const CoverArt& lookup) {
    return lookup.Status() == CoverArt::StatusFound || lookup.Status() == CoverArt::StatusNotFound;
}

} // namespace

class TestCoverArtLookup : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_cache;

    // A lookup whose every service is the test server's with that behaviour, and a fresh cache.
    std::unique_ptr<CoverArt> makeLookup(const QString& behaviour, const QString& cacheName) {
        auto lookup = std::make_unique<CoverArt>();
        CoverArtRequest::Settings settings;
        settings.hosts = CoverArtHosts::FromConfiguration(
            base(behaviour) + QStringLiteral(" artistpage=") + base(behaviour) +
            QStringLiteral("/artistpage"));
        settings.customUrl = base(behaviour) + QStringLiteral("/search?term={1}+{2}");
        settings.musicDatabaseApiKey = QStringLiteral("0123456789abcdef0123456789abcdef");
        lookup->SetSettings(settings);
        lookup->SetCacheFolder(m_cache.filePath(cacheName));
        lookup->SetServiceUserAgent(CoverArt::ServiceUserAgent(QStringLiteral("9.9")));
        lookup->SetTimeoutMs(2000);
        return lookup;
    }

    static void waitForEnd(CoverArt& lookup) {
        QSignalSpy status(&lookup, &CoverArt::sig_statusChanged);
        while (!lookupEnded(lookup))
            QVERIFY(status.wait(WaitMs));
    }

    // Waits until the client has finished a request whose address contains the text, and every
    // request that answer might have led to.
    static void waitForAnswerTo(CoverArt& lookup, const QString& part, QStringList& finished) {
        while (!finished.join(QLatin1Char('\n')).contains(part) ||
               lookup.Http()->pendingCount() > 0) {
            QSignalSpy spy(lookup.Http(), &CCoverArtHttp::sig_Finished);
            QVERIFY(spy.wait(WaitMs));
        }
    }

    static void recordFinishedUrls(CoverArt& lookup, QStringList* urls) {
        QObject::connect(lookup.Http(), &CCoverArtHttp::sig_Finished, &lookup,
                         [urls](const CCoverArtHttp::httpInfo* info) {
                             *urls << QUrl::fromPercentEncoding(info->url.toUtf8());
                         });
    }

private slots:
    void initTestCase() {
        QVERIFY2(!serverUrl("/").isEmpty(), "the HTTP test server is not running");
        QVERIFY(m_cache.isValid());
    }

    void sources_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("song");
        const QString testers = QStringLiteral("The Testers - First Light");
        QTest::newRow("store search") << 13 << "ok" << "The Testers" << "First Light" << testers;
        QTest::newRow("store search, suffix left out")
            << 13 << "ok" << "The Testers" << "First Light (Radio Edit) [2001]" << testers;
        QTest::newRow("store search, unknown song") << 13 << "ok" << "Nobody" << "Nothing" << "";
        QTest::newRow("recording search, second release")
            << 12 << "ok" << "Sine Singers" << "Second Wave" << "Sine Singers - Second Wave";
        QTest::newRow("recording search, unknown song") << 12 << "ok" << "Nobody" << "X" << "";
        QTest::newRow("music database, artist without the")
            << 10 << "ok" << "The Testers" << "First Light" << testers;
        QTest::newRow("music database, & and and")
            << 10 << "ok" << "Simon & Garfunkel" << "Bridge" << "Simon & Garfunkel - Bridge";
        QTest::newRow("music database, unknown song") << 10 << "ok" << "Nobody" << "X" << "";
        QTest::newRow("image search small") << 8 << "ok" << "The Testers" << "First Light"
                                            << testers;
        QTest::newRow("image search") << 9 << "ok" << "The Testers" << "First Light" << testers;
        QTest::newRow("store US") << 1 << "ok" << "The Testers" << "First Light" << testers;
        QTest::newRow("relay UK, other artist skipped")
            << 2 << "ok" << "The Testers" << "First Light" << testers;
        QTest::newRow("custom takes the first result")
            << 11 << "ok" << "The Testers" << "First Light" << "Karaoke Stars - First Light";
        QTest::newRow("moved by 308") << 13 << "moved" << "The Testers" << "First Light"
                                      << testers;
        for (const char* behaviour : {"html", "huge", "notimage", "hang", "loop"}) {
            for (int source : {13, 12, 10, 1}) {
                QTest::addRow("%s, source %d", behaviour, source)
                    << source << behaviour << "The Testers" << "First Light" << "";
            }
        }
    }
    void sources() {
        QFETCH(int, source);
        QFETCH(QString, behaviour);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        QFETCH(QString, song);
        auto lookup = makeLookup(behaviour, QTest::currentDataTag());
        lookup->SetTimeoutMs(300); // the silent server is given up soon
        QSignalSpy found(lookup.get(), &CoverArt::sig_coverArtProcess);
        lookup->RequestCoverArt(artist, title, source);
        waitForEnd(*lookup);
        QCOMPARE(songOf(lookup->GetCoverArtFile()), song);
        QCOMPARE(found.size(), song.isEmpty() ? 0 : 1);
        QCOMPARE(lookup->Status(), song.isEmpty() ? CoverArt::StatusNotFound
                                                  : CoverArt::StatusFound);
        if (!song.isEmpty())
            QVERIFY(lookup->GetCoverArtFile().startsWith(m_cache.filePath(QString())));
    }

    void albumDetailsKept() {
        auto lookup = makeLookup("ok", "album");
        lookup->RequestCoverArt("The Testers", "First Light", 1);
        waitForEnd(*lookup);
        const AlbumInfo& album = lookup->GetAlbumInfo();
        QCOMPARE(album.m_album, QString("Morning Album"));
        QCOMPARE(album.m_price, QString("$9.99"));
        QCOMPARE(album.Track(0, 1), QString("Encore"));
        QCOMPARE(album.Track(1, 0), QString("Live"));
    }

    void recordingSearchSaysWhoAsks() {
        auto lookup = makeLookup("ok", "agent");
        lookup->RequestCoverArt("Sine Singers", "Second Wave", 12);
        waitForEnd(*lookup);
        QFile log(QString::fromStdString(qwtest::fixtureDir()) + "/httpserver/requests.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QString last;
        for (const QString& line : QString::fromUtf8(log.readAll()).split('\n'))
            if (line.startsWith("coverart /coverart/ok/ws/2/recording"))
                last = line;
        QVERIFY2(last.endsWith("agent=Quillowave/9.9 ( https://quillowave.hollowmere.org )"),
                 qPrintable(last));
    }

    void songChangeDuringLookup_data() {
        QTest::addColumn<int>("source");
        QTest::newRow("store search") << 13;
        QTest::newRow("recording search") << 12;
    }
    void songChangeDuringLookup() {
        QFETCH(int, source);
        auto lookup = makeLookup("ok", QStringLiteral("change") + QTest::currentDataTag());
        QStringList finished;
        recordFinishedUrls(*lookup, &finished);
        QSignalSpy found(lookup.get(), &CoverArt::sig_coverArtProcess);
        lookup->RequestCoverArt("Slow Responders", "Late Answer", source);
        lookup->RequestCoverArt("The Testers", "First Light", source);
        waitForEnd(*lookup);
        QCOMPARE(songOf(lookup->GetCoverArtFile()), QString("The Testers - First Light"));
        if (source == 12) {
            // The recording search waited its turn, so the first song was never asked for.
            QVERIFY(!finished.join('\n').contains("Slow Responders"));
            return;
        }
        waitForAnswerTo(*lookup, "Slow Responders", finished);
        QCOMPARE(found.size(), 1);
        QCOMPARE(lookup->Status(), CoverArt::StatusFound);
        QCOMPARE(songOf(lookup->GetCoverArtFile()), QString("The Testers - First Light"));
    }

    void stopDuringLookup() {
        auto lookup = makeLookup("ok", "stop");
        QStringList finished;
        recordFinishedUrls(*lookup, &finished);
        QSignalSpy found(lookup.get(), &CoverArt::sig_coverArtProcess);
        lookup->RequestCoverArt("Slow Responders", "Late Answer", 13);
        lookup->Cancel();
        QCOMPARE(lookup->Status(), CoverArt::StatusNone);
        waitForAnswerTo(*lookup, "Slow Responders", finished);
        QCOMPARE(found.size(), 0);
        QVERIFY(lookup->GetCoverArtFile().isEmpty());
        QCOMPARE(lookup->Status(), CoverArt::StatusNone);
    }

    void songHeardAgainComesFromTheCache() {
        auto lookup = makeLookup("ok", "again");
        lookup->RequestCoverArt("The Testers", "First Light", 13);
        waitForEnd(*lookup);
        const QString file = lookup->GetCoverArtFile();
        lookup->RequestCoverArt("Sine Singers", "Second Wave", 13);
        waitForEnd(*lookup);
        QCOMPARE(songOf(lookup->GetCoverArtFile()), QString("Sine Singers - Second Wave"));
        lookup->RequestCoverArt("the testers", "First  Light", 13);
        QCOMPARE(lookup->Status(), CoverArt::StatusFound);
        QCOMPARE(lookup->GetCoverArtFile(), file);
        QCOMPARE(lookup->Http()->pendingCount(), 0);
    }

    void noSongNoCover_data() {
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::newRow("nothing") << "" << "";
        QTest::newRow("slogan only") << "" << "Best Radio In Town";
        QTest::newRow("blank") << "  " << " ";
    }
    void noSongNoCover() {
        QFETCH(QString, artist);
        QFETCH(QString, title);
        auto lookup = makeLookup("ok", "nosong");
        lookup->RequestCoverArt("The Testers", "First Light", 13);
        waitForEnd(*lookup);
        lookup->RequestCoverArt(artist, title, 13);
        QCOMPARE(lookup->Status(), CoverArt::StatusNotFound);
        QVERIFY(lookup->GetCoverArtFile().isEmpty());
        QCOMPARE(lookup->Http()->pendingCount(), 0);
    }

    void lyrics_data() {
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("lyrics");
        QTest::newRow("found") << "ok" << "The Testers" << "Words of First Light<br>by The Testers";
        QTest::newRow("unknown song") << "ok" << "Nobody" << "";
        QTest::newRow("html page") << "html" << "The Testers" << "";
    }
    void lyrics() {
        QFETCH(QString, behaviour);
        QFETCH(QString, artist);
        QFETCH(QString, lyrics);
        auto lookup = makeLookup(behaviour, "lyrics");
        QSignalSpy status(lookup.get(), &CoverArt::sig_statusChanged);
        lookup->RequestLyrics(artist, "First Light (Live)");
        QCOMPARE(lookup->Status(), CoverArt::StatusLyricsSearching);
        while (lookup->Status() == CoverArt::StatusLyricsSearching)
            QVERIFY(status.wait(WaitMs));
        QCOMPARE(lookup->Status(), lyrics.isEmpty() ? CoverArt::StatusLyricsNotFound
                                                    : CoverArt::StatusLyricsFound);
        QCOMPARE(lookup->GetLyrics(), lyrics);
    }

    void artistInfo_data() {
        QTest::addColumn<int>("site");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("contains");
        const int wiki = int(WebSiteDefinition::ArtistSite::MusicDatabaseWiki);
        const int page = int(WebSiteDefinition::ArtistSite::ArtistPage);
        QTest::newRow("wiki") << wiki << "The Testers" << "The Testers is a band";
        QTest::newRow("refresh followed") << wiki << "Moved Artist" << "The Testers is a band";
        QTest::newRow("unknown") << wiki << "Nobody" << "Nothing found about <b>Nobody</b>";
        QTest::newRow("page without hidden parts")
            << page << "Sine Singers" << "Sine Singers plays tones.<br><br>Second paragraph.";
    }
    void artistInfo() {
        QFETCH(int, site);
        QFETCH(QString, artist);
        QFETCH(QString, contains);
        auto lookup = makeLookup("ok", "info");
        lookup->SetArtistSite(WebSiteDefinition::ArtistSite(site));
        QSignalSpy ready(lookup.get(), &CoverArt::sig_coverArtProcess);
        lookup->RequestArtistInfo(artist);
        QVERIFY(ready.wait(WaitMs));
        QCOMPARE(ready.first().first().value<CoverArt::coverArtType>(), CoverArt::TypeArtistInfo);
        QVERIFY2(lookup->GetArtistInfo().contains(contains), qPrintable(lookup->GetArtistInfo()));
        QVERIFY(!lookup->GetArtistInfo().contains("hidden"));
    }

    void clientRedirects_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("redirects");
        QTest::newRow("followed by the client") << "/redirect/chain/2?to=/files/sine.wav" << false
                                                << 3;
        QTest::newRow("308 followed here")
            << "/coverart/moved/image/A%20-%20B/front.png" << false << 1;
        QTest::newRow("endless") << "/redirect/loop" << true << CCoverArtHttp::MaxRedirects;
        QTest::newRow("not found") << "/files/nothing.png" << true << 0;
    }
    void clientRedirects() {
        QFETCH(QString, path);
        QFETCH(bool, error);
        QFETCH(int, redirects);
        CCoverArtHttp http;
        bool failed = false;
        int count = -1;
        QByteArray data;
        connect(&http, &CCoverArtHttp::sig_Finished, this,
                [&](const CCoverArtHttp::httpInfo* info) {
                    failed = info->error;
                    count = info->redirectCount;
                    data = info->data;
                });
        QSignalSpy done(&http, &CCoverArtHttp::sig_coverArtFinished);
        const int id = http.get(serverUrl(path));
        QVERIFY(id != 0);
        QVERIFY(done.wait(WaitMs));
        QCOMPARE(done.first().at(0).toInt(), id);
        QCOMPARE(failed, error);
        QCOMPARE(count, redirects);
        QCOMPARE(data.isEmpty(), error);
        QCOMPARE(http.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCoverArtLookup)
#include "tst_coverartlookup.moc"
