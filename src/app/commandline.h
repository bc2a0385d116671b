#pragma once

// The program's command line: the switches looked at before any window exists ("/uninstall",
// "/lang="), the hand-over text for a running instance, and the walk that applies a command line
// (own or forwarded) to the running player. GUI thread; plain functions, nothing owned.

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class AppSettings;
class PlayerControl;
class QWidget;

class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    // The switch found in the first argument after the program path.
    enum class EarlySwitch { None, Uninstall, Language };

    // One command line, as read by parse().
    struct Parsed {
        QString url;
        QString name;
        QString action;
        int duration = 0;
        bool showWindow = true;
        bool startLast = false;
        // Sleep timers started during the walk: end action (mapped) and length in seconds, the
        // length being the duration read before the end action.
        QList<QPair<int, int>> sleepTimers;
    };

    static EarlySwitch earlySwitch(const QStringList& args);
    // "/lang=portuguese_br" -> "portuguese (brazilian).lng", from the lower-cased argument.
    static QString languageFile(const QStringList& args);
    // Stores the language file of a "/lang=" first argument; true when there was one.
    static bool applyLanguageSwitch(const QStringList& args, AppSettings* settings);
    // Names the program's own files and folders, asks whether to remove them and does so on Yes.
    static void uninstall(AppSettings* settings, QWidget* parent = nullptr);

    // The text sent to a running instance, and the arguments it stands for (empty parts kept).
    static QString handOverMessage(const QStringList& args);
    static QStringList handOverArguments(const QString& message);
    // Whether the window starts hidden: some argument is exactly "/show=minimized".
    static bool startsMinimized(const QStringList& args);

    // "/end_action=" values: 0->0, 4->1, 2->2, 3->3, 1->4; -1 for any other value.
    static int mapEndAction(int value);
    static Parsed parse(const QStringList& args);
    // Applies a command line to the player: sleep timers and "/startlast" as they are met, then
    // the address, the timed recording and the window state.
    static void process(const QStringList& args, PlayerControl* player);
};
