// Tests of the single-instance application object: a second start of this same executable hands
// its command line to the first and ends; the first brings its window back before it hears the
// message. The second instance is this test program run with "--second".

#include "qtext/qtsingleapplication.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <cstring>

using QT_EXT::QtSingleApplication;

class TestSingleApplication : public QObject {
    Q_OBJECT

private:
    static QtSingleApplication* app() { return static_cast<QtSingleApplication*>(qApp); }

    // Runs the second instance with these arguments and returns its exit code.
    static int runSecond(const QStringList& args) {
        QProcess second;
        second.start(QCoreApplication::applicationFilePath(), QStringList{"--second"} + args);
        // The first instance answers from its event loop, so wait without blocking it.
        if (!QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000))
            return -1;
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -2;
    }

private slots:
    void firstInstanceListens() {
        QVERIFY(!app()->isRunning());
        QVERIFY(!app()->sendMessage(QStringLiteral("to nobody"), 1000));
    }

    void identity() {
        const QString id = QtSingleApplication::defaultId();
        QCOMPARE(id, QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
        const QString mine = QtSingleApplication::serverNameFor(id, QStringLiteral("ann"));
        QCOMPARE(QtSingleApplication::serverNameFor(id, QStringLiteral("ann")), mine);
        QVERIFY(QtSingleApplication::serverNameFor(id, QStringLiteral("bob")) != mine);
        QVERIFY(QtSingleApplication::serverNameFor(id + QStringLiteral("2"),
                                                   QStringLiteral("ann")) != mine);
    }

    void socketIsPrivateToTheUser() {
        const QString name =
            QtSingleApplication::serverNameFor(app()->id(), QtSingleApplication::userName());
        const QFileInfo socket(QDir(QDir::tempPath()).filePath(name));
        QVERIFY2(socket.exists(), qPrintable(socket.filePath()));
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther;
        QCOMPARE(socket.permissions() & others, QFileDevice::Permissions());
    }

    void handOverActivatesFirst() {
        QWidget window;
        window.showMinimized();
        app()->setActivationWindow(&window, true);
        bool minimizedWhenHeard = true;
        const auto connection = connect(app(), &QtSingleApplication::messageReceived, this, [&] {
            minimizedWhenHeard = window.windowState() & Qt::WindowMinimized;
        });
        QSignalSpy received(app(), &QtSingleApplication::messageReceived);

        const QStringList args{"/url=http://127.0.0.1:9/mp3", "", "/show=minimized", "Ünïcode"};
        QCOMPARE(runSecond(args), 0);
        QCOMPARE(received.size(), 1);
        const QStringList parts = received.at(0).at(0).toString().split(u'\n');
        QCOMPARE(parts.first(), QCoreApplication::applicationFilePath());
        QCOMPARE(parts.mid(1), QStringList{"--second"} + args);
        QVERIFY(!minimizedWhenHeard);
        disconnect(connection);
        app()->setActivationWindow(nullptr);
    }

    // A client that sends nothing or garbage and goes away leaves the instance working.
    void badClients() {
        QSignalSpy received(app(), &QtSingleApplication::messageReceived);
        const QString name =
            QtSingleApplication::serverNameFor(app()->id(), QtSingleApplication::userName());
        for (const QByteArray& junk : {QByteArray(), QByteArray("\xff\xff\xff\xf0garbage"),
                                       QByteArray("\x00\x00\x00\x10short", 9)}) {
            QLocalSocket socket;
            socket.connectToServer(name);
            QVERIFY(socket.waitForConnected(2000));
            socket.write(junk);
            socket.waitForBytesWritten(1000);
            QTest::qWait(50);
            socket.abort();
        }
        QTest::qWait(50);
        QCOMPARE(received.size(), 0);
        QCOMPARE(runSecond({"/startlast"}), 0);
        QCOMPARE(received.size(), 1);
    }

    // A restart gives the socket up first: the program started next is the first instance
    // itself instead of handing its command line back. Last, as it ends the listening.
    void stoppedInstanceLetsTheNextOneStart() {
        QSignalSpy received(app(), &QtSingleApplication::messageReceived);
        app()->stopListening();
        QCOMPARE(runSecond({"/startlast"}), 3);
        QCOMPARE(received.size(), 0);
        app()->stopListening();
    }
};

// The second instance: hand the command line over and end, 0 when the first one took it.
static int runAsSecondInstance(int argc, char** argv) {
    QtSingleApplication app(argc, argv);
    if (!app.isRunning())
        return 3;
    const QString message = QCoreApplication::arguments().join(u'\n');
    return app.sendMessage(message, 5000) ? 0 : 4;
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--second") == 0)
        return runAsSecondInstance(argc, argv);
    QtSingleApplication app(argc, argv);
    TestSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleapplication.moc"
