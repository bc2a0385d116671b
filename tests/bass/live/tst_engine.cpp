// The engine against the real stream servers: every mount plays through the connect thread,
// playlists expand and fail over, an abort ends a hanging connect, titles arrive as songs and
// events reach the GUI thread in order.

#include "audio/bass.h"
#include "bass/bassevents.h"
#include "bass/playlistparser.h"
#include "bass/qtbassconnectthread.h"
#include "recording/appstream.h"
#include "support/fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace BASS;

namespace {

constexpr int kConnectWaitMs = 30000;
const QString kInitialTitle = QStringLiteral("Quillowave Test - Sine 440");

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

QString http(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

} // namespace

// Records the engine's events as a window would receive them: in the GUI thread.
class EventLog : public QObject {
    Q_OBJECT
public:
    QList<uint> codes;
    QList<uint> params;
    bool allInGuiThread = true;

    int count(uint code) const { return static_cast<int>(codes.count(code)); }
    QList<uint> paramsOf(uint code) const {
        QList<uint> found;
        for (int i = 0; i < codes.size(); ++i) {
            if (codes.at(i) == code)
                found.append(params.at(i));
        }
        return found;
    }

public slots:
    void onEvent(BASS::BassQt*, uint msg, uint param) {
        allInGuiThread = allInGuiThread && QThread::currentThread() == qApp->thread();
        codes.append(msg);
        params.append(param);
    }
};

// One engine with its connect thread, as the main window holds them.
struct Player {
    AppStream engine;
    QtBassConnectThread thread{&engine};
    EventLog log;
    QSignalSpy finished{&thread, &QtBassConnectThread::signal_Finished};

    Player() { QObject::connect(&engine, &BassQt::sig_bassEvent, &log, &EventLog::onEvent); }
    ~Player() {
        thread.Abort();
        thread.wait();
        engine.Stop(0);
    }

    bool Open(const QStringList& urls) {
        engine.SetURLs(urls);
        thread.StartConnect();
        return finished.wait(kConnectWaitMs) || finished.count() > 0;
    }
};

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyMountPlays_data();
    void everyMountPlays();
    void playlistsExpand_data();
    void playlistsExpand();
    void deadFirstUrlFailsOver();
    void abortEndsHangingConnect_data();
    void abortEndsHangingConnect();
    void failedConnectReportShowsStatusLine();
    void shortFileCountsEveryByteWithoutAPrebufferWait();
    void bitrateKnownWhenPlayingIsRaised();
    void playlistDownloadLimits_data();
    void playlistDownloadLimits();
    void titleChangeGivesOneEvent_data();
    void titleChangeGivesOneEvent();
    void icyTitlesInCodePage();
    void droppedSourceEndsStream();
    void schemesAndLocalFiles();
    void adInjectorSkippedOnlyForward();
    void retriesRepeatEveryDecoder();
    void playlistDownloadError();
    void stopWithoutStreamRaisesNothing();
    void muteKeepsVolume();
};

void TestEngine::initTestCase() {
    QVERIFY2(!icecast("/mp3").isEmpty(), "the Icecast fixture is not running");
    QString error;
    QVERIFY(!CBass::Init(99, &error, 0, true, 0, "Quillowave", nullptr));
    QCOMPARE(error, QStringLiteral("Illegal device number"));
    QVERIFY(CBass::Init(-1, &error, 0, true, 0, "Quillowave", nullptr));
    QCOMPARE(BASS_GetConfig(BASS_CONFIG_NET_PREBUF), DWORD(0));
    QCOMPARE(BASS_GetConfig(BASS_CONFIG_NET_PLAYLIST), DWORD(2));
}

void TestEngine::everyMountPlays_data() {
    QTest::addColumn<QString>("mount");
    QTest::addColumn<uint>("kind");
    QTest::newRow("mp3") << "/mp3" << uint(CBass::KindGeneric);
    QTest::newRow("aac") << "/aac" << uint(CBass::KindAac);
    QTest::newRow("ogg") << "/ogg" << uint(CBass::KindGeneric);
    QTest::newRow("opus") << "/opus" << uint(CBass::KindGeneric);
    QTest::newRow("flac") << "/flac" << uint(CBass::KindFlac);
}

void TestEngine::everyMountPlays() {
    QFETCH(QString, mount);
    QFETCH(uint, kind);
    Player player;
    QVERIFY(player.Open({icecast(mount.toLatin1().constData())}));
    QVERIFY2(player.engine.GetHandle() != 0, qPrintable(player.engine.LastErrorText()));
    QCOMPARE(uint(player.engine.StreamKindOf()), kind);
    QTRY_VERIFY(player.engine.IsPlaying());

    // One "connecting" per decoder tried, the generic one first and the successful one last,
    // then the first title, then "playing".
    QTRY_COMPARE(player.log.count(EVENT_PLAYING), 1);
    const EventLog& log = player.log;
    const qsizetype playingAt = log.codes.indexOf(EVENT_PLAYING);
    const QList<uint> kinds = log.paramsOf(EVENT_CONNECTING);
    QVERIFY(!kinds.isEmpty());
    QCOMPARE(kinds.first(), uint(CBass::KindGeneric));
    QCOMPARE(kinds.last(), kind);
    QVERIFY(log.codes.lastIndexOf(EVENT_CONNECTING) < playingAt);
    QVERIFY(log.codes.indexOf(EVENT_META_CHANGED) < playingAt);
    QVERIFY(log.allInGuiThread);
    QVERIFY(player.engine.HeaderName().startsWith("Quillowave Test"));
    QCOMPARE(player.engine.CurrentSong().m_artist, QStringLiteral("Quillowave Test"));

    QTRY_VERIFY(player.engine.BytesDownloaded() > 0);
    QVERIFY(player.engine.Stop(0));
    QCOMPARE(player.engine.GetHandle(), HSTREAM(0));
    QCOMPARE(player.log.codes.last(), uint(EVENT_STOPPED));
}

void TestEngine::playlistsExpand_data() {
    const QString dead = QStringLiteral("http://127.0.0.1:9/dead.mp3");
    const QString mp3 = icecast("/mp3");
    const QString ogg = icecast("/ogg");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("played");
    QTest::newRow("pls") << "engine.pls"
                         << "[playlist]\r\nNumberOfEntries=2\r\nFile1=" + dead +
                                "\r\nTitle1=Dead\r\nFile2=" + mp3 + "\r\nTitle2=Live\r\n"
                         << mp3;
    QTest::newRow("m3u") << "engine.m3u"
                         << "#EXTM3U\n#EXTINF:-1,Ogg\n" + ogg + "\n#EXTINF:-1,Mp3\n" + mp3 + "\n"
                         << ogg;
    QTest::newRow("asx") << "engine.asx"
                         << "<asx version=\"3.0\">\n<entry>\n<ref href=\"" + dead +
                                "\"/>\n<ref href=\"" + mp3 + "\"/>\n</entry>\n</asx>\n"
                         << mp3;
}

void TestEngine::playlistsExpand() {
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, played);
    QFile out(QDir(QString::fromStdString(qwtest::wwwDir())).filePath(file));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text.toUtf8());
    out.close();

    Player player;
    const QString url = http("/files/" + file);
    QVERIFY(BassQt::IsPlaylistURL(url));
    QSignalSpy ready(&player.engine, &Stream::sig_StreamReady);
    QVERIFY(player.engine.downloadPlaylistFile(url));
    QVERIFY(player.engine.IsDownloading() || ready.wait(kConnectWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, kConnectWaitMs);
    QVERIFY(!player.engine.IsDownloading());
    QCOMPARE(ready.at(0).at(2).toString(), text);

    QVERIFY(player.Open(PlaylistParser::Candidates(text, url)));
    QCOMPARE(player.engine.ConnectedURL(), played);
    QVERIFY(player.engine.GetHandle() != 0);
    QFile::remove(out.fileName());
}

void TestEngine::deadFirstUrlFailsOver() {
    Player player;
    const QString mp3 = icecast("/mp3");
    QVERIFY(player.Open({http("/status/404"), mp3}));
    QCOMPARE(player.engine.ConnectedURL(), mp3);
    QTRY_COMPARE(player.log.count(EVENT_PLAYING), 1);
    // Every decoder is tried on the dead address before the next address is.
    QVERIFY(player.log.count(EVENT_CONNECTING) >= 2);
    QCOMPARE(player.log.count(EVENT_CONNECT_ABORTED), 0);

    Player none;
    QVERIFY(none.Open({http("/status/404")}));
    QCOMPARE(none.engine.GetHandle(), HSTREAM(0));
    QVERIFY(!none.engine.LastErrorText().isEmpty());
    QVERIFY(none.engine.ConnectErrorText(false).contains(http("/status/404")));
    QCOMPARE(none.log.count(EVENT_PLAYING), 0);
}

void TestEngine::abortEndsHangingConnect_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("silent server") << http("/hang?seconds=60");
    QTest::newRow("answer trickled during the probe") << http("/slow/sine.mp3?rate=1");
}

void TestEngine::abortEndsHangingConnect() {
    QFETCH(QString, url);
    // A time-out far beyond the wait below: only the abort can end the create in time.
    const DWORD savedTimeout = BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 120000);
    Player player;
    player.engine.SetURLs({url, icecast("/mp3")});
    player.thread.StartConnect();
    QTRY_VERIFY(player.log.count(EVENT_CONNECTING) >= 1);
    QElapsedTimer clock;
    clock.start();
    player.thread.Abort();
    QVERIFY(player.thread.wait(kConnectWaitMs));
    qInfo("the connect thread ended %lld ms after the abort", clock.elapsed());
    QVERIFY(player.thread.WasAborted());
    QTRY_COMPARE(player.log.count(EVENT_CONNECT_ABORTED), 1);
    QCOMPARE(player.engine.GetHandle(), HSTREAM(0));
    QCOMPARE(player.log.count(EVENT_PLAYING), 0);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, savedTimeout);
}

void TestEngine::failedConnectReportShowsStatusLine() {
    AppStream engine;
    engine.ClearAbort();
    QVERIFY(!engine.OpenURL(http("/auth/"), 0));
    const QString report = engine.ConnectErrorText(false);
    QVERIFY2(report.contains("Can't open the file"), qPrintable(report));
    // Every decoder tried the address; the report shows the answer once.
    QCOMPARE(report.count("HTTP/1.1 401 Unauthorized"), 1);
}

void TestEngine::shortFileCountsEveryByteWithoutAPrebufferWait() {
    const qint64 size = QFileInfo(QString::fromStdString(qwtest::wwwDir()) + "/sine.mp3").size();
    Player player;
    QVERIFY(player.Open({http("/files/sine.mp3")}));
    QCOMPARE(player.log.count(EVENT_PLAYING), 1);
    // The whole file came before the create returned: all of it counts, and the wait for
    // the network buffer ends at once since nothing more can come.
    QCOMPARE(player.engine.BytesDownloaded(), quint64(size));
    QVERIFY2(player.engine.LastPrebufferMs() < CBass::PrebufferRounds * CBass::PrebufferStepMs,
             qPrintable(QString::number(player.engine.LastPrebufferMs())));
}

void TestEngine::bitrateKnownWhenPlayingIsRaised() {
    Player player;
    QString rateAtEvent;
    // Direct: read on the connect thread the moment the event is raised.
    QObject::connect(
        &player.engine, &BassQt::sig_bassEvent, &player.log,
        [&rateAtEvent](BassQt* engine, uint msg, uint) {
            if (msg == EVENT_PLAYING)
                rateAtEvent = engine->BitrateText();
        },
        Qt::DirectConnection);
    QVERIFY(player.Open({http("/files/sine.mp3")}));
    QCOMPARE(rateAtEvent, QStringLiteral("128 kbps"));
}

void TestEngine::playlistDownloadLimits_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("error");
    QTest::newRow("stalled server") << http("/hang/list.pls?seconds=30") << 1500
                                    << "The connection to the remote server timed out";
    QTest::newRow("endless stream")
        << http("/icy/list.pls?seconds=60&rate=2000000&status=http") << 30000
        << "The download is larger than 1024 KB";
}

void TestEngine::playlistDownloadLimits() {
    QFETCH(QString, url);
    QFETCH(int, timeoutMs);
    QFETCH(QString, error);
    const DWORD savedTimeout = BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, DWORD(timeoutMs));
    AppStream engine;
    QSignalSpy failed(&engine, &Stream::sig_StreamError);
    QVERIFY(engine.downloadPlaylistFile(url));
    QVERIFY(failed.wait(kConnectWaitMs));
    QCOMPARE(failed.at(0).at(2).toString(), error);
    QVERIFY(!engine.IsDownloading());
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, savedTimeout);
}

void TestEngine::titleChangeGivesOneEvent_data() {
    QTest::addColumn<QString>("mount");
    QTest::newRow("mp3") << "/mp3";
    QTest::newRow("aac") << "/aac";
    QTest::newRow("ogg") << "/ogg";
}

void TestEngine::titleChangeGivesOneEvent() {
    QFETCH(QString, mount);
    const std::string m = mount.toStdString();
    Player player;
    QVERIFY(player.Open({icecast(m.c_str())}));
    QVERIFY(player.engine.GetHandle() != 0);
    const int before = player.log.count(EVENT_META_CHANGED);

    const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch());
    const std::string first = ("Engine Artist " + tag + " - Could've Been").toStdString();
    QVERIFY(qwtest::setMountTitle(m, first));
    QTRY_COMPARE_WITH_TIMEOUT(player.log.count(EVENT_META_CHANGED), before + 1, 20000);
    QCOMPARE(player.engine.CurrentSong().m_artist, "Engine Artist " + tag);
    QCOMPARE(player.engine.CurrentSong().m_title, QStringLiteral("Could've Been"));

    // The same title again, then another: only the other one is a new song.
    QVERIFY(qwtest::setMountTitle(m, first));
    QVERIFY(qwtest::setMountTitle(m, ("Second " + tag + " - Song").toStdString()));
    QTRY_COMPARE_WITH_TIMEOUT(player.log.count(EVENT_META_CHANGED), before + 2, 20000);
    QCOMPARE(player.engine.CurrentSong().m_artist, "Second " + tag);
    QCOMPARE(player.engine.CurrentSong().m_title, QStringLiteral("Song"));
    QTest::qWait(1000); // let a late duplicate arrive if there were one
    QCOMPARE(player.log.count(EVENT_META_CHANGED), before + 2);

    QVERIFY(qwtest::setMountTitle(m, kInitialTitle.toStdString()));
}

void TestEngine::icyTitlesInCodePage() {
    // A Shoutcast v1 server sending Windows-1251 titles for a Russian station.
    const QString cyrillic = QString::fromUtf8("Кино - Группа крови");
    Player player;
    Station station;
    station.m_country = QStringLiteral("Russia");
    player.engine.SetStation(station);
    const QString url =
        http("/icy?charset=cp1251&interval=1&titles=" +
             QString::fromLatin1(QUrl::toPercentEncoding(cyrillic + "|Second - Title")));
    QVERIFY(player.Open({url}));
    QVERIFY(player.engine.GetHandle() != 0);
    QCOMPARE(player.engine.HeaderName(), QStringLiteral("Quillowave ICY Test"));
    QCOMPARE(player.engine.Genre(), QStringLiteral("Test"));
    QTRY_VERIFY_WITH_TIMEOUT(player.engine.CurrentSong().m_artist == QStringLiteral("Second") ||
                                 player.engine.PreviousSong().m_artist == QString::fromUtf8("Кино"),
                             20000);
    QTRY_COMPARE_WITH_TIMEOUT(player.engine.CurrentSong().m_artist, QString::fromUtf8("Кино"),
                              20000);
    QCOMPARE(player.engine.CurrentSong().m_title, QString::fromUtf8("Группа крови"));
}

void TestEngine::droppedSourceEndsStream() {
    // A private mount fed by our own source, so that dropping it disturbs no other test.
    const QString mount = QStringLiteral("/engine-drop-%1").arg(QCoreApplication::applicationPid());
    const QUrl server(icecast("/"));
    QProcess source;
    source.setProgram(QStringLiteral("ffmpeg"));
    source.setArguments(
        {"-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i", "sine=frequency=440", "-c:a",
         "libmp3lame", "-b:a", "128k", "-content_type", "audio/mpeg", "-f", "mp3",
         QStringLiteral("icecast://source:%1@127.0.0.1:%2%3")
             .arg(QString::fromStdString(qwtest::fixtureValue("QW_ICECAST_SOURCE_PASSWORD")))
             .arg(server.port())
             .arg(mount)});
    source.start();
    QVERIFY(source.waitForStarted());
    auto stopSource = qScopeGuard([&source] {
        source.kill();
        source.waitForFinished();
    });

    const QString url = icecast(mount.toLatin1().constData());
    std::unique_ptr<Player> player;
    for (int attempt = 0; attempt < 20; ++attempt) {
        player = std::make_unique<Player>();
        QVERIFY(player->Open({url}));
        if (player->engine.GetHandle())
            break;
        QTest::qWait(500); // the source needs a moment to register its mount
    }
    QVERIFY(player->engine.GetHandle() != 0);
    QTRY_VERIFY(player->engine.IsPlaying());

    source.kill();
    source.waitForFinished();
    QTRY_VERIFY_WITH_TIMEOUT(player->log.count(EVENT_STREAM_END) == 1 ||
                                 player->log.paramsOf(EVENT_STALL).contains(0u),
                             30000);
}

void TestEngine::schemesAndLocalFiles() {
    // "icy://" is an alias of http; the replacement is case-sensitive.
    const QString mp3 = icecast("/mp3");
    Player icy;
    QVERIFY(icy.Open({QString(mp3).replace("http://", "icy://")}));
    QCOMPARE(icy.engine.ConnectedURL(), mp3);
    QVERIFY(icy.engine.GetHandle() != 0);

    Player upper;
    QVERIFY(upper.Open({QString(mp3).replace("http://", "ICY://")}));
    QCOMPARE(upper.engine.GetHandle(), HSTREAM(0));

    // A local path is opened as a file; written with backslashes it still reaches the file.
    const QString file = QDir(QString::fromStdString(qwtest::wwwDir())).filePath("sine.mp3");
    QVERIFY(QFile::exists(file));
    Player local;
    QVERIFY(local.Open({file}));
    QVERIFY(local.engine.GetHandle() != 0);
    QCOMPARE(local.engine.ConnectedURL(), file);
    QCOMPARE(local.log.count(EVENT_PLAYING), 1);

    Player backslashed;
    QVERIFY(backslashed.Open({QString(file).replace(u'/', u'\\')}));
    QCOMPARE(backslashed.engine.ConnectedURL(), QString(file).replace(u'/', u'\\'));

    // Opening for decoding only: "playing" on success, "stopped" on failure.
    AppStream decoder;
    EventLog log;
    QObject::connect(&decoder, &BassQt::sig_bassEvent, &log, &EventLog::onEvent);
    QVERIFY(decoder.OpenAndStartFile(file));
    QVERIFY(!decoder.OpenAndStartFile(file + ".missing"));
    // One "stopped" for the stream the second open replaced, one for the failure.
    QTRY_COMPARE(log.count(EVENT_STOPPED), 2);
    QCOMPARE(log.count(EVENT_PLAYING), 1);
    QCOMPARE(log.codes.last(), uint(EVENT_STOPPED));
}

void TestEngine::adInjectorSkippedOnlyForward() {
    const QString ad = icecast("/mp3") + "?via=adinjector";
    Player forward;
    QVERIFY(forward.Open({ad}));
    QCOMPARE(forward.engine.GetHandle(), HSTREAM(0));
    QCOMPARE(forward.log.count(EVENT_CONNECTING), 0);

    Player reverse;
    reverse.thread.SetReverse(true);
    QVERIFY(reverse.Open({ad}));
    QVERIFY(reverse.engine.GetHandle() != 0);
    QVERIFY(!reverse.thread.Reverse());
}

void TestEngine::retriesRepeatEveryDecoder() {
    Player once;
    QVERIFY(once.Open({http("/status/404")}));
    const int attempts = once.log.count(EVENT_CONNECTING);
    QVERIFY(attempts >= 2);

    Player thrice;
    thrice.engine.SetRetries(2);
    QVERIFY(thrice.Open({http("/status/404")}));
    QCOMPARE(thrice.log.count(EVENT_CONNECTING), 3 * attempts);
    QCOMPARE(thrice.engine.GetHandle(), HSTREAM(0));
}

void TestEngine::playlistDownloadError() {
    AppStream engine;
    QSignalSpy ready(&engine, &Stream::sig_StreamReady);
    QSignalSpy failed(&engine, &Stream::sig_StreamError);
    QVERIFY(!engine.downloadPlaylistFile(QString()));
    QVERIFY(engine.downloadPlaylistFile(http("/status/404?x=.pls")));
    QVERIFY(failed.wait(kConnectWaitMs));
    QVERIFY(!failed.at(0).at(2).toString().isEmpty());
    QCOMPARE(ready.count(), 0);
    QVERIFY(!engine.IsDownloading());
}

void TestEngine::stopWithoutStreamRaisesNothing() {
    AppStream engine;
    EventLog log;
    QObject::connect(&engine, &BassQt::sig_bassEvent, &log, &EventLog::onEvent);
    QCOMPARE(engine.Stop(1000), BOOL(FALSE));
    QCOMPARE(engine.Play(0), BOOL(FALSE));
    QVERIFY(!engine.IsPlaying());
    QCoreApplication::processEvents();
    QVERIFY(log.codes.isEmpty());
    // Preconditions give the neutral value without a stream.
    float volume = -1.0F;
    QVERIFY(!engine.GetAttribute(BASS_ATTRIB_VOL, volume));
    QCOMPARE(volume, -1.0F);
    QCOMPARE(engine.GetTags(BASS_TAG_ICY), nullptr);
}

void TestEngine::muteKeepsVolume() {
    Player player;
    QVERIFY(player.Open({icecast("/mp3")}));
    CBass& engine = player.engine;
    QVERIFY(engine.GetHandle() != 0);
    QVERIFY(engine.SetAttribute(BASS_ATTRIB_VOL, 0.6F));

    engine.SetMute(true, 0);
    float volume = -1.0F;
    QVERIFY(engine.GetAttribute(BASS_ATTRIB_VOL, volume));
    QCOMPARE(volume, 0.0F);
    QVERIFY(engine.IsMuted());
    engine.SetMute(false, 0);
    QVERIFY(engine.GetAttribute(BASS_ATTRIB_VOL, volume));
    QCOMPARE(volume, 0.6F);
    QVERIFY(!engine.IsMuted());

    // Muting at volume 0 saves nothing: unmuting leaves the volume as it is.
    QVERIFY(engine.SetAttribute(BASS_ATTRIB_VOL, 0.0F));
    engine.SetMute(true, 0);
    engine.SetMute(false, 0);
    QVERIFY(engine.GetAttribute(BASS_ATTRIB_VOL, volume));
    QCOMPARE(volume, 0.0F);
    QVERIFY(!engine.IsMuted());
}

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
