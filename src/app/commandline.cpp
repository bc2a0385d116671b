#include "app/commandline.h"

#include "app/playercontrol.h"
#include "app/uninstaller.h"
#include "settings/appsettings.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <algorithm>

namespace {
const QString UninstallSwitch = QStringLiteral("/uninstall");
const QString LanguageSwitch = QStringLiteral("/lang=");
const QString MinimizedSwitch = QStringLiteral("/show=minimized");

QString valueOf(const QString& arg) {
    return arg.mid(arg.indexOf(u'=') + 1);
}

// Every switch the program knows, as it is matched (case-sensitive prefixes); the early ones are
// matched lower-cased, as they are read.
const QStringList KnownSwitches = {
    QStringLiteral("/url="),      QStringLiteral("/name="),     QStringLiteral("/show=minimized"),
    QStringLiteral("/action="),   QStringLiteral("/duration="), QStringLiteral("/end_action="),
    QStringLiteral("/startlast"), QStringLiteral("/lang="),     QStringLiteral("/uninstall")};

bool isKnownSwitch(const QString& arg) {
    const QString lower = arg.toLower();
    return std::any_of(KnownSwitches.begin(), KnownSwitches.end(), [&](const QString& known) {
        const bool early = known == LanguageSwitch || known == UninstallSwitch;
        return (early ? lower : arg).startsWith(known);
    });
}

// A local file given by path, as the address the player opens it with.
QString fileAddress(const QString& arg) {
    const QFileInfo info(arg);
    if (arg.isEmpty() || !info.isFile())
        return {};
    return QUrl::fromLocalFile(info.absoluteFilePath()).toString();
}
} // namespace

CommandLine::Argument CommandLine::classify(const QString& arg) {
    if (arg.isEmpty())
        return Argument::Empty;
    if (isKnownSwitch(arg))
        return Argument::Switch;
    if (!fileAddress(arg).isEmpty())
        return Argument::File;
    // A dash, or a slash with no other before any "=", starts a switch ("/URL=http://x" too);
    // a slash later in the name makes it a path.
    if (arg.startsWith(u'-') ||
        (arg.startsWith(u'/') && arg.section(u'=', 0, 0).indexOf(u'/', 1) < 0))
        return Argument::UnknownSwitch;
    if (arg.contains(QStringLiteral("://")))
        return Argument::Address;
    return Argument::MissingFile;
}

QStringList CommandLine::withFileAddresses(const QStringList& args) {
    QStringList resolved = args;
    for (qsizetype i = 1; i < resolved.size(); ++i) {
        if (classify(resolved.at(i)) == Argument::File)
            resolved[i] = fileAddress(resolved.at(i));
    }
    return resolved;
}

CommandLine::Information CommandLine::informationSwitch(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h")
            return Information::Help;
        if (arg == "--version")
            return Information::Version;
    }
    return Information::None;
}

QString CommandLine::helpText() {
    return tr("Usage: quillowave [address or playlist file ...] [switches]\n"
              "\n"
              "Plays internet radio stations and records them.\n"
              "\n"
              "  address, file        play a stream address or a playlist file (PLS, M3U, ASX)\n"
              "  /url=ADDRESS         play this address\n"
              "  /name=NAME           the name shown for the address of /url=\n"
              "  /startlast           play the last station if nothing plays\n"
              "  /action=Record       record what /url= plays, for /duration= seconds\n"
              "  /duration=SECONDS    length of a timed recording or of the sleep timer\n"
              "  /end_action=N        start the sleep timer (0 nothing, 1 quit, 2, 3, 4 the "
              "system actions)\n"
              "  /show=minimized      start with the window minimised\n"
              "  /lang=LANGUAGE       first switch only: use this language file\n"
              "  /uninstall           first switch only: remove the settings and data\n"
              "  --help               show this text\n"
              "  --version            show the version\n"
              "\n"
              "A running Quillowave takes over the command line of a later start.\n");
}

QString CommandLine::versionText() {
    return QStringLiteral("Quillowave %1\n").arg(QLatin1String(VersionText));
}

CommandLine::EarlySwitch CommandLine::earlySwitch(const QStringList& args) {
    if (args.size() < 2)
        return EarlySwitch::None;
    const QString first = args.at(1).toLower();
    if (first == UninstallSwitch)
        return EarlySwitch::Uninstall;
    if (first.startsWith(LanguageSwitch))
        return EarlySwitch::Language;
    return EarlySwitch::None;
}

QString CommandLine::languageFile(const QStringList& args) {
    if (earlySwitch(args) != EarlySwitch::Language)
        return {};
    QString name = args.at(1).toLower().mid(LanguageSwitch.size());
    name.replace(QStringLiteral("chinese_simplified"), QStringLiteral("chinese (simplified)"));
    name.replace(QStringLiteral("chinese_traditional"), QStringLiteral("chinese (traditional)"));
    name.replace(QStringLiteral("portuguese_br"), QStringLiteral("portuguese (brazilian)"));
    return name + QStringLiteral(".lng");
}

bool CommandLine::applyLanguageSwitch(const QStringList& args, AppSettings* settings) {
    if (earlySwitch(args) != EarlySwitch::Language)
        return false;
    settings->setLanguageFile(languageFile(args));
    return true;
}

void CommandLine::uninstall(AppSettings* settings, QWidget* parent) {
    const QString title = QCoreApplication::applicationName();
    const Uninstaller::Plan plan = Uninstaller::plan(*settings);
    if (plan.isEmpty()) {
        QMessageBox::information(parent, title, tr("No settings or data were found."));
        return;
    }
    const auto answer = QMessageBox::question(parent, title, Uninstaller::question(plan),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QStringList failed = Uninstaller::remove(plan);
    if (!failed.isEmpty())
        QMessageBox::warning(parent, title,
                             tr("These could not be removed:") + u'\n' + failed.join(u'\n'));
}

QString CommandLine::handOverMessage(const QStringList& args) {
    return args.join(u'\n');
}

QStringList CommandLine::handOverArguments(const QString& message) {
    return message.split(u'\n', Qt::KeepEmptyParts);
}

bool CommandLine::startsMinimized(const QStringList& args) {
    return args.contains(MinimizedSwitch);
}

int CommandLine::mapEndAction(int value) {
    switch (value) {
    case 0:
        return 0;
    case 4:
        return 1;
    case 2:
        return 2;
    case 3:
        return 3;
    case 1:
        return 4;
    default:
        return -1;
    }
}

void CommandLine::readPlainArgument(const QString& arg, Parsed& parsed) {
    switch (classify(arg)) {
    case Argument::Address:
        parsed.addresses << arg;
        break;
    case Argument::File:
        parsed.addresses << fileAddress(arg);
        break;
    case Argument::UnknownSwitch:
        parsed.unknown << arg;
        break;
    case Argument::MissingFile:
        parsed.missingFiles << arg;
        break;
    case Argument::Empty:
    case Argument::Switch:
        break;
    }
}

CommandLine::Parsed CommandLine::parse(const QStringList& args) {
    Parsed parsed;
    // The program's own path (index 0) is no address to play.
    for (const QString& arg : args.mid(1)) {
        if (arg.startsWith(QStringLiteral("/url="))) {
            parsed.url = valueOf(arg);
        } else if (arg.startsWith(QStringLiteral("/name="))) {
            parsed.name = valueOf(arg);
        } else if (arg.startsWith(MinimizedSwitch)) {
            parsed.showWindow = false;
        } else if (arg.startsWith(QStringLiteral("/action="))) {
            parsed.action = valueOf(arg);
        } else if (arg.startsWith(QStringLiteral("/duration="))) {
            parsed.duration = valueOf(arg).toInt();
        } else if (arg.startsWith(QStringLiteral("/end_action="))) {
            // A value that is not a number reads as 0, which is an end action too.
            const int endAction = mapEndAction(valueOf(arg).toInt());
            if (endAction >= 0)
                parsed.sleepTimers.append({endAction, parsed.duration});
        } else if (arg.startsWith(QStringLiteral("/startlast"))) {
            parsed.startLast = true;
        } else {
            readPlainArgument(arg, parsed);
        }
    }
    return parsed;
}

QString CommandLine::problems(const Parsed& parsed) {
    QStringList lines;
    if (!parsed.unknown.isEmpty())
        lines << tr("Unknown switch: %1").arg(parsed.unknown.join(QStringLiteral(" ")));
    if (!parsed.missingFiles.isEmpty())
        lines << tr("File not found: %1").arg(parsed.missingFiles.join(QStringLiteral(" ")));
    return lines.join(u'\n');
}

CommandLine::Parsed CommandLine::process(const QStringList& args, PlayerControl* player) {
    if (args.size() < 2) {
        player->restoreWindow();
        return {};
    }
    Parsed parsed = parse(args);
    // A plain address or playlist file plays as /url= does; /url= wins when both are given.
    if (parsed.url.isEmpty() && !parsed.addresses.isEmpty())
        parsed.url = parsed.addresses.first();
    for (const auto& [endAction, lengthSeconds] : parsed.sleepTimers)
        player->startSleepTimer(endAction, lengthSeconds);
    if (parsed.startLast && !player->isPlaying())
        player->playLastStation();
    if (!parsed.url.isEmpty()) {
        if (player->isPlaying())
            player->stopPlaying();
        player->playUrl(parsed.url, parsed.name);
    }
    if (parsed.action.compare(QStringLiteral("Record"), Qt::CaseInsensitive) == 0)
        player->setTimedRecordingSeconds(parsed.duration);
    if (parsed.showWindow)
        player->restoreWindow();
    else
        player->minimizeWindow();
    return parsed;
}
