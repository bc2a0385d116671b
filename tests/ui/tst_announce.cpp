// F11 where no speech engine can be started: the program says so once, shows what plays, and
// neither mutes the sound nor stops answering the key.

#include "windowprofile.h"

#include "ui/texttospeech.h"

#include <QLabel>
#include <QSignalSpy>

class TestAnnounce : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
        TextToSpeech::instance()->setEngineOrder({QStringLiteral("no-such-engine")});
    }

    void withoutAnEngineTheProgramGoesOn() {
        std::unique_ptr<QuillowaveWindow> window = openExposedWindow(m_settings);
        QVERIFY(window);
        QSignalSpy unavailable(TextToSpeech::instance(), &TextToSpeech::sig_unavailable);
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key_F11);
        QCOMPARE(unavailable.count(), 1);
        const QString message = unavailable.constFirst().constFirst().toString();
        QVERIFY2(message.contains(QStringLiteral("no-such-engine")) ||
                     message.contains(QStringLiteral("no speech engine")),
                 qPrintable(message));
        QCOMPARE(window->statusLabel()->text(), message);
        QVERIFY(!window->playback()->isMuted());

        QTest::keyClick(window.get(), Qt::Key_F11);
        QCOMPARE(unavailable.count(), 1);
        QCOMPARE(window->statusLabel()->text(),
                 QStringLiteral("No radio station is currently playing"));
        QVERIFY(!window->playback()->isMuted());
        QVERIFY(TextToSpeech::instance()->engineName().isEmpty());
    }
};

QTEST_MAIN(TestAnnounce)
#include "tst_announce.moc"
