// Tests of the command line: the switches read before any window exists, the hand-over text and
// the walk that applies a command line to the player.

#include "settings/appsettings.h"
#include "app/commandline.h"
#include "stateplayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <vector>

using Early = CommandLine::EarlySwitch;
Q_DECLARE_METATYPE(CommandLine::EarlySwitch)
Q_DECLARE_METATYPE(CommandLine::Argument)

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void earlySwitch_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Early>("expected");
        QTest::addColumn<QString>("languageFile");
        const QString prog = QStringLiteral("/usr/bin/quillowave");
        QTest::newRow("nothing") << QStringList{prog} << Early::None << QString();
        QTest::newRow("empty list") << QStringList{} << Early::None << QString();
        QTest::newRow("uninstall")
            << QStringList{prog, "/uninstall"} << Early::Uninstall << QString();
        QTest::newRow("uninstall in capitals")
            << QStringList{prog, "/UNINSTALL"} << Early::Uninstall << QString();
        QTest::newRow("uninstall later is ignored")
            << QStringList{prog, "/url=http://x", "/uninstall"} << Early::None << QString();
        QTest::newRow("uninstall with a tail")
            << QStringList{prog, "/uninstallx"} << Early::None << QString();
        QTest::newRow("language") << QStringList{prog, "/lang=German"} << Early::Language
                                  << "german.lng";
        QTest::newRow("portuguese br") << QStringList{prog, "/lang=Portuguese_BR"}
                                       << Early::Language << "portuguese (brazilian).lng";
        QTest::newRow("chinese simplified") << QStringList{prog, "/LANG=chinese_simplified"}
                                            << Early::Language << "chinese (simplified).lng";
        QTest::newRow("chinese traditional") << QStringList{prog, "/lang=Chinese_Traditional"}
                                             << Early::Language << "chinese (traditional).lng";
        QTest::newRow("empty language") << QStringList{prog, "/lang="} << Early::Language << ".lng";
        QTest::newRow("language later is ignored")
            << QStringList{prog, "/startlast", "/lang=german"} << Early::None << QString();
        QTest::newRow("language not at the start")
            << QStringList{prog, "x/lang=german"} << Early::None << QString();
    }
    void earlySwitch() {
        QFETCH(QStringList, args);
        QFETCH(Early, expected);
        QFETCH(QString, languageFile);
        QCOMPARE(CommandLine::earlySwitch(args), expected);
        QCOMPARE(CommandLine::languageFile(args), languageFile);
    }

    void languageSwitchIsStored() {
        QTemporaryDir root;
        qputenv("HOME", root.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());
        AppSettings settings(root.filePath(QStringLiteral("program")));
        QVERIFY(!CommandLine::applyLanguageSwitch({"prog", "/url=x"}, &settings));
        QVERIFY(CommandLine::applyLanguageSwitch({"prog", "/lang=Portuguese_BR"}, &settings));
        QCOMPARE(settings.LanguageFile(), QStringLiteral("portuguese (brazilian).lng"));
    }

    // Plain arguments as the desktop hands them over; "list.pls" exists in the working folder.
    void classify_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<CommandLine::Argument>("kind");
        using A = CommandLine::Argument;
        QTest::newRow("empty") << "" << A::Empty;
        QTest::newRow("switch") << "/url=http://x/" << A::Switch;
        QTest::newRow("switch with a tail") << "/startlastnow" << A::Switch;
        QTest::newRow("early switch in capitals") << "/LANG=german" << A::Switch;
        QTest::newRow("address") << "http://radio.example/live" << A::Address;
        QTest::newRow("other scheme") << "mms://radio.example/live" << A::Address;
        QTest::newRow("existing file") << "list.pls" << A::File;
        QTest::newRow("unknown slash switch") << "/autoplay" << A::UnknownSwitch;
        QTest::newRow("switch in capitals is unknown") << "/URL=http://x/" << A::UnknownSwitch;
        QTest::newRow("unknown long option") << "--fullscreen" << A::UnknownSwitch;
        QTest::newRow("unknown short option") << "-x" << A::UnknownSwitch;
        QTest::newRow("missing absolute file") << "/nowhere/list.m3u" << A::MissingFile;
        QTest::newRow("missing relative file") << "gone.asx" << A::MissingFile;
    }
    void classify() {
        QFETCH(QString, argument);
        QFETCH(CommandLine::Argument, kind);
        QTemporaryDir folder;
        QFile list(folder.filePath(QStringLiteral("list.pls")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const CommandLine::Argument found = CommandLine::classify(argument);
        QDir::setCurrent(previous);
        QCOMPARE(found, kind);
    }

    void filesBecomeAddressesBeforeTheHandOver() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("my list.m3u"));
        QFile list(path);
        QVERIFY(list.open(QIODevice::WriteOnly));
        const QStringList args{"prog", path, "http://a/", "/startlast", "missing.pls"};
        const QStringList resolved = CommandLine::withFileAddresses(args);
        QCOMPARE(resolved, (QStringList{"prog", QUrl::fromLocalFile(path).toString(), "http://a/",
                                        "/startlast", "missing.pls"}));
        const CommandLine::Parsed parsed = CommandLine::parse(resolved);
        QCOMPARE(parsed.addresses, resolved.mid(1, 2));
        QCOMPARE(parsed.missingFiles, QStringList{"missing.pls"});
    }

    void problemsNameWhatWasNotUnderstood() {
        const auto parsed = CommandLine::parse(
            {"/usr/bin/quillowave", "/autoplay", "--loud", "/gone/list.pls", "/url=http://a/"});
        QCOMPARE(parsed.unknown, (QStringList{"/autoplay", "--loud"}));
        QCOMPARE(
            CommandLine::problems(parsed),
            QStringLiteral("Unknown switch: /autoplay --loud\nFile not found: /gone/list.pls"));
        QVERIFY(CommandLine::problems(CommandLine::parse({"prog", "/url=x"})).isEmpty());
    }

    void informationSwitches() {
        using I = CommandLine::Information;
        const auto of = [](std::vector<const char*> args) {
            return CommandLine::informationSwitch(int(args.size()),
                                                  const_cast<char**>(args.data()));
        };
        QCOMPARE(of({"quillowave"}), I::None);
        QCOMPARE(of({"quillowave", "--help"}), I::Help);
        QCOMPARE(of({"quillowave", "http://a/", "-h"}), I::Help);
        QCOMPARE(of({"quillowave", "--version"}), I::Version);
        QCOMPARE(of({"quillowave", "/version"}), I::None);
        QVERIFY(CommandLine::helpText().contains(QStringLiteral("/startlast")));
        QVERIFY(CommandLine::versionText().startsWith(QStringLiteral("Quillowave 1.40.1")));
    }

    void handOver_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("program only") << QStringList{"/opt/q/quillowave"};
        QTest::newRow("switches") << QStringList{"/opt/q/quillowave", "/url=http://a/b?c=d",
                                                 "/name=Radio One", "/show=minimized"};
        QTest::newRow("empty argument kept") << QStringList{"prog", "", "/startlast", ""};
    }
    void handOver() {
        QFETCH(QStringList, args);
        const QString message = CommandLine::handOverMessage(args);
        QCOMPARE(CommandLine::handOverArguments(message), args);
    }

    void startsMinimized() {
        QVERIFY(CommandLine::startsMinimized({"prog", "/url=x", "/show=minimized"}));
        QVERIFY(!CommandLine::startsMinimized({"prog", "/show=minimized2"}));
        QVERIFY(!CommandLine::startsMinimized({"prog", "/SHOW=MINIMIZED"}));
    }

    // What parse() reads: each row's arguments include the program path; the sleep timers as
    // "end action:seconds", in the order they start.
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QStringList>("timers");
        QTest::addColumn<bool>("startLast");
        QTest::newRow("url and name")
            << QStringList{"prog", "/url=http://a/b=c", "/name=Radio A"} << "http://a/b=c"
            << "Radio A" << true << QStringList{} << false;
        QTest::newRow("minimised and start last")
            << QStringList{"prog", "/show=minimized", "/startlast"} << ""
            << "" << false << QStringList{} << true;
        QTest::newRow("duration before end action")
            << QStringList{"prog", "/duration=600", "/end_action=1"} << ""
            << "" << true << QStringList{"4:600"} << false;
        QTest::newRow("duration after end action is not the sleep length")
            << QStringList{"prog", "/end_action=4", "/duration=600"} << ""
            << "" << true << QStringList{"1:0"} << false;
        QTest::newRow("unknown end action ignored")
            << QStringList{"prog", "/duration=60", "/end_action=7"} << ""
            << "" << true << QStringList{} << false;
        QTest::newRow("end action not a number reads as 0")
            << QStringList{"prog", "/duration=60", "/end_action=x"} << ""
            << "" << true << QStringList{"0:60"} << false;
        QTest::newRow("each end action starts the timer again")
            << QStringList{"prog", "/end_action=2", "/duration=60", "/end_action=3",
                           "/end_action=9"}
            << ""
            << "" << true << QStringList{"2:0", "3:60"} << false;
        QTest::newRow("switches are case-sensitive")
            << QStringList{"prog", "/URL=http://x/", "/END_ACTION=1"} << ""
            << "" << true << QStringList{} << false;
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, url);
        QFETCH(QString, name);
        QFETCH(bool, show);
        QFETCH(QStringList, timers);
        QFETCH(bool, startLast);
        const CommandLine::Parsed request = CommandLine::parse(arguments);
        QCOMPARE(request.url, url);
        QCOMPARE(request.name, name);
        QCOMPARE(request.showWindow, show);
        QStringList started;
        for (const auto& [endAction, seconds] : request.sleepTimers)
            started << QStringLiteral("%1:%2").arg(endAction).arg(seconds);
        QCOMPARE(started, timers);
        QCOMPARE(request.startLast, startLast);
    }

    // Each row: the arguments after the program path, and the player's log after the walk.
    void process_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("program only restores")
            << QStringList{} << false << QStringList{"restoreWindow"};
        QTest::newRow("unknown switches") << QStringList{"/foo", "/URL=http://x", "/lang=german"}
                                          << false << QStringList{"restoreWindow"};
        QTest::newRow("url and name")
            << QStringList{"/name=Sine", "/url=http://127.0.0.1:1/mp3?a=b"} << false
            << QStringList{"playUrl http://127.0.0.1:1/mp3?a=b Sine", "restoreWindow"};
        QTest::newRow("url stops what plays")
            << QStringList{"/url=http://x"} << true
            << QStringList{"stopPlaying", "playUrl http://x ", "restoreWindow"};
        QTest::newRow("minimized") << QStringList{"/url=u", "/show=minimized"} << false
                                   << QStringList{"playUrl u ", "minimizeWindow"};
        QTest::newRow("record with duration")
            << QStringList{"/url=u", "/action=RECORD", "/duration=120"} << false
            << QStringList{"playUrl u ", "setTimedRecordingSeconds 120", "restoreWindow"};
        QTest::newRow("other action") << QStringList{"/action=Play", "/duration=120"} << false
                                      << QStringList{"restoreWindow"};
        QTest::newRow("non-numeric duration")
            << QStringList{"/action=record", "/duration=ten"} << false
            << QStringList{"setTimedRecordingSeconds 0", "restoreWindow"};
        QTest::newRow("end action after duration")
            << QStringList{"/duration=600", "/end_action=1"} << false
            << QStringList{"startSleepTimer 4 600", "restoreWindow"};
        QTest::newRow("end action before duration")
            << QStringList{"/end_action=2", "/duration=600"} << false
            << QStringList{"startSleepTimer 2 0", "restoreWindow"};
        QTest::newRow("end action 0") << QStringList{"/end_action=0"} << false
                                      << QStringList{"startSleepTimer 0 0", "restoreWindow"};
        QTest::newRow("end action 4") << QStringList{"/end_action=4"} << false
                                      << QStringList{"startSleepTimer 1 0", "restoreWindow"};
        QTest::newRow("end action 3") << QStringList{"/end_action=3"} << false
                                      << QStringList{"startSleepTimer 3 0", "restoreWindow"};
        QTest::newRow("end action out of range") << QStringList{"/end_action=5", "/end_action=-1"}
                                                 << false << QStringList{"restoreWindow"};
        QTest::newRow("end action not a number")
            << QStringList{"/end_action=x"} << false
            << QStringList{"startSleepTimer 0 0", "restoreWindow"};
        QTest::newRow("start last") << QStringList{"/startlast"} << false
                                    << QStringList{"playLastStation", "restoreWindow"};
        QTest::newRow("start last while playing")
            << QStringList{"/startlast"} << true << QStringList{"restoreWindow"};
        QTest::newRow("plain address plays")
            << QStringList{"http://radio.example/live"} << false
            << QStringList{"playUrl http://radio.example/live ", "restoreWindow"};
        QTest::newRow("first plain address plays")
            << QStringList{"http://a/", "http://b/"} << false
            << QStringList{"playUrl http://a/ ", "restoreWindow"};
        QTest::newRow("url switch wins over a plain address")
            << QStringList{"http://a/", "/url=http://b/"} << false
            << QStringList{"playUrl http://b/ ", "restoreWindow"};
        QTest::newRow("unknown switch plays nothing")
            << QStringList{"/autoplay"} << false << QStringList{"restoreWindow"};
    }
    void process() {
        QFETCH(QStringList, args);
        QFETCH(bool, playing);
        QFETCH(QStringList, expected);
        StatePlayer player;
        player.playing = playing;
        args.prepend(QStringLiteral("/usr/bin/quillowave"));
        CommandLine::process(args, &player);
        QCOMPARE(player.log, expected);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
