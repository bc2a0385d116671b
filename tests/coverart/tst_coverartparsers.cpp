// The cover-art services' answers read by their parsers (real formats and broken ones), the
// requests formed for each source, the host configuration, the album's track bounds, the lyrics
// and biography readers and the bounded cover cache.

#include "coverart/albuminfo.h"
#include "coverart/coverarthosts.h"
#include "coverart/coverartparsers.h"
#include "coverart/coverartrequest.h"
#include "coverart/covercache.h"
#include "coverart/websitedefinition.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Html = "<!DOCTYPE html><html><head><title>Error</title></head><body><p>"
                        "Service unavailable</p></body></html>";

QByteArray storeItem(const QByteArray& detail, const QByteArray& large) {
    return "<Item><ASIN>B01</ASIN>" + detail +
           "<SmallImage><URL>http://i/s.jpg</URL></SmallImage>"
           "<LargeImage><URL>" + large + "</URL></LargeImage>"
           "<ItemAttributes><Artist>The Testers</Artist><ListPrice><FormattedPrice>$9.99"
           "</FormattedPrice></ListPrice><ReleaseDate>2001-05-01</ReleaseDate><Title>Morning"
           "</Title></ItemAttributes><Tracks><Disc Number=\"1\"><Track Number=\"1\">First Light"
           "</Track><Track Number=\"21\">Too far</Track></Disc><Disc Number=\"6\"><Track "
           "Number=\"1\">Sixth disc</Track></Disc></Tracks></Item>";
}

QByteArray storeResponse(const QByteArray& items) {
    return "<?xml version=\"1.0\"?><ItemSearchResponse xmlns=\"http://webservices.amazon.com/"
           "AWSECommerceService/2009-03-31\"><Items><TotalResults>1</TotalResults>" +
           items + "</Items></ItemSearchResponse>";
}

QByteArray lastFm(const QByteArray& artist, const QByteArray& extralarge) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><lfm status=\"ok\"><track><name>First "
           "Light</name><artist><name>The Testers</name></artist><album position=\"1\"><artist>" +
           artist + "</artist><title>Morning</title><mbid>m-1</mbid><url>http://a</url>"
                    "<image size=\"small\">http://i/noimage/s.png</image><image size=\"medium\">"
                    "http://i/m.png</image><image size=\"extralarge\">" +
           extralarge + "</image></album></track></lfm>";
}

QByteArray png(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestCoverArtParsers : public QObject {
    Q_OBJECT
private slots:
    void normalizeArtist_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("case") << "The Testers" << "THE TESTERS" << true;
        QTest::newRow("leading the") << "The Testers" << "Testers" << true;
        QTest::newRow("punctuation") << "R.E.M." << "rem" << true;
        QTest::newRow("apostrophe") << "Guns N' Roses" << "guns n roses" << true;
        QTest::newRow("hyphen") << "Jay-Z" << "jay z" << true;
        QTest::newRow("ampersand") << "Simon & Garfunkel" << "Simon and Garfunkel" << true;
        QTest::newRow("with") << "Tom with the Band" << "Tom Band" << true;
        QTest::newRow("other artist") << "The Testers" << "Karaoke Stars" << false;
        QTest::newRow("empty against name") << "" << "Testers" << false;
    }
    void normalizeArtist() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(CoverArtParsers::SameArtist(a, b), same);
    }

    void requestUrl_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("url");
        const QString h = QStringLiteral("http://h");
        QTest::newRow("store US") << 1 << "The Testers" << "First Light (Radio Edit)"
                                  << h + "/cover_search_host.php?artist=The%20Testers&title="
                                         "First%20Light&dest=US&dom=amazon&format=xml";
        QTest::newRow("store CA") << 6 << "A" << "B"
                                  << h + "/cover_search_host.php?artist=A&title=B&dest=CA"
                                         "&dom=amazon&format=xml";
        QTest::newRow("image search small")
            << 8 << "Sine [live]" << "Wave" << h + "/ajax/services/search/images?v=1.0&q=Sine+-+"
                                                   "Wave&start=1&filter=0&rsz=8&imgsz=small";
        QTest::newRow("image search") << 9 << "A`s" << "B"
                                      << h + "/ajax/services/search/images?v=1.0&q=A%27s+-+B"
                                             "&start=1&filter=0&rsz=8";
        QTest::newRow("music database")
            << 10 << "A & B" << "C" << h + "/2.0/?method=track.getinfo&api_key=0123456789abcdef"
                                           "0123456789abcdef&artist=A%20%26%20B&track=C";
        QTest::newRow("custom") << 11 << "A" << "B c" << "http://c/find?a=A&t=B%20c";
        QTest::newRow("recording search")
            << 12 << "Say \"Hi\"" << "Song" << h + "/ws/2/recording/?query=recording:%22Song%22+"
                                                   "AND+artist:%22Say%20Hi%22&fmt=json&limit=10";
        QTest::newRow("store search") << 13 << " A " << "(Live) B"
                                      << h + "/search?term=A+%28Live%29%20B&media=music"
                                             "&entity=song&limit=10";
        QTest::newRow("no artist") << 13 << "" << "Station Jingle" << QString();
        QTest::newRow("unused number") << 7 << "A" << "B" << QString();
        QTest::newRow("unknown number") << 99 << "A" << "B" << QString();
    }
    void requestUrl() {
        QFETCH(int, source);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        QFETCH(QString, url);
        CoverArtRequest::Settings settings;
        settings.hosts = CoverArtHosts::FromConfiguration(QStringLiteral("http://h/"));
        settings.customUrl = QStringLiteral("http://c/find?a={1}&t={2}");
        settings.musicDatabaseApiKey = QStringLiteral("0123456789abcdef0123456789abcdef");
        QCOMPARE(CoverArtRequest::Url(source, artist, title, settings), url);
    }

    void requestNeedsItsService_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("configuration");
        QTest::newRow("store without host") << 1 << QString();
        QTest::newRow("custom without template") << 11 << QString();
        QTest::newRow("music database without key") << 10 << QString();
        QTest::newRow("recording search without archive") << 12 << "coverarchive=";
    }
    void requestNeedsItsService() {
        QFETCH(int, source);
        QFETCH(QString, configuration);
        CoverArtRequest::Settings settings;
        settings.hosts = CoverArtHosts::FromConfiguration(configuration);
        QVERIFY(CoverArtRequest::Url(source, "A", "B", settings).isEmpty());
    }

    void hostsConfiguration() {
        const CoverArtHosts defaults = CoverArtHosts::Defaults();
        QVERIFY(defaults.m_iTunes.startsWith("https://"));
        QVERIFY(defaults.m_store.isEmpty());
        const CoverArtHosts all = CoverArtHosts::FromConfiguration("http://t:1/coverart/ok/");
        QCOMPARE(all.m_musicBrainz, QString("http://t:1/coverart/ok"));
        QCOMPARE(all.m_lyrics, QString("http://t:1/coverart/ok"));
        const CoverArtHosts some = CoverArtHosts::FromConfiguration(
            "http://all ITUNES=http://store/x?a=b  lyrics=http://words nonsense=http://n");
        QCOMPARE(some.m_iTunes, QString("http://store/x?a=b"));
        QCOMPARE(some.m_lyrics, QString("http://words"));
        QCOMPARE(some.m_coverArchive, QString("http://all"));
        QCOMPARE(CoverArtHosts::FromConfiguration("http://q/?x=1").m_store, QString("http://q/?x=1"));
    }

    void trackBounds_data() {
        QTest::addColumn<int>("disc");
        QTest::addColumn<int>("track");
        QTest::addColumn<bool>("kept");
        QTest::newRow("first") << 0 << 0 << true;
        QTest::newRow("last") << AlbumInfo::MAX_DISCS - 1 << AlbumInfo::MAX_TRACKS - 1 << true;
        QTest::newRow("disc too high") << AlbumInfo::MAX_DISCS << 0 << false;
        QTest::newRow("track too high") << 0 << AlbumInfo::MAX_TRACKS << false;
        QTest::newRow("negative disc") << -1 << 0 << false;
        QTest::newRow("negative track") << 0 << -1 << false;
    }
    void trackBounds() {
        QFETCH(int, disc);
        QFETCH(int, track);
        QFETCH(bool, kept);
        AlbumInfo album;
        QCOMPARE(album.SetTrack(disc, track, "Song"), kept);
        QCOMPARE(album.Track(disc, track), kept ? QString("Song") : QString());
    }

    void storeAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("image");
        const QByteArray detail = "<DetailPageURL>http://store/dp/1</DetailPageURL>";
        QTest::newRow("item") << storeResponse(storeItem(detail, "http://i/l.jpg"))
                              << "http://i/l.jpg";
        QTest::newRow("first item without page skipped")
            << storeResponse(storeItem("", "http://i/other.jpg") +
                           storeItem(detail, "http://i/l.jpg"))
            << "http://i/l.jpg";
        QTest::newRow("large image a placeholder")
            << storeResponse(storeItem(detail, "http://i/noimage.gif")) << "http://i/s.jpg";
        QTest::newRow("no items") << storeResponse("") << QString();
        QTest::newRow("html") << Html << QString();
        QTest::newRow("cut off") << storeResponse(storeItem(detail, "http://i/l.jpg")).left(120)
                                 << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void storeAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, image);
        AlbumInfo album;
        QCOMPARE(CoverArtParsers::ParseAmazonService(answer, album), !image.isEmpty());
        if (image.isEmpty())
            return;
        QCOMPARE(album.BestImageUrl(), image);
        QCOMPARE(album.m_detailPageUrl, QString("http://store/dp/1"));
        QCOMPARE(album.m_artist, QString("The Testers"));
        QCOMPARE(album.m_album, QString("Morning"));
        QCOMPARE(album.m_price, QString("$9.99"));
        QCOMPARE(album.m_releaseDate, QString("2001-05-01"));
        QCOMPARE(album.Track(0, 0), QString("First Light"));
        // Track 21 and disc 6 lie outside the bounds and are left out.
        QCOMPARE(album.TrackCount(0), 1);
        QCOMPARE(album.TrackCount(5), 0);
    }

    void relayAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("image");
        QTest::newRow("other artist skipped")
            << QByteArray("<albums><album><artist>Karaoke Stars</artist><title>X</title><image>"
                          "http://i/k.png</image></album><album><artist>Testers</artist><title>"
                          "Morning</title><image>http://i/t.png</image></album></albums>")
            << "http://i/t.png";
        QTest::newRow("only other artists")
            << QByteArray("<albums><album><artist>Karaoke Stars</artist><image>http://i/k.png"
                          "</image></album></albums>")
            << QString();
        QTest::newRow("no image") << QByteArray("<albums><album><artist>The Testers</artist>"
                                                "</album></albums>")
                                  << QString();
        QTest::newRow("html") << Html << QString();
    }
    void relayAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, image);
        AlbumInfo album;
        QCOMPARE(CoverArtParsers::ParseStarlingcast(answer, "The Testers", album),
                 !image.isEmpty());
        QCOMPARE(album.BestImageUrl(), image);
    }

    void musicDatabaseAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("image");
        QTest::newRow("same artist") << lastFm("The Testers", "http://i/xl.png") << "http://i/xl.png";
        QTest::newRow("artist without the, other case")
            << lastFm("testers", "http://i/xl.png") << "http://i/xl.png";
        QTest::newRow("other artist") << lastFm("Karaoke Stars", "http://i/xl.png") << QString();
        QTest::newRow("placeholder large, medium taken")
            << lastFm("The Testers", "http://i/noimage/xl.png") << "http://i/m.png";
        QTest::newRow("failed") << QByteArray("<?xml version=\"1.0\"?><lfm status=\"failed\">"
                                              "<error code=\"6\">Track not found</error></lfm>")
                                << QString();
        QTest::newRow("cut inside album") << lastFm("The Testers", "http://i/xl.png").left(200)
                                          << QString();
        QTest::newRow("html") << Html << QString();
    }
    void musicDatabaseAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, image);
        AlbumInfo album;
        QCOMPARE(CoverArtParsers::ParseLastFMImages(answer, "The Testers", album),
                 !image.isEmpty());
        QCOMPARE(album.BestImageUrl(), image);
        if (!image.isEmpty())
            QCOMPARE(album.m_mbid, QString("m-1"));
    }

    void imageSearchAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("image");
        QTest::newRow("results")
            << QByteArray("{\"responseData\":{\"results\":[{\"GsearchResultClass\":\"GimageSearch\","
                          "\"unescapedUrl\":\"http://i/a b.png\",\"url\":\"http://i/a%20b.png\"},"
                          "{\"GsearchResultClass\":\"GimageSearch\",\"unescapedUrl\":\"http://i/2"
                          "\"}]},\"responseDetails\":null,\"responseStatus\":200}")
            << "http://i/a b.png";
        QTest::newRow("only url")
            << QByteArray("{\"responseData\":{\"results\":[{\"GsearchResultClass\":\"GimageSearch\","
                          "\"url\":\"http://i/u.png\"}]}}")
            << "http://i/u.png";
        QTest::newRow("unmarked results skipped")
            << QByteArray("{\"responseData\":{\"results\":[{\"url\":\"http://i/u.png\"}]}}")
            << QString();
        QTest::newRow("denied")
            << QByteArray("{\"responseData\": null, \"responseDetails\": \"This API is no longer "
                          "available.\", \"responseStatus\": 403}")
            << QString();
        QTest::newRow("html") << Html << QString();
        QTest::newRow("array") << QByteArray("[1,2]") << QString();
    }
    void imageSearchAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, image);
        AlbumInfo album;
        QCOMPARE(CoverArtParsers::ParseGoogleImages(answer, album), !image.isEmpty());
        QCOMPARE(album.BestImageUrl(), image);
    }

    void storeSearchAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("requireArtist");
        QTest::addColumn<QString>("image");
        const QByteArray full =
            "{\"resultCount\":2,\"results\":[{\"artistName\":\"Karaoke Stars\",\"artworkUrl100\":"
            "\"http://i/k/100x100bb.jpg\"},{\"artistName\":\"The Testers\",\"artworkUrl60\":"
            "\"http://i/t/60x60bb.jpg\",\"artworkUrl100\":\"http://i/t/100x100bb.jpg\","
            "\"collectionCensoredName\":\"Morning\",\"trackViewUrl\":\"http://t\",\"previewUrl\":"
            "\"http://p\",\"primaryGenreName\":\"Pop\"}]}";
        QTest::newRow("first result") << full << QString() << "http://i/k/100x100bb.jpg";
        QTest::newRow("first of the artist") << full << "Testers" << "http://i/t/100x100bb.jpg";
        QTest::newRow("170 preferred")
            << QByteArray("{\"results\":[{\"artworkUrl60\":\"http://i/60\",\"artworkUrl170\":"
                          "\"http://i/170\",\"artworkUrl100\":\"http://i/100\"}]}")
            << QString() << "http://i/170";
        QTest::newRow("only 60") << QByteArray("{\"results\":[{\"artworkUrl60\":\"http://i/60\"}]}")
                                 << QString() << "http://i/60";
        QTest::newRow("no artwork") << QByteArray("{\"resultCount\":1,\"results\":[{\"trackName\":"
                                                  "\"x\"}]}")
                                    << QString() << QString();
        QTest::newRow("none") << QByteArray("{\"resultCount\":0,\"results\":[]}") << QString()
                              << QString();
        QTest::newRow("html") << Html << QString() << QString();
        QTest::newRow("cut off") << full.left(90) << QString() << QString();
    }
    void storeSearchAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, requireArtist);
        QFETCH(QString, image);
        AlbumInfo album;
        QCOMPARE(CoverArtParsers::ParseCustomImages(answer, album, requireArtist),
                 !image.isEmpty());
        QCOMPARE(album.BestImageUrl(), image);
        if (requireArtist == "Testers") {
            QCOMPARE(album.m_album, QString("Morning"));
            QCOMPARE(album.m_detailPageUrl, QString("http://t"));
            QCOMPARE(album.m_previewUrl, QString("http://p"));
            QCOMPARE(album.m_genre, QString("Pop"));
        }
    }

    void recordingSearchAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("releases");
        const QByteArray recording =
            "{\"id\":\"r1\",\"score\":100,\"title\":\"First Light\",\"artist-credit\":[{\"name\":"
            "\"The Testers\",\"joinphrase\":\" & \"},{\"name\":\"Friends\"}],\"releases\":["
            "{\"id\":\"comp\",\"title\":\"Hits\",\"release-group\":{\"primary-type\":\"Album\","
            "\"secondary-types\":[\"Compilation\"]}},{\"id\":\"single\",\"title\":\"FL\","
            "\"release-group\":{\"primary-type\":\"Single\"}},{\"id\":\"album\",\"title\":"
            "\"Morning\",\"date\":\"2001\",\"release-group\":{\"primary-type\":\"Album\","
            "\"secondary-types\":[]}}]}";
        QTest::newRow("albums first")
            << "{\"count\":1,\"recordings\":[" + recording + "]}" << true
            << QStringList{"album", "comp", "single"};
        QTest::newRow("other artist")
            << QByteArray("{\"recordings\":[{\"artist-credit\":[{\"name\":\"Karaoke Stars\"}],"
                          "\"releases\":[{\"id\":\"k\"}]}]}")
            << true << QStringList();
        QTest::newRow("no releases")
            << QByteArray("{\"recordings\":[{\"artist-credit\":[{\"name\":\"The Testers\"},{"
                          "\"name\":\"Friends\",\"joinphrase\":\"\"}]}]}")
            << true << QStringList();
        QTest::newRow("error") << QByteArray("{\"error\":\"Rate limit exceeded\"}") << false
                               << QStringList();
        QTest::newRow("html") << Html << false << QStringList();
    }
    void recordingSearchAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, ok);
        QFETCH(QStringList, releases);
        bool parsed = false;
        const QList<CoverArtParsers::Release> found =
            CoverArtParsers::ParseMusicBrainzRecordings(answer, "The Testers & Friends", &parsed);
        QCOMPARE(parsed, ok);
        QStringList ids;
        for (const CoverArtParsers::Release& release : found)
            ids << release.id;
        QCOMPARE(ids, releases);
        if (!found.isEmpty())
            QCOMPARE(found.first().album, QString("Morning"));
    }

    void lyricsPage_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("lyrics");
        QTest::newRow("marked") << "<table><td class=\"td0\">x</td><td class=\"td1\"> Line 1<br>"
                                   "Line 2 </td></table>"
                                << "Line 1<br>Line 2";
        QTest::newRow("no end marker") << "<td class=\"td1\">Line" << "Line";
        QTest::newRow("no start marker") << QString(Html) << QString();
    }
    void lyricsPage() {
        QFETCH(QString, page);
        QFETCH(QString, lyrics);
        const WebSiteDefinition site = WebSiteDefinition::Lyrics("http://l");
        QCOMPARE(site.Extract(page), lyrics);
        QCOMPARE(site.Url("A & B", "C/D"), QString("http://l/A%20%26%20B/C%2FD-Lyrics.html"));
        QVERIFY(!WebSiteDefinition::Lyrics(QString()).IsUsable());
    }

    void artistPages() {
        const WebSiteDefinition wiki =
            WebSiteDefinition::ArtistInfo(WebSiteDefinition::ArtistSite::MusicDatabaseWiki, "h");
        QCOMPARE(wiki.Url("The Testers"), QString("h/music/The%20Testers/+wiki"));
        QCOMPARE(wiki.ExtractArtistInfo("<div id=\"wiki\"><p>Bio</p></div><div>x</div>"),
                 QString("<br><br>Bio</p>"));
        const WebSiteDefinition page =
            WebSiteDefinition::ArtistInfo(WebSiteDefinition::ArtistSite::ArtistPage, "h");
        QCOMPARE(page.ExtractArtistInfo(
                     "<div class=\"s\" id=\"staticSideBarContents\"><p>One<span style=\"color: "
                     "red; display: none\">hidden</span> two<p class=\"x\">Three</div>"),
                 QString("<br><br>One two<br><br>Three"));
        QCOMPARE(WebSiteDefinition::RefreshTarget(
                     "<head><META HTTP-EQUIV=\"Refresh\" CONTENT=\"0; URL=/music/B/+wiki\">"),
                 QString("/music/B/+wiki"));
        QVERIFY(WebSiteDefinition::RefreshTarget(QString(Html)).isEmpty());
        const QString nothing = WebSiteDefinition::NothingFoundText("A&B");
        QVERIFY(nothing.contains("Nothing found about"));
        QVERIFY(nothing.contains("<b>A&amp;B</b>"));
        QVERIFY(nothing.contains("q=A%26B\">Click here to search Google in your default browser"
                                 "</a></html>"));
    }

    void cacheKeepsImagesOnly() {
        QTemporaryDir dir;
        CoverCache cache(dir.filePath("covers"));
        const QString key = CoverCache::Key("The Testers", "First Light");
        QCOMPARE(key, CoverCache::Key("testers", " first  light "));
        QVERIFY(cache.Store(key, Html).isEmpty());
        QVERIFY(cache.Store(key, png(8).left(40)).isEmpty());
        QVERIFY(cache.Find(key).isEmpty());
        const QString file = cache.Store(key, png(8));
        QVERIFY(file.endsWith(".png"));
        QCOMPARE(cache.Find(key), file);
        QVERIFY(!QImage(file).isNull());
    }

    void cacheIsBounded() {
        QTemporaryDir dir;
        const QByteArray image = png(64);
        CoverCache cache(dir.filePath("covers"), image.size() * 3, 100);
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            const QString key = CoverCache::Key("Artist", QString::number(i));
            files << cache.Store(key, image);
            // Each file must be younger than the one before for the order of use to hold.
            QFile f(files.last());
            f.open(QIODevice::ReadWrite);
            f.setFileTime(QDateTime::currentDateTime().addSecs(i - 10),
                          QFileDevice::FileModificationTime);
        }
        QVERIFY(cache.TotalBytes() <= image.size() * 3);
        QVERIFY(QFile::exists(files.last()));
        QVERIFY(!QFile::exists(files.first()));
    }
};

QTEST_GUILESS_MAIN(TestCoverArtParsers)
#include "tst_coverartparsers.moc"
