// The connect controller against the stream servers on loopback: a connect replaced by a newer
// one, candidates that fail before one plays, the watchdog, and playlists read, failed, given up
// or opened by the decoders themselves.

#include "bass/cbass.h"
#include "recording/appstream.h"
#include "recording/connectcontroller.h"
#include "support/fixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

QString http(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

// Serves text as /files/name and returns its address.
QString servedFile(const QString& name, const QByteArray& text) {
    QFile file(QString::fromStdString(qwtest::wwwDir()) + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(text);
    return http(QStringLiteral("/files/") + name);
}

ConnectController::Outcome outcome(const QSignalSpy& ended, int index) {
    return ended.at(index).value(0).value<ConnectController::Outcome>();
}

constexpr int kWaitMs = 20000;
const QString kNothingListens = QStringLiteral("http://127.0.0.1:9/none");

} // namespace

class TestConnectController : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<AppStream> m_engine;
    std::unique_ptr<ConnectController> m_connect;

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(BASS::CBass::Init(0, &error, 10, true, 0, "Quillowave", nullptr),
                 qPrintable(error));
        QVERIFY2(!icecast("/mp3").isEmpty(), "the Icecast fixture is not running");
    }

    void init() {
        m_engine = std::make_unique<AppStream>();
        m_connect = std::make_unique<ConnectController>(m_engine.get());
    }

    void cleanup() {
        m_connect.reset();
        m_engine->Stop(0);
        m_engine.reset();
    }

    void newerConnectReplacesOneStillRunning() {
        QSignalSpy ended(m_connect.get(), &ConnectController::sig_connectEnded);
        m_connect->connectTo({http(QStringLiteral("/hang?seconds=30"))});
        QVERIFY(m_connect->isConnecting());
        m_connect->connectTo({icecast("/mp3")});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        // The hanging connect's end came first; only the newer one's is reported.
        QCOMPARE(outcome(ended, 0), ConnectController::Outcome::Connected);
        QCOMPARE(m_engine->ConnectedURL(), icecast("/mp3"));
    }

    void candidatesFailOverUntilOnePlays() {
        QSignalSpy ended(m_connect.get(), &ConnectController::sig_connectEnded);
        m_connect->connectTo(
            {kNothingListens, http(QStringLiteral("/status/404")), icecast("/ogg")});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        QCOMPARE(outcome(ended, 0), ConnectController::Outcome::Connected);
        QCOMPARE(m_engine->ConnectedURL(), icecast("/ogg"));
    }

    void everyCandidateFailing() {
        QSignalSpy ended(m_connect.get(), &ConnectController::sig_connectEnded);
        m_connect->connectTo({kNothingListens, http(QStringLiteral("/status/404"))});
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        QCOMPARE(outcome(ended, 0), ConnectController::Outcome::Failed);
        QVERIFY(!m_connect->isConnecting());
        QVERIFY(!m_engine->LastErrorText().isEmpty());
    }

    void watchdogThenAbort() {
        QSignalSpy timedOut(m_connect.get(), &ConnectController::sig_timedOut);
        QSignalSpy ended(m_connect.get(), &ConnectController::sig_connectEnded);
        m_connect->setWatchdogMs(300);
        m_connect->connectTo({http(QStringLiteral("/hang?seconds=30"))});
        QTRY_COMPARE_WITH_TIMEOUT(timedOut.size(), 1, kWaitMs);
        // The watchdog only reports: the owner decides to give up.
        QVERIFY(m_connect->isConnecting());
        m_connect->abort();
        QVERIFY(!m_connect->isConnecting());
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        QCOMPARE(outcome(ended, 0), ConnectController::Outcome::Aborted);
    }

    void playlists_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QString>("error");
        QTest::newRow("pls read in order")
            << servedFile(QStringLiteral("cc.pls"),
                          "[playlist]\nFile1=http://a.example/1\nFile2=http://a.example/2\n")
            << QStringList{"http://a.example/1", "http://a.example/2"} << QString();
        QTest::newRow("empty playlist")
            << servedFile(QStringLiteral("cc-empty.m3u"), QByteArray()) << QStringList()
            << "The playlist is empty";
        QTest::newRow("missing playlist")
            << http(QStringLiteral("/files/cc-absent.pls")) << QStringList() << "*";
        QTest::newRow("stalled server")
            << http(QStringLiteral("/hang/cc.pls?seconds=30")) << QStringList()
            << "The connection to the remote server timed out";
    }

    void playlists() {
        QFETCH(QString, url);
        QFETCH(QStringList, read);
        QFETCH(QString, error);
        const DWORD savedTimeout = BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT);
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1500);
        QSignalSpy requested(m_connect.get(), &ConnectController::sig_playlistRequested);
        QSignalSpy entries(m_connect.get(), &ConnectController::sig_playlistRead);
        QSignalSpy failed(m_connect.get(), &ConnectController::sig_playlistFailed);
        m_connect->open(url);
        QCOMPARE(requested.size(), 1);
        QVERIFY(m_connect->isFetchingPlaylist());
        QVERIFY(!m_connect->isConnecting());
        QTRY_COMPARE_WITH_TIMEOUT(entries.size() + failed.size(), 1, kWaitMs);
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, savedTimeout);
        QVERIFY(!m_connect->isFetchingPlaylist());
        if (error.isEmpty()) {
            QCOMPARE(entries.first().value(0).toStringList(), read);
            return;
        }
        QCOMPARE(failed.size(), 1);
        const QString shown = failed.first().value(0).toString();
        QVERIFY2(error == "*" ? !shown.isEmpty() : shown == error, qPrintable(shown));
    }

    void playlistGivenUpIgnoresItsLateAnswer() {
        const QString url = servedFile(QStringLiteral("cc-late.pls"),
                                       "[playlist]\nFile1=http://a.example/1\n");
        QSignalSpy answered(m_engine.get(), &BASS::Stream::sig_StreamReady);
        QSignalSpy entries(m_connect.get(), &ConnectController::sig_playlistRead);
        m_connect->open(url + QStringLiteral("?delay=0.5"));
        m_connect->abort();
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, kWaitMs);
        QVERIFY(entries.isEmpty());
        QVERIFY(!m_connect->isConnecting());
    }

    void playlistNamingOnlyItselfIsOpenedDirectly() {
        // An ASX without references: the decoders get the playlist's own address.
        const QString url = servedFile(QStringLiteral("cc-bare.asx"),
                                       "<ASX version=\"3.0\"><title>x</title></asx>");
        QSignalSpy entries(m_connect.get(), &ConnectController::sig_playlistRead);
        QSignalSpy ended(m_connect.get(), &ConnectController::sig_connectEnded);
        m_connect->open(url);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        QVERIFY(entries.isEmpty());
        QCOMPARE(m_engine->URLs(), QStringList{url});
    }
};

QTEST_GUILESS_MAIN(TestConnectController)
#include "tst_connectcontroller.moc"
