// The playlist readers against real-world shapes and broken files: every reader must find the
// stream addresses in order, respect its caps and never take a line without a scheme.

#include "bass/playlistparser.h"

#include <QTest>

using BASS::PlaylistParser;

class TestPlaylists : public QObject {
    Q_OBJECT
private slots:
    void pls_data();
    void pls();
    void m3u_data();
    void m3u();
    void asx_data();
    void asx();
    void mediaSrc_data();
    void mediaSrc();
    void isPlaylistUrl_data();
    void isPlaylistUrl();
    void readersClearTheirOutput();
    void garbageNeverCrashes_data();
    void garbageNeverCrashes();
};

void TestPlaylists::pls_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("two entries, CRLF")
        << "[playlist]\r\nNumberOfEntries=2\r\nFile1=http://a.example/one\r\nTitle1=One\r\n"
           "Length1=-1\r\nFile2=http://b.example/two\r\nTitle2=Two\r\nVersion=2\r\n"
        << QStringList{"http://a.example/one", "http://b.example/two"};
    QTest::newRow("LF only, blanks around =")
        << "[Playlist]\nfile1 = http://a.example/x\nFILE2\t=\thttp://b.example/y\n"
        << QStringList{"http://a.example/x", "http://b.example/y"};
    QTest::newRow("CR only") << "[playlist]\rFile1=http://a.example/cr\rFile2=http://b.example/cr"
                             << QStringList{"http://a.example/cr", "http://b.example/cr"};
    QTest::newRow("keys out of order: File3 before File2 is skipped")
        << "[playlist]\nFile1=http://a/1\nFile3=http://a/3\nFile2=http://a/2\n"
        << QStringList{"http://a/1", "http://a/2"};
    QTest::newRow("no File1: nothing taken") << "[playlist]\nFile2=http://a/2\nFile3=http://a/3\n"
                                             << QStringList{};
    QTest::newRow("File10 is not File1") << "[playlist]\nFile10=http://a/10\n" << QStringList{};
    QTest::newRow("percent-encoded address")
        << "[playlist]\nFile1=http://a.example/radio%20one.mp3\n"
        << QStringList{"http://a.example/radio one.mp3"};
    QTest::newRow("without [playlist] but numberofentries=")
        << "numberofentries=1\nFile1=http://a/only\n"
        << QStringList{"http://a/only"};
    QTest::newRow("neither marker") << "File1=http://a/1\n" << QStringList{};
    QTest::newRow("entry without scheme is left out")
        << "[playlist]\nFile1=music/local.mp3\nFile2=http://a/2\n"
        << QStringList{"http://a/2"};
    QTest::newRow("empty value") << "[playlist]\nFile1=\nFile2=http://a/2\n"
                                 << QStringList{"http://a/2"};
    QTest::newRow("scheme at the very start only is no address") << "[playlist]\nFile1=://nothing\n"
                                                                 << QStringList{};

    QString twelve = "[playlist]\n";
    QStringList ten;
    for (int i = 1; i <= 12; ++i) {
        twelve += QStringLiteral("File%1=http://s.example/%1\n").arg(i);
        if (i <= 10)
            ten << QStringLiteral("http://s.example/%1").arg(i);
    }
    QTest::newRow("twelve entries give ten") << twelve << ten;
}

void TestPlaylists::pls() {
    QFETCH(QString, text);
    QFETCH(QStringList, urls);
    QStringList found{"stale"};
    PlaylistParser::ParsePls(text, found);
    QCOMPARE(found, urls);
}

void TestPlaylists::m3u_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("extended, CRLF")
        << "#EXTM3U\r\n#EXTINF:-1,Station One\r\nhttp://a.example/1\r\n#EXTINF:-1,Two\r\n"
           "http://b.example/2\r\n"
        << QStringList{"http://a.example/1", "http://b.example/2"};
    QTest::newRow("extended, LF") << "#EXTINF:123,Song\nhttp://a/1\n#EXTINF:5,x\nhttp://a/2"
                                  << QStringList{"http://a/1", "http://a/2"};
    QTest::newRow("extended, CR") << "#EXTINF:1,a\rhttp://a/1\r#EXTINF:2,b\rhttp://a/2\r"
                                  << QStringList{"http://a/1", "http://a/2"};
    QTest::newRow("player option lines between header and address")
        << "#EXTM3U\n#EXTINF:-1,Radio\n#EXTVLCOPT:http-referrer=http://ref.example/\n"
           "#EXTVLCOPT:network-caching=1000\nhttp://a/stream\n"
        << QStringList{"http://a/stream"};
    QTest::newRow("option lines of another player between header and address")
        << "#EXTM3U\n#EXTINF:-1,Radio\n#KODIPROP:inputstream=adaptive\nhttp://a/1\n"
           "#EXTINF:-1,Two\n#EXTVLCOPT:x=1\n#KODIPROP:y=2\nhttp://a/2\n"
        << QStringList{"http://a/1", "http://a/2"};
    QTest::newRow("address lines without their own #EXTINF")
        << "#EXTM3U\nhttp://a/0\n#EXTINF:-1,One\nhttp://a/1\nhttp://a/2\n"
        << QStringList{"http://a/0", "http://a/1", "http://a/2"};
    QTest::newRow("relative entry after #EXTINF is not taken")
        << "#EXTINF:-1,Local\nmusic/song.mp3\n#EXTINF:-1,Web\nhttp://a/web\n"
        << QStringList{"http://a/web"};
    QTest::newRow("blank before the address") << "#EXTINF:-1,x\n   http://a/blank\n"
                                              << QStringList{"http://a/blank"};
    QTest::newRow("#EXTM3U without #EXTINF")
        << "#EXTM3U\nhttp://a/1\n# a comment with http://not.an/entry\nhttp://a/2\n"
        << QStringList{"http://a/1", "http://a/2"};
    QTest::newRow("plain list with comments and relative lines")
        << "# comment\nhttp://a/1\nrelative.mp3\n\nmms://a/2\n"
        << QStringList{"http://a/1", "mms://a/2"};
    QTest::newRow("single line without a line break takes nothing")
        << "http://a/only" << QStringList{};
    QTest::newRow("web player \"file\" values")
        << R"({"title":"x","file" : "http://a/1.mp3"}, {"file":"rel/2.mp3"}, {"file": "http://a/3"})"
        << QStringList{"http://a/1.mp3", "http://a/3"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestPlaylists::m3u() {
    QFETCH(QString, text);
    QFETCH(QStringList, urls);
    QStringList found{"stale"};
    PlaylistParser::ParseM3u(text, found);
    QCOMPARE(found, urls);
}

void TestPlaylists::asx_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("urls");

    // The whole text is read first and then each <entry> again, so entries appear twice.
    QTest::newRow("two entries")
        << "<asx version=\"3.0\">\n<entry>\n<ref href=\"http://a/1\"/>\n</entry>\n"
           "<entry>\n<REF HREF = \"mms://a/2\" />\n</entry>\n</asx>\n"
        << QStringList{"http://a/1", "mms://a/2", "http://a/1", "mms://a/2"};
    QTest::newRow("no entries, one ref")
        << "<ASX version=\"3\"><Ref href=\"http://a/x\"/></ASX>" << QStringList{"http://a/x"};
    QTest::newRow("commented ref is skipped")
        << "<asx>\r\n<!-- <ref href=\"http://old/\"/> -->\r\n<ref href=\"http://new/\"/>\r\n</asx>"
        << QStringList{"http://new/"};
    QTest::newRow("clientskip drops http but keeps mms")
        << "<asx>\n<ref href=\"http://ad/\" clientskip=\"no\"/>\n"
           "<ref href=\"mms://keep/\" clientskip=\"no\"/>\n</asx>"
        << QStringList{"mms://keep/"};
    QTest::newRow("bare mms address on a line")
        << "<asx>\n<param value=\"mms://bare.example/live\"/>\n</asx>"
        << QStringList{"mms://bare.example/live"};
    QTest::newRow("percent-encoded")
        << "<asx><ref href=\"http://a/b%20c\"/></asx>" << QStringList{"http://a/b c"};
    QTest::newRow("asx without ref")
        << "<asx version=\"3.0\"><title>x</title></asx>" << QStringList{};
    QTest::newRow("ref without scheme") << "<asx><ref href=\"local.wma\"/></asx>" << QStringList{};
}

void TestPlaylists::asx() {
    QFETCH(QString, text);
    QFETCH(QStringList, urls);
    QStringList found{"stale"};
    PlaylistParser::ParseAsx(text, found);
    QCOMPARE(found, urls);
}

void TestPlaylists::mediaSrc_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("urls");
    QTest::newRow("first only")
        << "<html><media src=\"http://a/1\"/><media src=\"http://a/2\"/></html>"
        << QStringList{"http://a/1"};
    QTest::newRow("blanks and encoding")
        << "<MEDIA SRC= \" http://a/x%2Fy\">" << QStringList{"http://a/x/y"};
    QTest::newRow("none") << "<html><body>no player</body></html>" << QStringList{};
}

void TestPlaylists::mediaSrc() {
    QFETCH(QString, text);
    QFETCH(QStringList, urls);
    QStringList found{"stale"};
    PlaylistParser::ParseMediaSrc(text, found);
    QCOMPARE(found, urls);
}

void TestPlaylists::isPlaylistUrl_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("playlist");
    QTest::newRow("pls") << "http://a/listen.pls" << true;
    QTest::newRow("upper case") << "http://a/LISTEN.PLS" << true;
    QTest::newRow("m3u8 is a stream") << "http://a/live.m3u8" << false;
    QTest::newRow("query after the name") << "http://a/listen.pls?sid=1" << true;
    QTest::newRow("other php page") << "http://a/stream.php" << false;
    QTest::newRow("asx") << "http://a/x.asx?y=1" << true;
    QTest::newRow("php page") << "http://a/playlist.php?id=3" << true;
    QTest::newRow("wax") << "http://a/x.wax" << true;
    QTest::newRow("stream") << "http://a:8000/stream" << false;
    QTest::newRow("name inside the path only") << "http://a/x.pls/stream" << false;
}

void TestPlaylists::isPlaylistUrl() {
    QFETCH(QString, url);
    QFETCH(bool, playlist);
    QCOMPARE(PlaylistParser::IsPlaylistURL(url), playlist);
    // Fetching adds only its own exceptions to the one rule.
    QCOMPARE(PlaylistParser::FetchesPlaylist(url), playlist);
    QVERIFY(!PlaylistParser::FetchesPlaylist(QString(url).replace("http://", "https://")));
    QVERIFY(!PlaylistParser::FetchesPlaylist(QString(url).replace("//a", "//merkury.a")));
}

void TestPlaylists::readersClearTheirOutput() {
    QStringList urls{"http://left/over"};
    PlaylistParser::ParsePls("nothing here", urls);
    QVERIFY(urls.isEmpty());
    urls = QStringList{"http://left/over"};
    PlaylistParser::ParseAsx("nothing here", urls);
    QVERIFY(urls.isEmpty());
    urls = QStringList{"http://left/over"};
    PlaylistParser::ParseMediaSrc("nothing here", urls);
    QVERIFY(urls.isEmpty());
}

void TestPlaylists::garbageNeverCrashes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>((i * 131 + 7) % 256));
    QTest::newRow("binary") << binary;
    QTest::newRow("markers only") << QByteArray("[playlist]#EXTINF:#EXTM3U<asx<entry<ref href");
    QTest::newRow("unterminated ref") << QByteArray("<asx><entry><ref href=\"http://a/");
    QTest::newRow("file key at end") << QByteArray("[playlist]\nFile1");
    QTest::newRow("quote at end") << QByteArray("\"file\" \"");
    QByteArray manyEntries = "<asx>";
    for (int i = 0; i < 200; ++i)
        manyEntries += "<entry><ref href=\"http://a/" + QByteArray::number(i) + "\"/></entry>\n";
    QTest::newRow("200 asx entries") << manyEntries;
}

void TestPlaylists::garbageNeverCrashes() {
    QFETCH(QByteArray, bytes);
    const QString text = QString::fromLatin1(bytes);
    QStringList urls;
    PlaylistParser::ParsePls(text, urls);
    QVERIFY(urls.size() <= PlaylistParser::PlsMaxUrls);
    PlaylistParser::ParseM3u(text, urls);
    PlaylistParser::ParseAsx(text, urls);
    QVERIFY(urls.size() <= PlaylistParser::AsxMaxUrls);
    PlaylistParser::ParseMediaSrc(text, urls);
    for (const QString& url : urls)
        QVERIFY(PlaylistParser::HasScheme(url));
}

QTEST_GUILESS_MAIN(TestPlaylists)
#include "tst_playlists.moc"
