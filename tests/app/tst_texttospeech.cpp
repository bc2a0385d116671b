// Speech through a real engine: flite speaking into a private PulseAudio server's null sink.
// Speaking starts and ends (an underrun on a busy machine may end it early: it still ends), and
// tags are not read out.

#include "ui/texttospeech.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Generous: the sound server starts on a busy machine; the wait ends as soon as it is there.
constexpr int kServerStartMs = 120000;
// Long enough for any sentence flite speaks here.
constexpr int kSpeechMs = 120000;

} // namespace

class TestTextToSpeech : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_runtime;
    QProcess m_server;

    TextToSpeech* speech() const { return TextToSpeech::instance(); }

    // Speaks the forced text and waits until it has been heard to its end.
    bool speakToTheEnd(const QString& text) {
        QSignalSpy finished(speech(), &TextToSpeech::sig_finished);
        if (!speech()->speak(text, true))
            return false;
        return finished.wait(kSpeechMs) || finished.count() > 0;
    }

private slots:
    void initTestCase() {
        const QString pulse = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        QVERIFY2(!pulse.isEmpty(), "pulseaudio is not installed (scripts/bootstrap installs it)");
        QVERIFY(m_runtime.isValid());
        const QString socket = m_runtime.filePath(QStringLiteral("pulse/native"));
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        qputenv("PULSE_SERVER", QByteArray("unix:") + socket.toLocal8Bit());
        m_server.setProgram(pulse);
        m_server.setArguments({"--system=false", "--exit-idle-time=-1", "-n",
                               "--load=module-null-sink sink_name=nullsink",
                               "--load=module-native-protocol-unix", "--log-target=stderr"});
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start();
        QVERIFY2(m_server.waitForStarted(), qPrintable(m_server.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), kServerStartMs);
        speech()->setEngineOrder({QStringLiteral("flite")});
    }

    void cleanupTestCase() {
        speech()->stop();
        m_server.terminate();
        if (!m_server.waitForFinished())
            m_server.kill();
    }

    void speakingStartsAndEnds() {
        QSignalSpy started(speech(), &TextToSpeech::sig_started);
        QSignalSpy unavailable(speech(), &TextToSpeech::sig_unavailable);
        QVERIFY(speakToTheEnd(QStringLiteral("<b>Now playing</b> test tone on station one")));
        QCOMPARE(started.count(), 1);
        QCOMPARE(speech()->engineName(), QStringLiteral("flite"));
        QVERIFY(!speech()->isSpeaking());
        QCOMPARE(unavailable.count(), 0);
    }

    void stripTags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("plain") << "Radio One" << "Radio One";
        QTest::newRow("bold") << "<b>Radio</b> One" << "Radio One";
        QTest::newRow("attributes") << "<a href=\"http://x/?a>b\">link</a>" << "b\">link";
        QTest::newRow("markup only") << "<b></b><br/>" << "";
        QTest::newRow("unclosed") << "Rock <and roll" << "Rock <and roll";
        QTest::newRow("less than") << "1 < 2 > 0" << "1  0";
        QTest::newRow("empty tag") << "a<>b" << "ab";
    }

    void stripTags() {
        QFETCH(QString, text);
        QFETCH(QString, spoken);
        QCOMPARE(TextToSpeech::stripTags(text), spoken);
    }
};

QTEST_MAIN(TestTextToSpeech)
#include "tst_texttospeech.moc"
