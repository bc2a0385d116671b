// The installed program as users and the desktop meet it: the real quillowave executable runs
// from a scratch program folder (so it is portable and keeps its settings, socket and crash log
// there) on the test's session bus. A second start hands its address over; quillowave-remote and
// playerctl drive the running instance; a fatal signal writes the crash log and starts the report
// program once. Every process started here is ended here.

#include "support/fixture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

constexpr int kStartMs = 30000;
constexpr int kWaitMs = 20000;
const QString RemoteService = QStringLiteral("org.hollowmere.Quillowave");
const QString MprisService = QStringLiteral("org.mpris.MediaPlayer2.quillowave");

QString mp3Url() {
    return QString::fromStdString(qwtest::icecastUrl("/mp3"));
}

bool serviceRegistered(const QString& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name).value();
}

struct Run {
    int exitCode = -1;
    QString out;
};

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_scratch;
    QString m_program;
    QProcess m_first;

    QString scratch(const QString& name) const { return m_scratch.filePath(name); }

    // The player's environment: its own home, temp folder and desktop folders, no sound device.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), scratch(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), scratch(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), scratch(QStringLiteral("home/.cache")));
        env.insert(QStringLiteral("TMPDIR"), scratch(QStringLiteral("tmp")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch(QStringLiteral("runtime")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        return env;
    }

    // Runs a short-lived program to its end; the player answers from its own process.
    static Run run(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, args);
        Run result;
        if (!process.waitForFinished(kWaitMs)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        result.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return result;
    }
    static Run remote(const QStringList& args) {
        return run(QStringLiteral(QW_REMOTE_PROGRAM), args);
    }
    static Run playerctl(const QStringList& args) {
        return run(QStringLiteral("playerctl"), QStringList{"-p", "quillowave"} + args);
    }
    // The remote control's GetStatus, asked over the bus.
    static uint status(int question) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            RemoteService, QStringLiteral("/Remote"),
            QStringLiteral("org.hollowmere.Quillowave.Remote"), QStringLiteral("Command"));
        call << 20u << question << QString();
        const QDBusReply<uint> reply = QDBusConnection::sessionBus().call(call);
        return reply.isValid() ? reply.value() : 99u;
    }
    static void command(uint code) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            RemoteService, QStringLiteral("/Remote"),
            QStringLiteral("org.hollowmere.Quillowave.Remote"), QStringLiteral("Command"));
        call << code << 0 << QString();
        QDBusConnection::sessionBus().call(call);
    }
    static QVariant mprisProperty(const QString& name) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            MprisService, QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call << QStringLiteral("org.mpris.MediaPlayer2.Player") << name;
        const QDBusReply<QDBusVariant> reply = QDBusConnection::sessionBus().call(call);
        return reply.isValid() ? reply.value().variant() : QVariant();
    }

    void stopFirst() {
        if (m_first.state() == QProcess::NotRunning)
            return;
        m_first.terminate();
        if (!m_first.waitForFinished(5000)) {
            m_first.kill();
            m_first.waitForFinished();
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QVERIFY2(!serviceRegistered(RemoteService), "another player holds the remote service");
        QVERIFY(m_scratch.isValid());
        for (const char* folder : {"program", "home", "tmp", "runtime"})
            QVERIFY(QDir().mkpath(scratch(QLatin1String(folder))));
        // A runtime folder is the user's alone, as the session makes it.
        QVERIFY(QFile::setPermissions(scratch(QStringLiteral("runtime")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_program = scratch(QStringLiteral("program/quillowave"));
        QVERIFY(QFile::copy(QStringLiteral(QW_PROGRAM), m_program));
        // The audio library the program loads once its window is shown lies beside it.
        const QString module = QStringLiteral("libquillowave-audio.so");
        QVERIFY(QFile::copy(QFileInfo(QStringLiteral(QW_PROGRAM)).dir().filePath(module),
                            scratch(QStringLiteral("program/") + module)));
        QVERIFY(QFile::copy(QStringLiteral(QW_BUNDLED_PRESETS),
                            scratch(QStringLiteral("program/presets.xml.gz"))));
        // Stands in for the crash dialog: notes each start and its command line.
        QFile report(scratch(QStringLiteral("program/CrashReport")));
        QVERIFY(report.open(QIODevice::WriteOnly));
        report.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$(dirname \"$0\")/../starts.txt\"\n");
        report.close();
        report.setPermissions(report.permissions() | QFileDevice::ExeOwner);

        m_first.setProcessEnvironment(environment());
        m_first.setProcessChannelMode(QProcess::ForwardedChannels);
        m_first.start(m_program, {});
        QVERIFY(m_first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(serviceRegistered(RemoteService), kStartMs);
        QTRY_VERIFY_WITH_TIMEOUT(serviceRegistered(MprisService), kStartMs);
    }

    void cleanupTestCase() { stopFirst(); }

    void secondStartHandsOverTheAddress() {
        QCOMPARE(status(1), 0u);
        const Run second =
            run(m_program, {QStringLiteral("/url=") + mp3Url(), QStringLiteral("/name=Loopback")},
                environment());
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(m_first.state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 1u, kWaitMs);
        // Once the song is known, nothing more is announced until something changes.
        QTRY_VERIFY_WITH_TIMEOUT(qdbus_cast<QVariantMap>(mprisProperty("Metadata"))
                                     .contains(QStringLiteral("xesam:title")),
                                 kWaitMs);
        const QVariantMap metadata = qdbus_cast<QVariantMap>(mprisProperty("Metadata"));
        QCOMPARE(metadata.value(QStringLiteral("xesam:url")).toString(), mp3Url());
        QCOMPARE(metadata.value(QStringLiteral("xesam:album")).toString(),
                 QStringLiteral("Loopback"));
        QCOMPARE(remote({"GetStatus", "1"}).out, QStringLiteral("1"));
    }

    // Answered on the terminal: no display is needed and nothing reaches the running player.
    void helpAndVersionNeedNoWindow() {
        QProcessEnvironment env = environment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        const Run help = run(m_program, {QStringLiteral("--help"), mp3Url()}, env);
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith(QStringLiteral("Usage: quillowave")));
        QVERIFY(help.out.contains(QStringLiteral("/startlast")));
        const Run version = run(m_program, {QStringLiteral("--version")}, env);
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("Quillowave 1.40.1"));
        QCOMPARE(m_first.state(), QProcess::Running);
    }

    // The language switch is stored before the hand-over, so it holds from the next start on. No
    // Portuguese file ships, so the program stays in English and stores that choice.
    void laterStartStoresItsLanguage() {
        const Run second = run(m_program, {QStringLiteral("/lang=Portuguese_BR")}, environment());
        QCOMPARE(second.exitCode, 0);
        const QSettings ini(scratch(QStringLiteral("program/Hollowmere/Quillowave.ini")),
                            QSettings::IniFormat);
        QCOMPARE(ini.value(QStringLiteral("LanguageFile")).toString(), QStringLiteral("English.lng"));
        QCOMPARE(status(1), 1u);
    }

    void remoteClientGetsEvents() {
        // Registers, stops the player and prints the acknowledgement and the stop.
        const Run stop = remote({"listen", "--count", "2", "--seconds", "20", "Stop"});
        QCOMPARE(stop.exitCode, 0);
        // The client may print a further stop notice before it quits.
        QVERIFY2(stop.out.startsWith(QStringLiteral("1\n3")), qPrintable(stop.out));
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 0u, kWaitMs);
        const Run list = remote({"listen", "--count", "2", "--seconds", "20", "ListCommandNames"});
        QCOMPARE(list.exitCode, 0);
        QVERIFY2(list.out.contains(QLatin1String("\n8 1=SetListener,2=PlayURL,")),
                 qPrintable(list.out));
        QVERIFY(list.out.endsWith(QLatin1String(",21=SearchStations")));

        QCOMPARE(remote({"SetVolume", "30"}).exitCode, 0);
        QCOMPARE(remote({"IncVolume"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(mprisProperty("Volume").toDouble() * 100), 34, kWaitMs);
        // The volume is kept in the scratch profile, not in the build folder.
        QVERIFY(QFile(scratch(QStringLiteral("program/Hollowmere/Quillowave.ini"))).size() > 0);
        // An unknown code reaches the player and changes nothing; a misspelt name never leaves.
        QCOMPARE(remote({"57", "3", "text"}).exitCode, 0);
        QCOMPARE(remote({"NoSuchCommand"}).exitCode, 1);
        QCOMPARE(status(1), 0u);
        QCOMPARE(remote({"GetStatus", "3"}).out, QStringLiteral("0"));
    }

    void playerctlControlsThePlayer() {
        if (QStandardPaths::findExecutable(QStringLiteral("playerctl")).isEmpty())
            QSKIP("playerctl is not installed");
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Stopped"));
        // The Play/Stop toggle plays the last station again.
        QCOMPARE(playerctl({"play-pause"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 1u, kWaitMs);
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Playing"));
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({"metadata", "title"}).out, QStringLiteral("Sine 440"),
                                  kWaitMs);
        QCOMPARE(playerctl({"metadata", "artist"}).out, QStringLiteral("Quillowave Test"));
        QCOMPARE(playerctl({"metadata", "album"}).out, QStringLiteral("Loopback"));
        QCOMPARE(playerctl({"volume", "0.5"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(mprisProperty("Volume").toDouble() * 100), 50, kWaitMs);
        QCOMPARE(playerctl({"stop"}).exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 0u, kWaitMs);
        QCOMPARE(playerctl({"status"}).out, QStringLiteral("Stopped"));
    }

    // As a file manager or browser starts it: the address alone, without a switch.
    void plainAddressPlaysLikeTheUrlSwitch() {
        command(4u); // Stop
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 0u, kWaitMs);
        const Run second = run(m_program, {mp3Url()}, environment());
        QCOMPARE(second.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(status(1), 1u, kWaitMs);
    }

    void fatalSignalWritesTheLogAndStartsTheReportOnce() {
        ::kill(pid_t(m_first.processId()), SIGSEGV);
        QVERIFY(m_first.waitForFinished(kWaitMs));
        QFile log(scratch(QStringLiteral("runtime/quillowave/ERRORLOG.TXT")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.startsWith("quillowave (1.40.1   ) caused "), text.left(120).constData());
        QVERIFY(text.endsWith("\r\n===== [end of ERRORLOG.TXT] =====\r\n"));
        QVERIFY(text.contains("\r\nSignal sent by process " +
                              QByteArray::number(QCoreApplication::applicationPid()) + ".\r\n"));
        QFile starts(scratch(QStringLiteral("starts.txt")));
        QTRY_VERIFY_WITH_TIMEOUT(starts.exists(), kWaitMs);
        QVERIFY(starts.open(QIODevice::ReadOnly));
        QCOMPARE(starts.readAll(), '"' + m_program.toLocal8Bit() + "\"\n");
        QVERIFY(!serviceRegistered(RemoteService));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
