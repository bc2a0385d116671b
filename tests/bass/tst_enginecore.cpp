// The engine's fixed tables and rules that need no stream server: error texts, the network
// time-out rule, stream-format texts, the connect-error report and the precondition rule.

#include "bass/basserror.h"
#include "bass/cbass.h"
#include "bass/playlistparser.h"

#include <QRegularExpression>
#include <QTest>

using namespace BASS;

class TestEngineCore : public QObject {
    Q_OBJECT
private slots:
    void errorTexts_data();
    void errorTexts();
    void netTimeoutRule_data();
    void netTimeoutRule();
    void channelTexts();
    void connectErrorReport();
    void preconditionsLogAndReturnNeutral();
    void playlistCandidates_data();
    void playlistCandidates();
};

void TestEngineCore::errorTexts_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("memory") << 1 << "Memory error";
    QTest::newRow("device") << 23 << "Illegal device number";
    QTest::newRow("timeout") << 40 << "Connection timed out";
    QTest::newRow("file format") << 41 << "Unsupported file format";
    QTest::newRow("wma") << 1001 << "The Windows Media modules (v9 or above) are not installed.";
    QTest::newRow("cd, listed late") << 12 << "No CD fouind in the drive";
    QTest::newRow("not listed") << 10 << "Unknown Library Error";
    QTest::newRow("negative") << -1 << "Unknown Library Error";
    QTest::newRow("ended (library-only code)") << 45 << "Unknown Library Error";
    QTest::newRow("large") << 99999 << "Unknown Library Error";
}

void TestEngineCore::errorTexts() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(QString::fromLatin1(BassError::Text(code)), text);
    QCOMPARE(CBass::ErrorText(code), text);
}

void TestEngineCore::netTimeoutRule_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<uint>("seconds");
    QTest::newRow("30 gives 15") << 30 << 15u;
    QTest::newRow("21 gives 10") << 21 << 10u;
    QTest::newRow("20 keeps the default") << 20 << 0u;
    QTest::newRow("60") << 60 << 30u;
    QTest::newRow("61 is out of range") << 61 << 0u;
    QTest::newRow("-1 is out of range") << -1 << 0u;
    QTest::newRow("0") << 0 << 0u;
}

void TestEngineCore::netTimeoutRule() {
    QFETCH(int, setting);
    QFETCH(uint, seconds);
    QCOMPARE(CBass::NetTimeoutSecondsForSetting(setting), seconds);
}

void TestEngineCore::channelTexts() {
    QCOMPARE(CBass::ChannelTypeText(BASS_CTYPE_STREAM_MP2), QStringLiteral("MP3"));
    QCOMPARE(CBass::ChannelTypeText(BASS_CTYPE_STREAM_FLAC_OGG), QStringLiteral("FLAC Ogg"));
    QCOMPARE(CBass::ChannelTypeText(BASS_CTYPE_STREAM_WMA_MP3), QStringLiteral("WMA"));
    QVERIFY(CBass::ChannelTypeText(0x12345).isEmpty());
    QCOMPARE(CBass::ChannelFlagsText(BASS_SAMPLE_FLOAT | BASS_STREAM_BLOCK),
             QStringLiteral("32-bit floating-point Streamed in small blocks "));
    QVERIFY(CBass::ChannelFlagsText(0).isEmpty());
}

void TestEngineCore::connectErrorReport() {
    CBass engine;
    Station station;
    station.m_name = QStringLiteral("Radio & Co");
    engine.SetStation(station);
    const QString text = engine.ConnectErrorText(false);
    QVERIFY(text.startsWith(QStringLiteral("<html><b>Error</b>: Failed to connect at this time"
                                           "<br><b>Reason</b>: ")));
    QVERIFY(text.contains(QStringLiteral("<br><b>Station</b>: Radio & Co<br><b>URL</b>: ")));
    QVERIFY(text.endsWith(QStringLiteral("<br></html>")));
    QVERIFY(!text.contains(QStringLiteral("report")));
    QVERIFY(engine.ConnectErrorText(true).endsWith(
        QStringLiteral("<br><br>Would you like to report it?</html>")));
    QCOMPARE(engine.StationName(5), QStringLiteral("Radio"));
}

void TestEngineCore::preconditionsLogAndReturnNeutral() {
    CBass engine;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("m_hStream cbass\\.cpp:\\d+"));
    QCOMPARE(engine.GetLevel(), DWORD(0));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("m_hStream cbass\\.cpp:\\d+"));
    QVERIFY(!engine.SetAttribute(BASS_ATTRIB_VOL, 0.5F));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("m_hStream cbass\\.cpp:\\d+"));
    QCOMPARE(engine.GetTags(BASS_TAG_META), nullptr);
    // A stream-less engine stops quietly: nothing to log, nothing to report.
    QCOMPARE(engine.Stop(0), BOOL(FALSE));
    QVERIFY(!engine.IsPlaying());
    QCOMPARE(engine.GetHandle(), HSTREAM(0));
}

void TestEngineCore::playlistCandidates_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("urls");
    const QString self = QStringLiteral("http://list.example/x.asx");
    QTest::newRow("pls first") << "[playlist]\nFile1=http://a/1\n#EXTINF:1,x\nhttp://a/2\n"
                               << QStringList{"http://a/1"};
    QTest::newRow("asx without refs plays the list itself")
        << "<ASX version=\"3\"><title>x</title></ASX>" << QStringList{self};
    QTest::newRow("m3u") << "#EXTINF:-1,x\nhttp://a/m\n" << QStringList{"http://a/m"};
    QTest::newRow("page") << "<embed media src=\"http://a/p\">" << QStringList{"http://a/p"};
    QTest::newRow("bare address") << "  http://a/bare \n" << QStringList{"http://a/bare"};
    QTest::newRow("web service entries left out") << "http://a/Service.asmx?id=1\nhttp://a/ok\n"
                                                  << QStringList{"http://a/ok"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestEngineCore::playlistCandidates() {
    QFETCH(QString, text);
    QFETCH(QStringList, urls);
    QCOMPARE(PlaylistParser::Candidates(text, "http://list.example/x.asx"), urls);
}

QTEST_GUILESS_MAIN(TestEngineCore)
#include "tst_enginecore.moc"
