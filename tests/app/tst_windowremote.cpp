// The main window driven from outside, on the offscreen platform and the test's session bus:
// a later start hands its command line over through the single-instance socket, remote clients
// on connections of their own send commands and receive events, the desktop's media controls
// toggle the fixture's stream. The later start and the bus-less start are this program run again
// with "--second" and "--no-bus".

#include "settings/appsettings.h"
#include "app/mprisservice.h"
#include "app/quillowavewindow.h"
#include "app/remotecontrol.h"
#include "app/remotedbusservice.h"
#include "app/windowplayercontrol.h"
#include "app/windowstartup.h"
#include "audio/bass.h"
#include "qtext/qtsingleapplication.h"
#include "stations/bramblerstations.h"
#include "stations/favorites.h"
#include "support/fixture.h"
#include "ui/searchlineedit.h"
#include "ui/stationtreeview.h"
#include "ui/windowprofile.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using QT_EXT::QtSingleApplication;
using Code = RemoteControl::RemoteCommand;

namespace {

constexpr int kWaitMs = 20000;
const QString Service = QString::fromLatin1(RemoteDBusService::ServiceName);
const QString Path = QString::fromLatin1(RemoteDBusService::ObjectPath);
const QString Interface = QString::fromLatin1(RemoteDBusService::InterfaceName);

QString mp3Url() {
    return QString::fromStdString(qwtest::icecastUrl("/mp3"));
}

// Waits for an asynchronous call while the service, which lives in this process, answers it.
QDBusPendingCall finish(const QDBusPendingCall& call) {
    if (!call.isFinished()) {
        QDBusPendingCallWatcher watcher(call);
        QSignalSpy done(&watcher, &QDBusPendingCallWatcher::finished);
        done.wait(5000);
    }
    return call;
}

// One remote client: its own bus connection, the events it was sent as "code text" lines.
class Client : public QObject {
    Q_OBJECT
public:
    explicit Client(const QString& name)
        : m_name(name), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
        m_bus.connect(Service, Path, Interface, QStringLiteral("Event"), this,
                      SLOT(onEvent(uint, QString)));
    }
    ~Client() override { QDBusConnection::disconnectFromBus(m_name); }

    QStringList events;

    QDBusPendingReply<uint> send(uint code, int arg = 0, const QString& text = QString()) {
        return finish(post(code, arg, text));
    }
    // A command whose answer is not waited for.
    QDBusPendingCall post(uint code, int arg = 0, const QString& text = QString()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Command"));
        call << code << arg << text;
        return m_bus.asyncCall(call);
    }
    // A call of any shape, for malformed commands.
    QDBusPendingReply<> raw(const QString& method, const QVariantList& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, method);
        call.setArguments(args);
        return finish(m_bus.asyncCall(call));
    }
    QDBusPendingReply<> mpris(const QString& method) { return finish(postMpris(method)); }
    // A call to the media controls whose answer is not waited for.
    QDBusPendingCall postMpris(const QString& method, const QVariantList& args = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(MprisService::ServiceName),
            QString::fromLatin1(MprisService::ObjectPath),
            QString::fromLatin1(MprisService::PlayerInterface), method);
        call.setArguments(args);
        return m_bus.asyncCall(call);
    }
    QString playbackStatus() {
        QDBusMessage get = QDBusMessage::createMethodCall(
            QString::fromLatin1(MprisService::ServiceName),
            QString::fromLatin1(MprisService::ObjectPath),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QString::fromLatin1(MprisService::PlayerInterface)
            << QStringLiteral("PlaybackStatus");
        QDBusPendingReply<QDBusVariant> reply = finish(m_bus.asyncCall(get));
        return reply.isValid() ? reply.value().variant().toString() : QString();
    }

public slots:
    void onEvent(uint code, const QString& text) {
        events << (text.isEmpty() ? QString::number(code)
                                  : QStringLiteral("%1 %2").arg(code).arg(text));
    }

private:
    QString m_name;
    QDBusConnection m_bus;
};

} // namespace

class TestWindowRemote : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;

    static QtSingleApplication* app() { return static_cast<QtSingleApplication*>(qApp); }

    // This program run again with the arguments; its exit code once it ended.
    static int runAgain(const QStringList& args, QString* output = nullptr) {
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), args);
        // The window answers from this event loop, so wait without blocking it.
        if (!QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, kWaitMs)) {
            other.kill();
            other.waitForFinished();
            return -1;
        }
        if (output)
            *output = QString::fromUtf8(other.readAllStandardOutput());
        return other.exitStatus() == QProcess::NormalExit ? other.exitCode() : -2;
    }
    // Sends a command and lets its 10 ms shot run.
    static void command(Client& client, uint code, int arg = 0, const QString& text = QString()) {
        QVERIFY(!client.send(code, arg, text).isError());
        QTest::qWait(RemoteControl::ProcessDelayMs * 5);
    }
    // Plays the fixture's stream as a station the user picked (which tells the client).
    void playLoopback() {
        m_window->playAddress(mp3Url(), QStringLiteral("Loopback"), true);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
    }

private slots:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                 "tests run on a session bus (dbus-run-session)");
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
    }

    void init() {
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
        QVERIFY2(m_window->missingParts().isEmpty(),
                 qPrintable(m_window->missingParts().join(u'\n')));
        app()->setActivationWindow(m_window.get(), true);
        connect(app(), &QtSingleApplication::messageReceived, m_window.get(),
                &QuillowaveWindow::slot_oneInstance);
    }

    void cleanup() {
        app()->setActivationWindow(nullptr);
        m_window.reset();
    }

    void laterStartPlaysItsAddressAndMinimises() {
        // Looks at the window before the window's own slot hears the message.
        bool minimizedWhenHeard = true;
        disconnect(app(), &QtSingleApplication::messageReceived, m_window.get(), nullptr);
        connect(app(), &QtSingleApplication::messageReceived, this,
                [&] { minimizedWhenHeard = m_window->isMinimized(); });
        connect(app(), &QtSingleApplication::messageReceived, m_window.get(),
                &QuillowaveWindow::slot_oneInstance);
        m_window->showMinimized();
        const int code = runAgain(
            {"--second", QStringLiteral("/url=") + mp3Url(), "/name=Loopback", "/show=minimized"});
        disconnect(app(), &QtSingleApplication::messageReceived, this, nullptr);
        QCOMPARE(code, 0);
        QVERIFY2(!minimizedWhenHeard, "the hand-over did not bring the window back first");
        QVERIFY(m_window->isMinimized());
        QCOMPARE(m_window->playback()->currentStation().title, QStringLiteral("Loopback"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);

        // Without "/show=minimized" the window comes back; a second address replaces the first.
        const QString ogg = QString::fromStdString(qwtest::icecastUrl("/ogg"));
        QCOMPARE(runAgain({"--second", QStringLiteral("/url=") + ogg}), 0);
        QVERIFY(!m_window->isMinimized());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(m_window->playerControl()->stationUrl(), ogg);
        m_window->slot_Stop();
    }

    // A window starts its audio library and reads its directory after its first paint (at once
    // when it starts in the tray); hand-overs that arrive before wait and then run in order.
    void handOversBeforeTheStartWaitInOrder_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("in the tray") << false;
    }
    void handOversBeforeTheStartWaitInOrder() {
        QFETCH(bool, shown);
        // One window at a time holds the bus names; this one starts the library itself.
        cleanup();
        BASS_Free();
        QuillowaveWindow window(m_settings);
        QVERIFY(!window.isReady());
        const QString ogg = QString::fromStdString(qwtest::icecastUrl("/ogg"));
        window.slot_oneInstance(QStringLiteral("/usr/bin/quillowave\n/url=") + ogg);
        window.slot_oneInstance(
            QStringLiteral("/usr/bin/quillowave\n/url=%1\n/name=Loopback").arg(mp3Url()));
        // Nothing connects yet (the station shown may be the last one of the history).
        QVERIFY(!window.playback()->isActive());
        QVERIFY(window.directory()->allPresets.isEmpty());
        QSignalSpy ready(window.startup(), &WindowStartup::sig_ready);
        if (shown)
            window.show();
        QVERIFY(ready.wait(kWaitMs));
        QVERIFY(BASS_GetDevice() != DWORD(-1));
        QVERIFY(!window.directory()->allPresets.isEmpty());
        QVERIFY(window.directoryView()->topLevelItemCount() > 0);
        // The later of the two addresses is the one that plays.
        QCOMPARE(window.playback()->currentStation().title, QStringLiteral("Loopback"));
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(window.playerControl()->stationUrl(), mp3Url());
        window.slot_Stop();
    }

    // The names are on the bus from the first paint on: commands that come before the audio
    // library and the directory are there are answered once they are, and carried out in their
    // order with what the media controls were asked meanwhile.
    void callsBeforeTheStartWaitInOrder() {
        cleanup();
        BASS_Free();
        QuillowaveWindow window(m_settings);
        Client client(QStringLiteral("early"));
        const QString ogg = QString::fromStdString(qwtest::icecastUrl("/ogg"));
        std::vector<std::unique_ptr<QDBusPendingCallWatcher>> calls;
        bool sentBeforeReady = false;
        QList<bool> readyWhenAnswered;
        const auto watch = [&](const QDBusPendingCall& call, bool answeredWhenReady) {
            calls.push_back(std::make_unique<QDBusPendingCallWatcher>(call));
            connect(calls.back().get(), &QDBusPendingCallWatcher::finished, this,
                    [&, answeredWhenReady](QDBusPendingCallWatcher* watcher) {
                        QVERIFY2(!watcher->isError(), qPrintable(watcher->error().message()));
                        readyWhenAnswered << (window.isReady() || !answeredWhenReady);
                    });
        };
        // Sent as soon as the window has begun its start, while the library is not there yet.
        // The media controls answer at once and play the address later.
        connect(window.startup(), &WindowStartup::sig_begun, this, [&] {
            sentBeforeReady = !window.isReady();
            watch(client.postMpris(QStringLiteral("OpenUri"), {ogg}), false);
            watch(client.post(Code::PlayURL, 0, mp3Url()), true);
            watch(client.post(Code::SetListener), true);
            watch(client.post(Code::GetStatus, 1), true);
        });
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(readyWhenAnswered.size(), 4, kWaitMs);
        QVERIFY(sentBeforeReady);
        QCOMPARE(readyWhenAnswered, QList<bool>(4, true));
        // The address sent last is the one that plays, and the client hears of it.
        QTRY_COMPARE_WITH_TIMEOUT(window.statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(window.playerControl()->stationUrl(), mp3Url());
        QCOMPARE(client.events.value(0), QStringLiteral("1"));
        QVERIFY(client.events.contains(QStringLiteral("2")));
        window.slot_Stop();
    }

    void sleepTimerFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<int>("remaining");
        QTest::newRow("duration first") << QStringList{"/duration=120", "/end_action=0"} << 120;
        QTest::newRow("end action first") << QStringList{"/end_action=0", "/duration=120"} << 0;
        QTest::newRow("quit maps from 1") << QStringList{"/duration=90", "/end_action=1"} << 90;
        QTest::newRow("unknown end action") << QStringList{"/duration=120", "/end_action=7"} << 0;
        QTest::newRow("end action not a number")
            << QStringList{"/duration=60", "/end_action=soon"} << 60;
        QTest::newRow("duration not a number")
            << QStringList{"/duration=long", "/end_action=0"} << 0;
        QTest::newRow("switch in capitals") << QStringList{"/Duration=60", "/END_ACTION=0"} << 0;
    }
    void sleepTimerFromTheCommandLine() {
        QFETCH(QStringList, switches);
        QFETCH(int, remaining);
        const QStringList arguments = QStringList{QStringLiteral("/usr/bin/quillowave")} + switches;
        m_window->slot_oneInstance(arguments.join(u'\n'));
        QCOMPARE(m_window->playback()->sleepRemaining(), remaining);
        m_window->playback()->setSleepTimer(0, 0);
    }

    void startLastPlaysTheLastStationOnlyWhenNothingPlays() {
        playLoopback();
        m_window->slot_Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playerControl()->isPlaying(), kWaitMs);
        m_window->slot_oneInstance(QStringLiteral("/usr/bin/quillowave\n/startlast"));
        QVERIFY(m_window->playerControl()->isPlaying());
        QCOMPARE(m_window->playerControl()->stationUrl(), mp3Url());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        // While it plays, the switch leaves the stream alone.
        QSignalSpy stationShown(m_window->playback(), &PlaybackController::sig_stationShown);
        m_window->slot_oneInstance(QStringLiteral("/usr/bin/quillowave\n/startlast"));
        QCOMPARE(stationShown.size(), 0);
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Playing"));
        m_window->slot_Stop();
    }

    void volumeCommands() {
        Client client(QStringLiteral("volume"));
        QSlider* slider = m_window->volumeSlider();
        m_window->setVolume(50);
        command(client, Code::IncVolume, 0);
        QCOMPARE(slider->value(), 54);
        command(client, Code::IncVolume, 7);
        QCOMPARE(slider->value(), 61);
        command(client, Code::SetVolume, 98);
        command(client, Code::IncVolume, 0);
        QCOMPARE(slider->value(), 100);
        command(client, Code::IncVolume, 0);
        QCOMPARE(slider->value(), 100);
        command(client, Code::DecVolume, 99);
        QCOMPARE(slider->value(), 1);
        command(client, Code::DecVolume, 0);
        QCOMPARE(slider->value(), 0);
        command(client, Code::SetVolume, -20);
        QCOMPARE(slider->value(), 0);
        // A key sent to the window acts as the key itself: F9 is a volume step up.
        command(client, Code::KeyDown, Qt::Key_F9);
        QCOMPARE(slider->value(), 10);
        QCOMPARE(m_settings->Volume(), 10);
    }

    void getStatusAnswersMuteOnlyWhileMuted() {
        Client client(QStringLiteral("status"));
        QCOMPARE(client.send(Code::GetStatus, 3).value(), 0u);
        QCOMPARE(client.send(Code::GetStatus, 1).value(), 0u);
        command(client, Code::MuteVolume);
        QVERIFY(m_window->playback()->isMuted());
        QCOMPARE(client.send(Code::GetStatus, 3).value(), 1u);
        // Other questions keep their own answers; unknown questions answer 0.
        QCOMPARE(client.send(Code::GetStatus, 1).value(), 0u);
        QCOMPARE(client.send(Code::GetStatus, 2).value(), 0u);
        QCOMPARE(client.send(Code::GetStatus, 4).value(), 0u);
        command(client, Code::MuteVolume);
        QCOMPARE(client.send(Code::GetStatus, 3).value(), 0u);
    }

    void pagesMenusAndSearch() {
        Client client(QStringLiteral("pages"));
        QStackedWidget* stack = m_window->stationStack();
        command(client, Code::SelectFavorites);
        QCOMPARE(stack->currentIndex(), int(QuillowaveWindow::PageFavorites));
        command(client, Code::SelectHistory);
        QCOMPARE(stack->currentIndex(), int(QuillowaveWindow::PageHistory));
        const QString title = m_window->directory()->allPresets.first()->title;
        command(client, Code::SearchStations, 0, title);
        QTRY_COMPARE(stack->currentIndex(), int(QuillowaveWindow::PageSearch));
        QCOMPARE(m_window->searchEdit()->text(), title);

        QMenu* favorites = m_window->mainMenu(PlayerControl::Menu::Favorites);
        command(client, Code::ShowMenu, 2);
        QVERIFY(favorites->isVisible());
        // A value without a menu closes the open one and opens nothing.
        command(client, Code::ShowMenu, 5);
        QVERIFY(!favorites->isVisible());
        const QList<QMenu*> visible = m_window->findChildren<QMenu*>();
        QVERIFY(std::none_of(visible.begin(), visible.end(),
                             [](const QMenu* menu) { return menu->isVisible(); }));
        command(client, Code::ShowMenu, 0);
        QMenu* file = m_window->mainMenu(PlayerControl::Menu::File);
        QVERIFY(file->isVisible());
        command(client, Code::KeyDownMenu, Qt::Key_Escape);
        QTRY_VERIFY(!file->isVisible());
    }

    void numPadPlaysTheFavoriteAtThatIndex() {
        Client client(QStringLiteral("keypad"));
        Preset loopback;
        loopback.title = QStringLiteral("Keypad Loopback");
        loopback.addSource(mp3Url());
        Preset* added = m_window->favorites()->add(loopback);
        QVERIFY(added);
        const qsizetype index = m_window->favorites()->favorites().indexOf(added);
        QVERIFY(index >= 0);
        command(client, Code::KeyDownNumPad, int(index));
        QCOMPARE(m_window->playback()->currentStation().title, loopback.title);
        QVERIFY(m_window->playerControl()->isPlaying());
        command(client, Code::Stop);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playerControl()->isPlaying(), kWaitMs);
    }

    void malformedAndUnknownCommandsChangeNothing() {
        Client client(QStringLiteral("malformed"));
        m_window->setVolume(33);
        const int page = m_window->stationStack()->currentIndex();
        // Calls of the wrong shape are refused by the bus layer.
        QVERIFY(client.raw(QStringLiteral("Command"), {QStringLiteral("IncVolume")}).isError());
        QVERIFY(client.raw(QStringLiteral("Command"), {7u, 5}).isError());
        QVERIFY(client.raw(QStringLiteral("Command"), {7, 5, QString()}).isError());
        QVERIFY(client.raw(QStringLiteral("NoSuchMethod"), {}).isError());
        // Well-formed calls with codes or arguments that mean nothing do nothing.
        for (const uint code : {0u, 22u, 57u, 99u, 102u, 0xffffffffu})
            QVERIFY(!client.send(code, 4, QStringLiteral("text")).isError());
        for (const uint code :
             {Code::KeyDown, Code::KeyUp, Code::KeyDownStationList, Code::KeyDownMenu})
            QVERIFY(!client.send(code, 0).isError());
        QVERIFY(!client.send(Code::KeyDownNumPad, 100000).isError());
        QVERIFY(!client.send(Code::KeyDownNumPad, -1).isError());
        QTest::qWait(RemoteControl::ProcessDelayMs * 20);
        QCOMPARE(m_window->volumeSlider()->value(), 33);
        QCOMPARE(m_window->stationStack()->currentIndex(), page);
        QVERIFY(!m_window->playerControl()->isPlaying());
        QVERIFY(client.events.isEmpty());
    }

    void eventsReachOnlyTheRegisteredClient() {
        Client first(QStringLiteral("first"));
        Client second(QStringLiteral("second"));
        command(first, Code::SetListener);
        QTRY_COMPARE(first.events, QStringList{"1"});

        playLoopback();
        QTRY_VERIFY_WITH_TIMEOUT(
            first.events.contains(QStringLiteral("6 Quillowave Test - Sine 440")), kWaitMs);
        QCOMPARE(first.events.at(1), QStringLiteral("2"));
        m_window->slot_Stop();
        QTRY_COMPARE(first.events.last(), QStringLiteral("3"));

        // A second registration takes the events over; the first client hears no more.
        command(second, Code::SetListener);
        QTRY_COMPARE(second.events, QStringList{"1"});
        const qsizetype heardBefore = first.events.size();
        command(first, Code::ListCommands);
        QTRY_COMPARE(second.events.size(), 2);
        QCOMPARE(second.events.at(0), QStringLiteral("1"));
        QVERIFY(second.events.at(1).startsWith(QStringLiteral("7 0,1,2,")));
        QVERIFY(second.events.at(1).endsWith(QStringLiteral(",20,21")));

        // A station that fails sends its error text.
        Preset dead;
        dead.title = QStringLiteral("Dead");
        dead.addSource(QString::fromStdString(qwtest::httpUrl("/status/404")));
        m_window->playStation(dead, true);
        QTRY_VERIFY_WITH_TIMEOUT(second.events.size() > 3, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playback()->isConnecting(), kWaitMs);
        QCOMPARE(second.events.at(2), QStringLiteral("2"));
        QVERIFY(std::any_of(second.events.begin(), second.events.end(), [this](const QString& e) {
            return e == QStringLiteral("1 ") + m_window->playback()->lastErrorText();
        }));
        QCOMPARE(first.events.size(), heardBefore);
    }

    // An address sent by a client is announced as connecting like a station picked in the
    // window, before it plays.
    void playUrlAnnouncesConnecting() {
        Client client(QStringLiteral("sender"));
        command(client, Code::SetListener);
        QTRY_COMPARE(client.events, QStringList{"1"});
        command(client, Code::PlayURL, 0, mp3Url());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->playerControl()->isPlaying(), kWaitMs);
        QVERIFY(client.events.size() > 1);
        QCOMPARE(client.events.at(1), QStringLiteral("2"));
        m_window->slot_Stop();
        QTRY_COMPARE(client.events.last(), QStringLiteral("3"));
    }

    void mediaControlsToggleTheStation() {
        Client desktop(QStringLiteral("desktop"));
        playLoopback();
        m_window->slot_Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playerControl()->isPlaying(), kWaitMs);
        QCOMPARE(desktop.playbackStatus(), QStringLiteral("Stopped"));

        QVERIFY(!desktop.mpris(QStringLiteral("PlayPause")).isError());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(desktop.playbackStatus(), QStringLiteral("Playing"));
        QVERIFY(!desktop.mpris(QStringLiteral("PlayPause")).isError());
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playerControl()->isPlaying(), kWaitMs);
        QCOMPARE(desktop.playbackStatus(), QStringLiteral("Stopped"));

        // The media keys are the desktop's only while the option is on.
        m_settings->setProcessMediaKeys(false);
        m_window->applySettings();
        QVERIFY(!m_window->mpris()->isEnabled());
        QVERIFY(desktop.mpris(QStringLiteral("PlayPause")).isError());
        QVERIFY(!m_window->playerControl()->isPlaying());
        m_settings->setProcessMediaKeys(true);
        m_window->applySettings();
        QVERIFY(m_window->mpris()->isEnabled());
        QCOMPARE(desktop.playbackStatus(), QStringLiteral("Stopped"));
    }

    void withoutABusTheWindowSaysSoOnce() {
        QString output;
        QCOMPARE(runAgain({"--no-bus"}, &output), 0);
        QCOMPARE(output.count(QStringLiteral("No session bus")), 1);
    }
};

namespace {

// The later start: hands its command line over and ends, 0 when the window took it.
int runAsSecondInstance(int argc, char** argv) {
    QtSingleApplication second(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeAt(1);
    return second.sendMessage(args.join(u'\n'), 5000) ? 0 : 4;
}

// A window on a bus that cannot be reached: prints what it says is missing.
int runWithoutBus(int argc, char** argv) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillowave-test-bus");
    qunsetenv("DISPLAY");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString error;
    AppSettings* settings = prepareWindowProfile(dir, error);
    if (!settings)
        return 5;
    QuillowaveWindow window(settings);
    if (!waitUntilReady(window))
        return 6;
    std::fputs(qPrintable(window.missingParts().join(u'\n') + u'\n'), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--second") == 0)
        return runAsSecondInstance(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--no-bus") == 0)
        return runWithoutBus(argc, argv);
    QtSingleApplication app(argc, argv);
    TestWindowRemote test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowremote.moc"
