#include "app/commandline.h"

#include "settings/appsettings.h"
#include "app/playercontrol.h"
#include "app/uninstaller.h"

#include <QMessageBox>

namespace {
const QString UninstallSwitch = QStringLiteral("/uninstall");
const QString LanguageSwitch = QStringLiteral("/lang=");
const QString MinimizedSwitch = QStringLiteral("/show=minimized");

QString valueOf(const QString& arg) {
    return arg.mid(arg.indexOf(u'=') + 1);
}
} // namespace

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

CommandLine::Parsed CommandLine::parse(const QStringList& args) {
    Parsed parsed;
    for (const QString& arg : args) {
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
        }
    }
    return parsed;
}

void CommandLine::process(const QStringList& args, PlayerControl* player) {
    if (args.size() < 2) {
        player->restoreWindow();
        return;
    }
    const Parsed parsed = parse(args);
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
}
