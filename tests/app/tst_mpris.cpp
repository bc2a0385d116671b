// Tests of the desktop media controls over the real session bus: registration that follows the
// option, the root and player properties, the song split into artist and title, volume both
// ways, change notices, and PlayPause toggling a real engine playing the test stream server.

#include "app/mprisservice.h"
#include "bass/bassqt.h"
#include "bass/cbass.h"
#include "bass/qtbassconnectthread.h"
#include "recording/appstream.h"
#include "stateplayer.h"
#include "support/fixture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <QScopeGuard>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString Service = QString::fromLatin1(MprisService::ServiceName);
const QString Path = QString::fromLatin1(MprisService::ObjectPath);
const QString Root = QStringLiteral("org.mpris.MediaPlayer2");
const QString Player = QString::fromLatin1(MprisService::PlayerInterface);
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");

// A player over the real engine: the Play/Stop toggle connects to the station's address or
// stops, as the window's button does.
class EnginePlayer : public StatePlayer {
public:
    AppStream engine;
    BASS::QtBassConnectThread thread{&engine};

    ~EnginePlayer() override {
        thread.Abort();
        thread.wait();
        engine.Stop(0);
    }
    bool isPlaying() const override { return engine.IsActive() || thread.isRunning(); }
    QString coverArtFile() const override { return engine.GetCoverArt()->GetCoverArtFile(); }
    void togglePlay() override {
        if (isPlaying()) {
            thread.Abort();
            thread.wait();
            engine.Stop(0);
            return;
        }
        engine.SetURLs({url});
        thread.start(QThread::InheritPriority);
    }
};

// Waits for an asynchronous call without blocking the service, which lives in this process.
template <typename T> QDBusPendingReply<T> finish(QDBusPendingReply<T> reply) {
    if (!reply.isFinished()) {
        QDBusPendingCallWatcher watcher(reply);
        QSignalSpy done(&watcher, &QDBusPendingCallWatcher::finished);
        done.wait(5000);
    }
    return reply;
}

} // namespace

class TestMpris : public QObject {
    Q_OBJECT

public slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList&) {
        if (interface != Player)
            return;
        for (auto it = changed.begin(); it != changed.end(); ++it) {
            m_changes << (it.key() == QStringLiteral("PlaybackStatus")
                              ? it.key() + u'=' + it.value().toString()
                              : it.key());
        }
    }

private:
    QDBusConnection m_client{QString()};
    QStringList m_changes; // PropertiesChanged as "Key" or "PlaybackStatus=Value"

    QDBusPendingReply<QDBusVariant> property(const QString& interface, const QString& name) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(Service, Path, Properties, QStringLiteral("Get"));
        m << interface << name;
        return finish<QDBusVariant>(m_client.asyncCall(m));
    }
    QVariant value(const QString& interface, const QString& name) {
        auto reply = property(interface, name);
        return reply.isValid() ? reply.value().variant() : QVariant();
    }
    bool invoke(const QString& method) {
        QDBusMessage m = QDBusMessage::createMethodCall(Service, Path, Player, method);
        return !finish<void>(m_client.asyncCall(m)).isError();
    }
    bool owned() {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(Service).value();
    }

private slots:
    void initTestCase() {
        m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
        QVERIFY2(m_client.isConnected(), "tests run on a session bus (dbus-run-session)");
    }
    void cleanupTestCase() { QDBusConnection::disconnectFromBus("client"); }

    void splitSong_data() {
        QTest::addColumn<QString>("song");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::newRow("artist and title") << "Quillowave Test - Sine 440"
                                          << "Quillowave Test"
                                          << "Sine 440";
        QTest::newRow("second separator stays") << "A - B - C"
                                                << "A"
                                                << "B - C";
        QTest::newRow("no separator") << "Station jingle"
                                      << ""
                                      << "Station jingle";
        QTest::newRow("hyphen without blanks") << "Jay-Z"
                                               << ""
                                               << "Jay-Z";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("only separator") << " - "
                                        << ""
                                        << "";
    }
    void splitSong() {
        QFETCH(QString, song);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        const auto split = MprisService::splitSong(song);
        QCOMPARE(split.first, artist);
        QCOMPARE(split.second, title);
    }

    void registeredOnlyWhileEnabled() {
        StatePlayer player;
        {
            MprisService service(&player);
            QVERIFY(!owned());
            QVERIFY(service.setEnabled(true));
            QVERIFY(owned());
            QVERIFY(service.setEnabled(false));
            QVERIFY(!owned());
            QVERIFY(service.setEnabled(true));
        }
        QVERIFY(!owned());
    }

    void properties() {
        StatePlayer player;
        player.station = QStringLiteral("Sine Radio");
        player.url = QStringLiteral("http://127.0.0.1:9/mp3");
        player.song = QStringLiteral("Quillowave Test - Sine 440");
        player.volumeValue = 25;
        MprisService service(&player);
        QVERIFY(service.setEnabled(true));

        QCOMPARE(value(Root, "Identity").toString(), QStringLiteral("Quillowave"));
        QCOMPARE(value(Root, "DesktopEntry").toString(), QStringLiteral("quillowave"));
        QCOMPARE(value(Player, "PlaybackStatus").toString(), QStringLiteral("Stopped"));
        QCOMPARE(value(Player, "Volume").toDouble(), 0.25);

        const QVariantMap meta =
            qdbus_cast<QVariantMap>(value(Player, "Metadata").value<QDBusArgument>());
        QCOMPARE(meta.value("xesam:album").toString(), player.station);
        QCOMPARE(meta.value("xesam:title").toString(), QStringLiteral("Sine 440"));
        QCOMPARE(meta.value("xesam:artist").toStringList(), QStringList{"Quillowave Test"});
        QCOMPARE(meta.value("xesam:url").toString(), player.url);
        QVERIFY(meta.contains("mpris:trackid"));

        // Setting the volume moves the slider; out-of-range values are held to it.
        QDBusMessage set =
            QDBusMessage::createMethodCall(Service, Path, Properties, QStringLiteral("Set"));
        set << Player << QStringLiteral("Volume") << QVariant::fromValue(QDBusVariant(0.5));
        QVERIFY(!finish<void>(m_client.asyncCall(set)).isError());
        QCOMPARE(player.volumeValue, 50);
        set.setArguments(
            {Player, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(7.0))});
        QVERIFY(!finish<void>(m_client.asyncCall(set)).isError());
        QCOMPARE(player.volumeValue, 100);

        QVERIFY(invoke(QStringLiteral("Next")));
        QVERIFY(!invoke(QStringLiteral("NoSuchMethod")));
        QVERIFY(player.log.endsWith(QStringLiteral("setVolume 100")));
    }

    void playPauseStopAndNotices() {
        StatePlayer player;
        MprisService service(&player);
        QVERIFY(service.setEnabled(true));
        QVERIFY(m_client.connect(Service, Path, Properties, QStringLiteral("PropertiesChanged"),
                                 this,
                                 SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))));
        m_changes.clear();

        QVERIFY(invoke(QStringLiteral("PlayPause")));
        QVERIFY(player.playing);
        QVERIFY(invoke(QStringLiteral("Stop")));
        QVERIFY(!player.playing);
        QVERIFY(invoke(QStringLiteral("Play")));
        QVERIFY(player.playing);
        QVERIFY(invoke(QStringLiteral("Pause")));
        QVERIFY(!player.playing);
        QVERIFY(invoke(QStringLiteral("Pause"))); // nothing to pause
        QVERIFY(!player.playing);
        QTRY_COMPARE(m_changes.size(), 4);
        QCOMPARE(m_changes.first(), QStringLiteral("PlaybackStatus=Playing"));
        QCOMPARE(m_changes.last(), QStringLiteral("PlaybackStatus=Stopped"));

        // A new song is announced once, as metadata.
        player.song = QStringLiteral("New Artist - New Song");
        service.playerStateChanged();
        service.playerStateChanged();
        QTRY_COMPARE(m_changes.size(), 5);
        QCOMPARE(m_changes.last(), QStringLiteral("Metadata"));
        m_client.disconnect(Service, Path, Properties, QStringLiteral("PropertiesChanged"), this,
                            SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    }

    void playPauseTogglesTheTestStation() {
        const QString url = QString::fromStdString(qwtest::icecastUrl("/mp3"));
        if (url.isEmpty())
            QSKIP("needs the icecast fixture");
        QString error;
        QVERIFY2(BASS::CBass::Init(0, &error, 0, true, 0, "Quillowave", nullptr),
                 qPrintable(error));
        EnginePlayer player;
        player.url = url;
        MprisService service(&player);
        QVERIFY(service.setEnabled(true));

        QVERIFY(invoke(QStringLiteral("PlayPause")));
        QTRY_VERIFY_WITH_TIMEOUT(player.engine.IsPlaying(), 30000);
        QCOMPARE(value(Player, "PlaybackStatus").toString(), QStringLiteral("Playing"));
        QVERIFY(invoke(QStringLiteral("PlayPause")));
        QTRY_VERIFY(!player.engine.IsActive());
        QCOMPARE(value(Player, "PlaybackStatus").toString(), QStringLiteral("Stopped"));
    }

    // The song of the test stream gets its cover from the HTTP server's copy of the store search;
    // the metadata then names a file that exists and shows that song, and a new song's cover
    // replaces it.
    void metadataCarriesTheCover() {
        const QString url = QString::fromStdString(qwtest::icecastUrl("/mp3"));
        const QString services = QString::fromStdString(qwtest::httpUrl("/coverart/ok"));
        if (url.isEmpty() || services.isEmpty())
            QSKIP("needs the icecast and httpserver fixtures");
        // Other tests expect the mount's own title.
        const auto restoreTitle =
            qScopeGuard([] { qwtest::setMountTitle("/mp3", "Quillowave Test - Sine 440"); });
        QVERIFY(qwtest::setMountTitle("/mp3", "The Testers - First Light"));
        QString error;
        // The library may run already, started by an earlier test of this program.
        BASS::CBass::Init(0, &error, 0, true, 0, "Quillowave", nullptr);
        QTemporaryDir cache;
        EnginePlayer player;
        player.url = url;
        CoverArt* lookup = player.engine.GetCoverArt();
        CoverArtRequest::Settings settings;
        settings.hosts = CoverArtHosts::FromConfiguration(services);
        lookup->SetSettings(settings);
        lookup->SetCacheFolder(cache.filePath("covers"));
        player.engine.SetCoverArtLookups(true);
        MprisService service(&player);
        QVERIFY(service.setEnabled(true));
        QVERIFY(!metadata().contains("mpris:artUrl"));

        QVERIFY(invoke(QStringLiteral("PlayPause")));
        QCOMPARE(coverSongOf(service, player), QStringLiteral("The Testers - First Light"));
        QVERIFY(qwtest::setMountTitle("/mp3", "Sine Singers - Second Wave"));
        QCOMPARE(coverSongOf(service, player), QStringLiteral("Sine Singers - Second Wave"));
        QVERIFY(invoke(QStringLiteral("PlayPause")));
        QTRY_VERIFY(!player.engine.IsActive());
        QTRY_VERIFY(player.coverArtFile().isEmpty());
        service.playerStateChanged();
        QVERIFY(!metadata().contains("mpris:artUrl"));
    }

private:
    QVariantMap metadata() {
        return qdbus_cast<QVariantMap>(value(Player, "Metadata").value<QDBusArgument>());
    }

    // Waits for the next cover the engine finds and reads it back through the bus.
    QString coverSongOf(MprisService& service, EnginePlayer& player) {
        QSignalSpy ready(&player.engine, &BASS::BassQt::sig_coverArtReady);
        if (!ready.wait(60000))
            return QStringLiteral("no cover came");
        service.playerStateChanged();
        const QUrl art(metadata().value("mpris:artUrl").toString());
        if (!art.isLocalFile() || !QFileInfo::exists(art.toLocalFile()))
            return QStringLiteral("no file: ") + art.toString();
        return QImage(art.toLocalFile()).text(QStringLiteral("Song"));
    }
};

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
