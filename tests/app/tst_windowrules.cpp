// The widget-free rules behind the main window: counter texts, key decisions, dropped data,
// playlist addresses and the proxy text. The window's command line is tested in tst_commandline.

#include "app/dropresolver.h"
#include "app/keyboardrules.h"
#include "app/playbackcontroller.h"
#include "app/settingsapplier.h"
#include "app/statuscounters.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using Action = KeyboardRules::Action;
Q_DECLARE_METATYPE(KeyboardRules::Result)

class TestWindowRules : public QObject {
    Q_OBJECT

private slots:
    void elapsedText_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00";
        QTest::newRow("seconds padded") << qint64(7) << "00:07";
        QTest::newRow("last before hour") << qint64(3599) << "59:59";
        QTest::newRow("one hour") << qint64(3600) << "01:00:00";
        QTest::newRow("mixed") << qint64(3 * 3600 + 5 * 60 + 9) << "03:05:09";
        QTest::newRow("hundred hours") << qint64(100 * 3600) << "100:00:00";
        QTest::newRow("negative reads as zero") << qint64(-5) << "00:00";
    }
    void elapsedText() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(StatusCounters::elapsedText(seconds), text);
    }

    void byteText_data() {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << quint64(1023) << "1023";
        QTest::newRow("one kb") << quint64(1024) << "1 kb";
        QTest::newRow("kb whole") << quint64(16000) << "15 kb";
        QTest::newRow("one mb") << quint64(1048576) << "1.0 mb";
        QTest::newRow("mb decimal") << quint64(1572864) << "1.5 mb";
        QTest::newRow("gb") << (quint64(1) << 30) * 3 / 2 << "1.50 gb";
        QTest::newRow("tb") << (quint64(1) << 40) * 2 << "2.000 tb";
    }
    void byteText() {
        QFETCH(quint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(StatusCounters::byteText(bytes), text);
    }

    void countersAddBytesPerSecond() {
        StatusCounters counters;
        counters.tick(128, 1);
        counters.tick(128, 2);
        QCOMPARE(counters.totalBytes(), quint64(32000));
        QCOMPARE(counters.stationBytes(), quint64(32000));
        // The division by 8 comes first: 100 kbit/s counts 12000 bytes, not 12500.
        counters.tick(100, 3);
        QCOMPARE(counters.totalBytes(), quint64(44000));
        QCOMPARE(counters.stationBytes(), quint64(36000));
        counters.resetStation();
        counters.tick(0, 4);
        QCOMPARE(counters.stationBytes(), quint64(0));
        QCOMPARE(counters.totalBytes(), quint64(44000));
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("listFocused");
        QTest::addColumn<bool>("singleKeys");
        QTest::addColumn<KeyboardRules::Result>("result");
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        const int keypad = Qt::KeypadModifier;
        const auto r = [](Action a, int v = 0, const QString& b = QString()) {
            return KeyboardRules::Result{a, v, b};
        };
        QTest::newRow("F8 in list")
            << int(Qt::Key_F8) << none << "" << true << false << r(Action::VolumeBy, -10);
        QTest::newRow("F9 anywhere")
            << int(Qt::Key_F9) << none << "" << false << false << r(Action::VolumeBy, 10);
        QTest::newRow("plus in list goes to list")
            << int(Qt::Key_Plus) << none << "+" << true << false << r(Action::Default);
        QTest::newRow("plus in list with ctrl")
            << int(Qt::Key_Plus) << ctrl << "+" << true << false << r(Action::VolumeBy, 5);
        QTest::newRow("plus outside list")
            << int(Qt::Key_Plus) << none << "+" << false << false << r(Action::VolumeBy, 5);
        QTest::newRow("underscore")
            << int(Qt::Key_Underscore) << none << "_" << false << false << r(Action::VolumeBy, -5);
        QTest::newRow("down in list")
            << int(Qt::Key_Down) << none << "" << true << false << r(Action::Default);
        QTest::newRow("home") << int(Qt::Key_Home) << none << "" << false << false
                              << r(Action::VolumeTo, 100);
        QTest::newRow("end") << int(Qt::Key_End) << none << "" << false << false
                             << r(Action::VolumeTo, 0);
        QTest::newRow("keypad digit")
            << int(Qt::Key_3) << keypad << "3" << true << false << r(Action::PlayFavorite, 3);
        QTest::newRow("ctrl digit")
            << int(Qt::Key_0) << ctrl << "" << false << false << r(Action::PlayFavorite, 0);
        QTest::newRow("plain digit")
            << int(Qt::Key_3) << none << "3" << false << false << r(Action::Default);
        QTest::newRow("ctrl F1 before F1")
            << int(Qt::Key_F1) << ctrl << "" << true << false << r(Action::SwapPeakMeters);
        QTest::newRow("F1") << int(Qt::Key_F1) << none << "" << true << false
                            << r(Action::ShowShortcuts);
        QTest::newRow("ctrl F5 edits")
            << int(Qt::Key_F5) << ctrl << "" << true << false << r(Action::EditFavorite);
        QTest::newRow("ctrl tab") << int(Qt::Key_Tab) << ctrl << "" << true << false
                                  << r(Action::NextPage);
        QTest::newRow("letter without ctrl")
            << int(Qt::Key_P) << none << "p" << false << false << r(Action::Default);
        QTest::newRow("ctrl letter") << int(Qt::Key_P) << ctrl << "\x10" << true << false
                                     << r(Action::ClickButton, 0, "btPlay");
        QTest::newRow("single key allowed") << int(Qt::Key_P) << none << "p" << false << true
                                            << r(Action::ClickButton, 0, "btPlay");
        QTest::newRow("single key but list focused")
            << int(Qt::Key_P) << none << "p" << true << true << r(Action::Default);
        QTest::newRow("mute letter while stopped")
            << int(Qt::Key_U) << ctrl << "" << false << false << r(Action::Default);
        QTest::newRow("browser letter")
            << int(Qt::Key_D) << ctrl << "" << false << false << r(Action::OpenStationBrowser);
        QTest::newRow("unknown letter")
            << int(Qt::Key_Q) << ctrl << "" << false << false << r(Action::Default);
        QTest::newRow("E focuses search")
            << int(Qt::Key_E) << none << "e" << false << false << r(Action::FocusSearch);
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, listFocused);
        QFETCH(bool, singleKeys);
        QFETCH(KeyboardRules::Result, result);
        KeyboardRules rules;
        rules.setAllowSingleKeyShortcuts(singleKeys);
        rules.setShortcutLetters({{QLatin1Char('P'), QStringLiteral("btPlay")},
                                  {QLatin1Char('U'), QStringLiteral("btMute")},
                                  {QLatin1Char('D'), QStringLiteral("StationBrowser")}});
        KeyboardRules::KeyPress press;
        press.key = key;
        press.modifiers = Qt::KeyboardModifiers(modifiers);
        press.text = text;
        press.mainAreaFocused = listFocused;
        const KeyboardRules::Result got = rules.decide(press);
        QCOMPARE(int(got.action), int(result.action));
        QCOMPARE(got.value, result.value);
        QCOMPARE(got.button, result.button);
    }

    void shortcutLetter_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("letter");
        QTest::newRow("first") << "&Play"
                               << "P";
        QTest::newRow("inside, lower case") << "M&ute"
                                            << "U";
        QTest::newRow("escaped ampersand skipped") << "R&&B &Jazz"
                                                   << "J";
        QTest::newRow("none") << "Play"
                              << "";
        QTest::newRow("trailing ampersand") << "Play&"
                                            << "";
    }
    void shortcutLetter() {
        QFETCH(QString, caption);
        QFETCH(QString, letter);
        const QChar got = KeyboardRules::shortcutLetter(caption);
        QCOMPARE(got.isNull() ? QString() : QString(got), letter);
    }

    void droppedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("result");
        const int address = int(DropResolver::Kind::Address);
        QTest::newRow("plain http")
            << "http://radio.example/stream" << address << "http://radio.example/stream";
        QTest::newRow("cut at bar") << "http://radio.example/a.pls|Radio\n"
                                    << address << "http://radio.example/a.pls";
        QTest::newRow("cut at line end")
            << "mms://wm.example/live\nsecond line" << address << "mms://wm.example/live";
        QTest::newRow("https") << "https://radio.example/x" << address << "https://radio.example/x";
        QTest::newRow("favourites list")
            << "{\"stations\": []}" << int(DropResolver::Kind::FavoritesList)
            << "{\"stations\": []}";
        QTest::newRow("brace without close")
            << "http://x.example/{a" << address << "http://x.example/{a";
        QTest::newRow("scheme first char")
            << "://nothing" << int(DropResolver::Kind::Nothing) << "";
        QTest::newRow("ftp is not a station")
            << "ftp://files.example/a.mp3" << int(DropResolver::Kind::Nothing) << "";
        QTest::newRow("plain words") << "hello" << int(DropResolver::Kind::Nothing) << "";
    }
    void droppedText() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, result);
        QMimeData data;
        data.setText(text);
        const DropResolver::Result got = DropResolver::resolve(&data);
        QCOMPARE(int(got.kind), kind);
        QCOMPARE(got.text, result);
    }

    void droppedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("result");
        QTest::newRow("internet shortcut")
            << "radio.url" << QByteArray("[InternetShortcut]\r\nURL=http://a.example/s,1\r\n")
            << "http://a.example/s,1";
        QTest::newRow("desktop link")
            << "radio.desktop"
            << QByteArray("[Desktop Entry]\nName=Radio\nType=Link\nURL=http://b.example/live\n")
            << "http://b.example/live";
        QTest::newRow("desktop application is no link")
            << "app.desktop" << QByteArray("[Desktop Entry]\nType=Application\nURL=http://c/\n")
            << "";
        QTest::newRow("url in another section")
            << "other.url" << QByteArray("[Other]\nURL=http://d.example/\n") << "";
        QTest::newRow("address without scheme")
            << "bad.url" << QByteArray("[InternetShortcut]\nURL=just text\n") << "";
        QTest::newRow("binary garbage") << "junk.url" << QByteArray("\x00\x01\xff[", 4) << "";
    }
    void droppedFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, result);
        QTemporaryDir dir;
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file.fileName())});
        const DropResolver::Result got = DropResolver::resolve(&data);
        QCOMPARE(got.text, result);
        QCOMPARE(got.kind,
                 result.isEmpty() ? DropResolver::Kind::Nothing : DropResolver::Kind::Address);
    }

    void droppedOtherFileIsItsPath() {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/song.mp3")),
                      QUrl(QStringLiteral("http://second.example/"))});
        QCOMPARE(DropResolver::resolve(&data).text, QStringLiteral("/music/song.mp3"));
    }

    void fetchesPlaylist_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("fetched");
        QTest::newRow("pls upper case") << "http://a.example/LIVE.PLS" << true;
        QTest::newRow("m3u") << "http://a.example/x.m3u" << true;
        QTest::newRow("asx") << "http://a.example/x.asx" << true;
        QTest::newRow("wax") << "http://a.example/x.wax" << true;
        QTest::newRow("playlist page") << "http://a.example/playlist.php" << true;
        QTest::newRow("https goes to the worker") << "https://a.example/x.pls" << false;
        QTest::newRow("merkury") << "http://merkury.example/x.pls" << false;
        QTest::newRow("stream") << "http://a.example/stream.mp3" << false;
        QTest::newRow("m3u8 is a stream") << "http://a.example/x.m3u8" << false;
    }
    void fetchesPlaylist() {
        QFETCH(QString, url);
        QFETCH(bool, fetched);
        QCOMPARE(PlaybackController::fetchesPlaylist(url), fetched);
    }

    void currentUrl() {
        Preset station;
        QVERIFY(PlaybackController::currentUrl(station).isEmpty());
        station.addSource(QStringLiteral("http://a/1\nhttp://a/2"));
        station.sourceIndex = 1;
        QCOMPARE(PlaybackController::currentUrl(station), QStringLiteral("http://a/2"));
        station.playlistUrls = QStringList{QStringLiteral("http://p/1")};
        QCOMPARE(PlaybackController::currentUrl(station), QStringLiteral("http://p/1"));
        // An expanded playlist that kept nothing leaves the station without an address.
        station.playlistUrls = QStringList{};
        QVERIFY(PlaybackController::currentUrl(station).isEmpty());
    }

    void stationLabel() {
        Preset station;
        station.title = QStringLiteral("R&B One");
        station.website = QStringLiteral("http://rb.example/");
        QCOMPARE(PlaybackController::stationLabel(station, false),
                 QStringLiteral("<html><a href=\"http://rb.example/\">R&amp;B One</a>"));
        QCOMPARE(PlaybackController::stationLabel(station, true), station.title);
        station.website = QStringLiteral("rb.example");
        QCOMPARE(PlaybackController::stationLabel(station, false), station.title);
    }

    void proxyText_data() {
        QTest::addColumn<QStringList>("parts"); // host, port, user, password
        QTest::addColumn<QString>("text");
        QTest::newRow("host only") << QStringList{"proxy", "", "", ""} << "proxy";
        QTest::newRow("host and port") << QStringList{"proxy", "3128", "", ""} << "proxy:3128";
        QTest::newRow("user") << QStringList{"proxy", "8080", "me", "pw"} << "me:pw@proxy:8080";
        QTest::newRow("user without password") << QStringList{"proxy", "", "me", ""} << "me:@proxy";
        QTest::newRow("no host") << QStringList{"", "8080", "me", "pw"} << "";
    }
    void proxyText() {
        QFETCH(QStringList, parts);
        QFETCH(QString, text);
        QCOMPARE(SettingsApplier::proxyText(parts[0], parts[1], parts[2], parts[3]), text);
    }
};

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_windowrules.moc"
