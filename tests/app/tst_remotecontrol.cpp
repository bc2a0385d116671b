// Tests of the remote control: the queueing rules on the control itself, then the D-Bus service
// over the real session bus with clients on connections of their own, and the command-line
// client against it.

#include "app/remotecontrol.h"
#include "app/remotedbusservice.h"
#include "stateplayer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using Code = RemoteControl::RemoteCommand;
// One command as a client sends it: code, argument, text.
using Cmd = std::tuple<uint, int, QString>;
using Commands = QList<Cmd>;

namespace {

// Receives the Event signals one client connection gets.
class EventSink : public QObject {
    Q_OBJECT
public:
    QStringList events;
public slots:
    void onEvent(uint code, const QString& text) {
        events << QStringLiteral("%1 %2").arg(code).arg(text);
    }
};

QString remoteProgram() {
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/../../src/remote/quillowave-remote");
}

} // namespace

class TestRemoteControl : public QObject {
    Q_OBJECT

private:
    // Sends the commands at once and lets the 10 ms shots run them all.
    static void runAll(RemoteControl& remote, const Commands& cmds) {
        int queued = 0;
        for (const auto& [code, arg, text] : cmds) {
            remote.receive(code, arg, text, QStringLiteral(":1.test"));
            if (code != Code::GetStatus && code != 0)
                ++queued;
        }
        // One shot per queued command; a few more shots cost nothing.
        QTest::qWait(RemoteControl::ProcessDelayMs * 3);
        for (int i = 0; i < queued; ++i)
            QCoreApplication::processEvents();
    }

    static QDBusPendingReply<uint> call(QDBusConnection& bus, uint code, int arg,
                                        const QString& text = QString()) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QString::fromLatin1(RemoteDBusService::ServiceName),
            QString::fromLatin1(RemoteDBusService::ObjectPath),
            QString::fromLatin1(RemoteDBusService::InterfaceName), QStringLiteral("Command"));
        m << code << arg << text;
        return bus.asyncCall(m);
    }

    static uint wait(QDBusPendingReply<uint> reply) {
        QDBusPendingCallWatcher watcher(reply);
        QSignalSpy done(&watcher, &QDBusPendingCallWatcher::finished);
        if (!reply.isFinished())
            done.wait(5000);
        return reply.isValid() ? reply.value() : 0xffffffffu;
    }

private slots:
    // Each row: commands sent before any is processed, the player's log afterwards, and its
    // volume.
    void commands_data() {
        QTest::addColumn<Commands>("commands");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("volume");
        QTest::newRow("inc 0 means 4")
            << Commands{{Code::IncVolume, 0, {}}} << QStringList{"setVolume 54"} << 54;
        QTest::newRow("inc by arg")
            << Commands{{Code::IncVolume, 10, {}}} << QStringList{"setVolume 60"} << 60;
        QTest::newRow("inc capped") << Commands{{Code::SetVolume, 99, {}}, {Code::IncVolume, 0, {}}}
                                    << QStringList{"setVolume 99", "setVolume 100"} << 100;
        QTest::newRow("dec 0 means 4")
            << Commands{{Code::DecVolume, 0, {}}} << QStringList{"setVolume 46"} << 46;
        QTest::newRow("dec floored")
            << Commands{{Code::DecVolume, 80, {}}} << QStringList{"setVolume 0"} << 0;
        QTest::newRow("set out of range")
            << Commands{{Code::SetVolume, 250, {}}} << QStringList{"setVolume 100"} << 100;
        // The later argument replaces the stored copy; the second run finds none.
        QTest::newRow("same code twice")
            << Commands{{Code::IncVolume, 10, {}}, {Code::IncVolume, 20, {}}}
            << QStringList{"setVolume 70", "setVolume 74"} << 74;
        QTest::newRow("texts pair in order")
            << Commands{{Code::PlayURL, 0, "http://a"}, {Code::SearchStations, 0, "jazz"}}
            << QStringList{"playUrl http://a ", "searchStations jazz"} << 50;
        QTest::newRow("a command without text takes the next text")
            << Commands{{Code::Play, 0, {}}, {Code::PlayURL, 0, "http://a"}}
            << QStringList{"togglePlay", "playUrl  "} << 50;
        QTest::newRow("unknown and zero codes do nothing")
            << Commands{{0, 5, {}}, {22, 1, {}}, {99, 0, "x"}, {102, 0, {}}, {0xffffffffu, -1, {}}}
            << QStringList{} << 50;
        QTest::newRow("keys need a code")
            << Commands{{Code::KeyDown, 0, {}},
                        {Code::KeyUp, 65, {}},
                        {Code::KeyDownStationList, 66, {}},
                        {Code::KeyDownMenu, 0, {}},
                        {Code::KeyDownMenu, 70, {}}}
            << QStringList{"sendKey 0 65 0", "sendKey 1 66 1", "sendKeyToMenus 70"} << 50;
        QTest::newRow("menus") << Commands{{Code::ShowMenu, 4, {}}}
                               << QStringList{"closeRemoteMenu", "popUpMenu 4"} << 50;
        QTest::newRow("menu 5 only closes")
            << Commands{{Code::ShowMenu, 5, {}}} << QStringList{"closeRemoteMenu"} << 50;
        QTest::newRow("pages") << Commands{{Code::SelectSearchResults, 0, {}},
                                           {Code::SelectFavorites, 0, {}},
                                           {Code::SelectHistory, 0, {}}}
                               << QStringList{"showStationPage 0", "showStationPage 1",
                                              "showStationPage 2"}
                               << 50;
        QTest::newRow("favourite that exists")
            << Commands{{Code::KeyDownNumPad, 2, {}}} << QStringList{"playFavorite 2"} << 50;
        QTest::newRow("favourite that does not exist")
            << Commands{{Code::KeyDownNumPad, 7, {}}} << QStringList{} << 50;
        QTest::newRow("stop recording only while recording")
            << Commands{{Code::StopRecording, 0, {}},
                        {Code::Play, 0, {}},
                        {Code::StartRecording, 0, {}},
                        {Code::StopRecording, 0, {}}}
            << QStringList{"togglePlay", "toggleRecord", "toggleRecord"} << 50;
    }
    void commands() {
        QFETCH(Commands, commands);
        QFETCH(QStringList, expected);
        QFETCH(int, volume);
        StatePlayer player;
        player.favorites = 3;
        RemoteControl remote(&player);
        runAll(remote, commands);
        QCOMPARE(player.log, expected);
        QCOMPARE(player.volumeValue, volume);
    }

    void getStatusAnswersAtOnce() {
        StatePlayer player;
        RemoteControl remote(&player);
        QCOMPARE(remote.receive(Code::GetStatus, 3, {}, {}), 0u);
        remote.receive(Code::MuteVolume, 0, {}, {});
        QCOMPARE(remote.receive(Code::GetStatus, 3, {}, {}), 0u); // the mute is still queued
        QTRY_VERIFY(player.muted);
        QCOMPARE(remote.receive(Code::GetStatus, 3, {}, {}), 1u);
        QCOMPARE(remote.receive(Code::GetStatus, 1, {}, {}), 0u);
        player.playing = true;
        player.recording = true;
        QCOMPARE(remote.receive(Code::GetStatus, 1, {}, {}), 1u);
        QCOMPARE(remote.receive(Code::GetStatus, 2, {}, {}), 1u);
        QCOMPARE(remote.receive(Code::GetStatus, 0, {}, {}), 0u);
        QCOMPARE(remote.receive(Code::GetStatus, 4, {}, {}), 0u);
    }

    void eventTexts() {
        QCOMPARE(RemoteControl::commandListText(),
                 QStringLiteral("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21"));
        const QStringList names = RemoteControl::commandNamesText().split(u',');
        QCOMPARE(names.size(), 21);
        QCOMPARE(names.first(), QStringLiteral("1=SetListener"));
        QCOMPARE(names.at(19), QStringLiteral("20=GetStatus"));
        QCOMPARE(names.last(), QStringLiteral("21=SearchStations"));
    }

    void eventsOnlyToTheListener() {
        StatePlayer player;
        RemoteControl remote(&player);
        QSignalSpy events(&remote, &RemoteControl::sig_clientEvent);
        remote.notifyRemoteClient(RemoteControl::EventStopped);
        remote.receive(Code::ListCommands, 0, {}, QStringLiteral(":1.5"));
        QTest::qWait(30);
        QCOMPARE(events.size(), 0);

        remote.receive(Code::SetListener, 0, {}, QStringLiteral(":1.7"));
        QCOMPARE(events.size(), 1); // the acknowledgement comes at once
        QCOMPARE(events.at(0), (QVariantList{":1.7", 1u, QString()}));
        // Another SetListener replaces the client.
        remote.receive(Code::SetListener, 0, {}, QStringLiteral(":1.8"));
        remote.notifyRemoteClient(RemoteControl::EventSongChanged, QStringLiteral("A - B"));
        QCOMPARE(events.last(), (QVariantList{":1.8", 6u, "A - B"}));
    }

    void overSessionBus() {
        StatePlayer player;
        RemoteControl remote(&player);
        RemoteDBusService service(&remote);
        QVERIFY2(service.registerOn(QDBusConnection::sessionBus()),
                 qPrintable(service.errorText()));

        QDBusConnection a = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "a");
        QDBusConnection b = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "b");
        EventSink sinkA;
        EventSink sinkB;
        for (auto [bus, sink] : {std::pair{&a, &sinkA}, std::pair{&b, &sinkB}}) {
            QVERIFY(bus->connect(QString(), QString::fromLatin1(RemoteDBusService::ObjectPath),
                                 QString::fromLatin1(RemoteDBusService::InterfaceName),
                                 QStringLiteral("Event"), sink, SLOT(onEvent(uint, QString))));
        }

        // No client yet: events go nowhere.
        remote.notifyRemoteClient(RemoteControl::EventStopped);
        QCOMPARE(wait(call(a, Code::SetListener, 0)), 0u);
        QTRY_COMPARE(sinkA.events, QStringList{"1 "});

        QCOMPARE(wait(call(b, Code::MuteVolume, 0)), 0u);
        QTRY_VERIFY(player.muted);
        QCOMPARE(wait(call(b, Code::GetStatus, 3)), 1u);
        QCOMPARE(wait(call(b, Code::ListCommandNames, 0)), 0u);
        // Let it run before a command with a text comes, or it would take that text.
        QTRY_COMPARE(sinkA.events.size(), 2);
        QCOMPARE(wait(call(b, Code::PlayURL, 0, QStringLiteral("http://127.0.0.1:9/x"))), 0u);
        QTRY_COMPARE(player.url, QStringLiteral("http://127.0.0.1:9/x"));
        remote.notifyRemoteClient(RemoteControl::EventSongChanged,
                                  QStringLiteral("Ärtist - Tïtle"));
        QTRY_COMPARE(sinkA.events.size(), 3);
        QVERIFY(sinkA.events.at(1).startsWith(QStringLiteral("8 1=SetListener,2=PlayURL,")));
        QCOMPARE(sinkA.events.at(2), QStringLiteral("6 Ärtist - Tïtle"));

        // Wrong argument types are refused by the bus layer and change nothing.
        QDBusMessage bad = QDBusMessage::createMethodCall(
            QString::fromLatin1(RemoteDBusService::ServiceName),
            QString::fromLatin1(RemoteDBusService::ObjectPath),
            QString::fromLatin1(RemoteDBusService::InterfaceName), QStringLiteral("Command"));
        bad << QStringLiteral("7");
        QDBusPendingReply<uint> refused = b.asyncCall(bad);
        wait(refused);
        QVERIFY(refused.isError());

        QTest::qWait(50);
        QCOMPARE(sinkB.events, QStringList());
        QCOMPARE(player.volumeValue, 50);
        QDBusConnection::disconnectFromBus("a");
        QDBusConnection::disconnectFromBus("b");
    }

    void commandLineClient() {
        StatePlayer player;
        RemoteControl remote(&player);
        RemoteDBusService service(&remote);
        QVERIFY(service.registerOn(QDBusConnection::sessionBus()));
        QVERIFY2(QFileInfo(remoteProgram()).isExecutable(), qPrintable(remoteProgram()));

        QProcess listener;
        listener.start(remoteProgram(), {"listen", "--count", "3", "ListCommands"});
        QTRY_VERIFY(!remote.listener().isEmpty());
        remote.notifyRemoteClient(RemoteControl::EventError, QStringLiteral("Connection failed"));
        QTRY_COMPARE_WITH_TIMEOUT(listener.state(), QProcess::NotRunning, 10000);
        QCOMPARE(listener.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(listener.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), QStringLiteral("1"));
        QCOMPARE(lines.count(QStringLiteral("1 Connection failed")), 1);
        QCOMPARE(lines.count(QStringLiteral("7 ") + RemoteControl::commandListText()), 1);

        QProcess sender;
        sender.start(remoteProgram(), {"IncVolume"});
        QTRY_COMPARE_WITH_TIMEOUT(sender.state(), QProcess::NotRunning, 10000);
        QCOMPARE(sender.exitCode(), 0);
        QTRY_COMPARE(player.volumeValue, 54);

        player.muted = true;
        QProcess status;
        status.start(remoteProgram(), {"20", "3"});
        QTRY_COMPARE_WITH_TIMEOUT(status.state(), QProcess::NotRunning, 10000);
        QCOMPARE(status.readAllStandardOutput().trimmed(), QByteArray("1"));

        QProcess unknown;
        unknown.start(remoteProgram(), {"NoSuchCommand"});
        QTRY_COMPARE_WITH_TIMEOUT(unknown.state(), QProcess::NotRunning, 10000);
        QVERIFY(unknown.exitCode() != 0);
    }
};

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
