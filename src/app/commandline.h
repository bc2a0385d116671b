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
    static constexpr const char* VersionText = "1.40.1";

    // The switch found in the first argument after the program path.
    enum class EarlySwitch { None, Uninstall, Language };

    // What one argument is, beside the switches: the desktop hands over plain addresses and files.
    enum class Argument { Empty, Switch, Address, File, UnknownSwitch, MissingFile };
    // The switches answered on the terminal without a window or a hand-over.
    enum class Information { None, Help, Version };

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
        // Plain addresses and playlist files (as file:// addresses), in order.
        QStringList addresses;
        // What was not understood, to be named to the user.
        QStringList unknown;
        QStringList missingFiles;
    };

    static Argument classify(const QString& arg);
    // The arguments with every existing file turned into its file:// address, so that a running
    // instance with another working folder finds it.
    static QStringList withFileAddresses(const QStringList& args);
    static Information informationSwitch(int argc, char** argv);
    static QString helpText();
    static QString versionText();
    // The unknown switches and missing files named in one text; empty when there are none.
    static QString problems(const Parsed& parsed);

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
    // the address (of /url=, else the first plain one), the timed recording and the window
    // state. Returns what it read.
    static Parsed process(const QStringList& args, PlayerControl* player);

private:
    static void readPlainArgument(const QString& arg, Parsed& parsed);
};
