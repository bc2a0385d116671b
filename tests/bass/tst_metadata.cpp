// Stream titles from every kind of metadata to a clean artist and title: the block readers,
// text decoding with code pages, the splitting rules, templates, clean-up and repeat test.

#include "bass/metadataprocessor.h"
#include "bass/metatext.h"
#include "bass/song.h"

#include <QTest>

using namespace BASS;

class TestMetadata : public QObject {
    Q_OBJECT
private slots:
    void shoutcast_data();
    void shoutcast();
    void windowsMedia_data();
    void windowsMedia();
    void oggComments();
    void headerLines();
    void wmaHeader();
    void decode_data();
    void decode();
    void process_data();
    void process();
    void processRejectsRepeatsAndXml();
    void processWithStationFormat();
    void processGarbage_data();
    void processGarbage();
    void songTexts();
    void songStatusTexts();
};

void TestMetadata::shoutcast_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("streamUrl");

    QTest::newRow("title and url")
        << QByteArray("StreamTitle='Artist - Song';StreamUrl='http://a.example/';") << true
        << "Artist - Song"
        << "http://a.example/";
    QTest::newRow("apostrophe inside")
        << QByteArray("StreamTitle='Jo - Could've Been';StreamUrl='';") << true
        << "Jo - Could've Been"
        << "";
    QTest::newRow("semicolon inside") << QByteArray("StreamTitle='A; B - C';") << true << "A; B - C"
                                      << "";
    QTest::newRow("key case ignored")
        << QByteArray("streamtitle='x - y';STREAMURL='u';") << true << "x - y"
        << "u";
    QTest::newRow("empty title") << QByteArray("StreamTitle='';") << true << ""
                                 << "";
    QTest::newRow("missing quotes")
        << QByteArray("StreamTitle=Artist - Song;") << true << "Artist - Song"
        << "";
    QTest::newRow("unterminated") << QByteArray("StreamTitle='Artist - Son") << true
                                  << "Artist - Son"
                                  << "";
    QTest::newRow("no StreamTitle") << QByteArray("title=foo&artist=bar") << false << ""
                                    << "";
}

void TestMetadata::shoutcast() {
    QFETCH(QByteArray, block);
    QFETCH(bool, parsed);
    QFETCH(QString, title);
    QFETCH(QString, streamUrl);
    RawTitle raw;
    QCOMPARE(MetaText::ParseShoutcast(MetaText::Decode(block, {}), raw), parsed);
    QCOMPARE(raw.m_title, title);
    QCOMPARE(raw.m_streamUrl, streamUrl);
}

void TestMetadata::windowsMedia_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("kind");

    QTest::newRow("caption") << "CAPTION : Artist - Song (live)\r\nmore"
                             << "Artist - Song " << 0;
    QTest::newRow("caption=") << "CAPTION=A - B"
                              << "A - B" << 0;
    QTest::newRow("data fields") << "data=artist=Muse&title=Uprising&duration=305&x=1"
                                 << "Muse - Uprising" << 305;
    QTest::newRow("tuner") << "TUNER=Band - Tune"
                           << "Band - Tune" << 0;
    QTest::newRow("xml is no title") << "XML=<x>y</x>"
                                     << "" << 0;
    QTest::newRow("igimptext") << "igimptext : The Song"
                               << "The Song" << 0;
    QTest::newRow("text") << "text : A - B&rest=1"
                          << "A - B" << 0;
    QTest::newRow("current fields") << "x=1&currentArtist=Cher&currentSong=Believe&y=2"
                                    << "Cher - Believe" << 0;
    QTest::newRow("web page command") << "http://a.example/page"
                                      << "" << 0;
    QTest::newRow("generic key") << "WM/Title= Some - Thing"
                                 << "Some - Thing" << 0;
    QTest::newRow("percent encoded") << "TUNER=Sigur%20R%C3%B3s - Hoppipolla"
                                     << QString::fromUtf8("Sigur Rós - Hoppipolla") << 0;
}

void TestMetadata::windowsMedia() {
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, kind);
    RawTitle raw;
    QVERIFY(MetaText::ParseWindowsMedia(text, raw));
    QCOMPARE(raw.m_title, title.trimmed());
    QCOMPARE(raw.m_kind, kind);
    QCOMPARE(raw.m_complete, text);
}

void TestMetadata::oggComments() {
    RawTitle raw;
    MetaText::ParseOggComments({"ENCODER=ffmpeg", "TITLE=Sine 440", "ARTIST= Quillowave Test"}, {},
                               raw);
    QCOMPARE(raw.m_title, QStringLiteral("Quillowave Test - Sine 440"));
    QVERIFY(raw.m_complete.contains("ENCODER=ffmpeg\n"));

    RawTitle combined;
    MetaText::ParseOggComments({"title=Song Name::Station::Extra"}, {}, combined);
    QCOMPARE(combined.m_title, QStringLiteral("Song Name"));

    RawTitle titleOnly;
    MetaText::ParseOggComments({"TITLE=Band - Track"}, {}, titleOnly);
    QCOMPARE(titleOnly.m_title, QStringLiteral("Band - Track"));

    const char list[] = "A=1\0TITLE=T\0\0";
    QCOMPARE(MetaText::SplitTagList(list), (QList<QByteArray>{"A=1", "TITLE=T"}));
    QVERIFY(MetaText::SplitTagList(nullptr).isEmpty());
    QCOMPARE(MetaText::OggTitle({"ARTIST=x", "TITLE=Station"}, {}), QStringLiteral("Station"));
}

void TestMetadata::headerLines() {
    HeaderTags tags;
    MetaText::ParseHeaderLines({"ICY 200 OK", "icy-name:Radio One", "ICY-GENRE: Rock",
                                "icy-url:http://r1.example", "icy-br:128",
                                "content-type:audio/mpeg", "no colon here", ":empty key"},
                               {}, tags);
    QCOMPARE(tags.m_name, QStringLiteral("Radio One"));
    QCOMPARE(tags.m_name2, tags.m_name);
    QCOMPARE(tags.m_genre, QStringLiteral("Rock"));
    QCOMPARE(tags.m_url, QStringLiteral("http://r1.example"));
    QCOMPARE(tags.Bitrate(), 128);
    QVERIFY(tags.m_raw.startsWith("ICY 200 OK\n"));

    HeaderTags icecast;
    MetaText::ParseHeaderLines({"HTTP/1.0 200 OK", "ice-name: Ice",
                                "ice-audio-info: ice-samplerate=44100;ice-bitrate=96;"
                                "ice-channels=2"},
                               {}, icecast);
    QCOMPARE(icecast.m_name, QStringLiteral("Ice"));
    QCOMPARE(icecast.Bitrate(), 96);
}

void TestMetadata::wmaHeader() {
    HeaderTags tags;
    MetaText::ParseWmaHeader({"WMA_Duration=0", "Bitrate=64000", "CurrentBitrate=48000",
                              "WM/Genre=Jazz", "Title=Smooth FM", "Author=SFM", "Broadcast=true",
                              "Is_Protected=false"},
                             {}, tags);
    QCOMPARE(tags.m_name, QStringLiteral("Smooth FM"));
    QCOMPARE(tags.m_title, tags.m_name);
    QCOMPARE(tags.m_genre, QStringLiteral("Jazz"));
    QCOMPARE(tags.m_bitrate, QStringLiteral("48000"));
    QCOMPARE(tags.m_author, QStringLiteral("SFM"));
    QCOMPARE(tags.m_broadcast, QStringLiteral("true"));
    QCOMPARE(tags.m_protected, QStringLiteral("false"));
}

void TestMetadata::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("text");

    const QString privet = QString::fromUtf8("Привет - Мир");
    QTest::newRow("Windows-1251 from Russia")
        << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2 - \xcc\xe8\xf0") << "Russia" << privet;
    QTest::newRow("UTF-8 stays UTF-8 in Russia") << privet.toUtf8() << "Russia" << privet;
    QTest::newRow("Latin-1 elsewhere")
        << QByteArray("Caf\xe9 Del Mar") << "France" << QString::fromUtf8("Café Del Mar");
    QTest::newRow("Windows-1250 from Poland")
        << QByteArray("\xa3\xf3\x64\x9f") << "Poland" << QString::fromUtf8("Łódź");
    QTest::newRow("Greek") << QByteArray("\xc1\xe8\xde\xed\xe1") << "Greece"
                           << QString::fromUtf8("Αθήνα");
    QTest::newRow("Shift-JIS from Japan")
        << QByteArray("\x93\x8c\x8b\x9e") << "Japan" << QString::fromUtf8("東京");
    QTest::newRow("Arabic group") << QByteArray("\xe3\xd5\xd1") << "Egypt"
                                  << QString::fromUtf8("مصر");
    QTest::newRow("no country") << QByteArray("\xe9t\xe9") << "" << QString::fromUtf8("été");
}

void TestMetadata::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, country);
    QFETCH(QString, text);
    QCOMPARE(MetaText::Decode(bytes, country), text);
}

void TestMetadata::process_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("complete");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("song");

    QTest::newRow("artist - title") << "Daft Punk - One More Time"
                                    << "" << true << "Daft Punk"
                                    << "One More Time";
    QTest::newRow("station - artist - title") << "Radio X - Massive Attack - Teardrop"
                                              << "" << true << "Massive Attack"
                                              << "Teardrop";
    QTest::newRow("hyphenated artist") << "Jay-Z - Empire State"
                                       << "" << true << "Jay-Z"
                                       << "Empire State";
    QTest::newRow("no dash: artist only") << "Station Jingle"
                                          << "" << true << "Station Jingle"
                                          << "";
    QTest::newRow("tilde separated") << "Artist~Title~2010~~"
                                     << "" << true << "Artist"
                                     << "Title";
    QTest::newRow("now on / next") << "Now On: Bjork - Joga Next: Other - Song"
                                   << "" << true << "Bjork"
                                   << "Joga Next: Other";
    QTest::newRow("bracket note cut, space stays") << "A - B [Live 1999]"
                                                   << "" << true << "A"
                                                   << "B ";
    QTest::newRow("percent-encoded artist") << "AC%2FDC - Back In Black"
                                            << "" << true << "AC/DC"
                                            << "Back In Black";
    QTest::newRow("entities after percent") << "Simon %26amp; Garfunkel - Mrs%20Robinson"
                                            << "" << true << "Simon & Garfunkel"
                                            << "Mrs Robinson";
    QTest::newRow("plus is a space") << "The+Cure - Lovesong"
                                     << "" << true << "The Cure"
                                     << "Lovesong";
    QTest::newRow("double dash: split at the first dash") << "A -- B - C"
                                                          << "" << true << "A"
                                                          << "B - C";
    QTest::newRow("empty title") << ""
                                 << "StreamTitle='';" << false << ""
                                 << "";
    QTest::newRow("dash only") << " - "
                               << "" << false << ""
                               << "";
    QTest::newRow("title without artist") << "- Song"
                                          << "" << false << ""
                                          << "";
    QTest::newRow("xml payload") << "x - y"
                                 << "<?xml version=\"1.0\"?><a>x - y</a>" << false << ""
                                 << "";
    QTest::newRow("query-style without StreamTitle")
        << "x"
        << "data=&artist=Moby&title=Porcelain&album=Play" << true << "Moby"
        << "Porcelain";
    QTest::newRow("xml-ish tags template")
        << "x"
        << "<songtitle>Teardrop</songtitle><artistname>Massive Attack</artistname>" << true
        << "Massive Attack"
        << "Teardrop";
}

void TestMetadata::process() {
    QFETCH(QString, title);
    QFETCH(QString, complete);
    QFETCH(bool, accepted);
    QFETCH(QString, artist);
    QFETCH(QString, song);
    RawTitle raw;
    raw.m_title = title;
    raw.m_complete = complete.isEmpty() ? "StreamTitle='" + title + "';" : complete;
    raw.m_streamUrl = "http://info.example/";
    Song current;
    QCOMPARE(MetaDataProcessor::Process(raw, {}, current), accepted);
    QCOMPARE(current.m_artist, artist);
    QCOMPARE(current.m_title, song);
    if (accepted) {
        QCOMPARE(current.m_streamUrl, QStringLiteral("http://info.example/"));
        QVERIFY(current.m_time.isValid());
    }
}

void TestMetadata::processRejectsRepeatsAndXml() {
    RawTitle raw;
    raw.m_title = "Artist - Title";
    raw.m_complete = "StreamTitle='Artist - Title';";
    Song current;
    QVERIFY(MetaDataProcessor::Process(raw, {}, current));
    QVERIFY(!MetaDataProcessor::Process(raw, {}, current));
    // A shorter form of the song playing is taken for a repeat too.
    raw.m_title = "Artist - Tit";
    QVERIFY(!MetaDataProcessor::Process(raw, {}, current));
    raw.m_title = "Artist - Next";
    QVERIFY(MetaDataProcessor::Process(raw, {}, current));
    QCOMPARE(current.m_title, QStringLiteral("Next"));
}

void TestMetadata::processWithStationFormat() {
    RawTitle raw;
    raw.m_title = "now: Song Name/Some Artist";
    raw.m_complete = "StreamTitle='now: Song Name/Some Artist';";
    const QString format = "<s>now: <Song>/<Artist>";
    Song current;
    QVERIFY(MetaDataProcessor::Process(raw, format, current));
    QCOMPARE(current.m_artist, QStringLiteral("Some Artist"));
    QCOMPARE(current.m_title, QStringLiteral("Song Name"));
    QVERIFY(!MetaDataProcessor::Process(raw, format, current));
}

void TestMetadata::processGarbage_data() {
    QTest::addColumn<QByteArray>("block");
    QByteArray binary;
    for (int i = 0; i < 8192; ++i)
        binary.append(static_cast<char>((i * 37 + 11) % 256));
    QTest::newRow("binary") << binary;
    QTest::newRow("NUL padded") << QByteArray("StreamTitle='A - B';\0\0\0\0\0\0", 26);
    QByteArray longBlock =
        "StreamTitle='" + QByteArray(6000, 'x') + " - " + QByteArray(3000, 'y') + "';";
    QTest::newRow("several KB") << longBlock;
    QTest::newRow("quotes only") << QByteArray("StreamTitle=''''';;;");
    QTest::newRow("separators only") << QByteArray("StreamTitle='~~~- - - -[[[';");
}

void TestMetadata::processGarbage() {
    QFETCH(QByteArray, block);
    RawTitle raw;
    const QString text = MetaText::Decode(QByteArray(block.constData()), "Russia");
    if (!MetaText::ParseShoutcast(text, raw))
        MetaText::ParseWindowsMedia(text, raw);
    Song current;
    if (MetaDataProcessor::Process(raw, {}, current))
        QVERIFY(!current.m_artist.isEmpty());
}

void TestMetadata::songTexts() {
    Song song;
    song.SetText("  Simon & Garfunkel  -   The Boxer (Live) ");
    QCOMPARE(song.m_artist, QStringLiteral("Simon & Garfunkel"));
    QCOMPARE(song.m_title, QStringLiteral("The Boxer (Live)"));
    QCOMPARE(song.Text(), QStringLiteral("Simon & Garfunkel - The Boxer (Live)"));
    QCOMPARE(song.Text(Song::Amps::Doubled),
             QStringLiteral("Simon && Garfunkel - The Boxer (Live)"));
    QCOMPARE(song.TitleWithoutSuffix(), QStringLiteral("The Boxer"));
    song.m_title = "(Intro)";
    QCOMPARE(song.TitleWithoutSuffix(), QStringLiteral("(Intro)"));
    song.m_title = "Don't Stop 'Til You Get Enough";
    QCOMPARE(song.TitleWithoutSuffix(), QStringLiteral("Don't Stop"));
    song.m_title.clear();
    QCOMPARE(song.Text(), QStringLiteral("Simon & Garfunkel"));

    QVERIFY(song.TimeText().isEmpty());
    song.m_time = QDateTime(QDate(2024, 3, 7), QTime(15, 4, 5));
    QCOMPARE(song.TimeText(Song::TimeForm::Long), QStringLiteral("3/7/2024 3:04:05 PM"));
    song.Clear();
    QVERIFY(song.IsEmpty());
    QVERIFY(!song.m_time.isValid());
}

void TestMetadata::songStatusTexts() {
    QCOMPARE(Song::StatusText(2), QStringLiteral("Bass error"));
    QCOMPARE(Song::StatusText(9), QStringLiteral("Finished"));
    QCOMPARE(Song::StatusText(13), QStringLiteral("Finished"));
    QCOMPARE(Song::StatusText(12), QStringLiteral("Skipped"));
    QVERIFY(Song::StatusText(3).isEmpty());
    QVERIFY(Song::StatusText(-1).isEmpty());
}

QTEST_GUILESS_MAIN(TestMetadata)
#include "tst_metadata.moc"
