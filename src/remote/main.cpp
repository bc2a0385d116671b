// quillowave-remote: remote control of a running Quillowave for users' scripts.
//   quillowave-remote COMMAND [ARG [TEXT]]         send one command (GetStatus prints 1 or 0)
//   quillowave-remote listen [--count N] [--seconds N] [COMMAND [ARG [TEXT]]]
//                                                  register for events and print one per line
// COMMAND is a code or a name of the command table (case-insensitive), ARG an integer.

#include "app/remotecommandnames.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

const QString Service = QStringLiteral("org.hollowmere.Quillowave");
const QString Path = QStringLiteral("/Remote");
const QString Interface = QStringLiteral("org.hollowmere.Quillowave.Remote");

constexpr uint GetStatus = 20;

enum ExitCode { ExitOk = 0, ExitUsage = 1, ExitNoPlayer = 2 };

// The code of a command given by number or name; false when it is neither.
bool commandCode(const QString& text, uint* code) {
    bool number = false;
    *code = text.toUInt(&number);
    if (number)
        return true;
    for (uint i = RemoteCommandNames::FirstCode; i <= RemoteCommandNames::LastCode; ++i) {
        if (text.compare(QLatin1String(RemoteCommandNames::nameOf(i)), Qt::CaseInsensitive) == 0) {
            *code = i;
            return true;
        }
    }
    if (text.compare(QStringLiteral("ListCommands"), Qt::CaseInsensitive) == 0) {
        *code = 100;
        return true;
    }
    if (text.compare(QStringLiteral("ListCommandNames"), Qt::CaseInsensitive) == 0) {
        *code = 101;
        return true;
    }
    return false;
}

struct Command {
    uint code = 0;
    int arg = 0;
    QString text;
};

// Reads COMMAND [ARG [TEXT]] from args starting at index; false with a message when malformed.
bool parseCommand(const QStringList& args, qsizetype index, Command* command) {
    if (!commandCode(args.at(index), &command->code)) {
        std::fprintf(stderr, "quillowave-remote: unknown command %s\n", qPrintable(args.at(index)));
        return false;
    }
    if (index + 1 < args.size()) {
        bool ok = false;
        command->arg = args.at(index + 1).toInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "quillowave-remote: the argument must be an integer: %s\n",
                         qPrintable(args.at(index + 1)));
            return false;
        }
    }
    if (index + 2 < args.size())
        command->text = args.mid(index + 2).join(u' ');
    return true;
}

bool send(const Command& command, uint* result) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Command"));
    call << command.code << command.arg << command.text;
    const QDBusReply<uint> reply = QDBusConnection::sessionBus().call(call);
    if (!reply.isValid()) {
        std::fprintf(stderr, "quillowave-remote: %s\n", qPrintable(reply.error().message()));
        return false;
    }
    *result = reply.value();
    return true;
}

// Prints each event; quits after count events (0: never).
class EventPrinter : public QObject {
    Q_OBJECT
public:
    explicit EventPrinter(int count) : m_left(count), m_out(stdout) {}
public slots:
    void onEvent(uint code, const QString& text) {
        m_out << code;
        if (!text.isEmpty())
            m_out << ' ' << text;
        m_out << Qt::endl;
        if (m_left > 0 && --m_left == 0)
            QCoreApplication::quit();
    }

private:
    int m_left;
    QTextStream m_out;
};

int usage() {
    std::fputs("usage: quillowave-remote COMMAND [ARG [TEXT]]\n"
               "       quillowave-remote listen [--count N] [--seconds N] [COMMAND [ARG [TEXT]]]\n",
               stderr);
    return ExitUsage;
}

int listen(const QStringList& args) {
    int count = 0;
    int seconds = 0;
    qsizetype i = 2;
    for (; i + 1 < args.size() && args.at(i).startsWith(QStringLiteral("--")); i += 2) {
        bool ok = false;
        const int value = args.at(i + 1).toInt(&ok);
        if (!ok || value < 0)
            return usage();
        if (args.at(i) == QStringLiteral("--count"))
            count = value;
        else if (args.at(i) == QStringLiteral("--seconds"))
            seconds = value;
        else
            return usage();
    }
    Command after;
    const bool hasCommand = i < args.size();
    if (hasCommand && !parseCommand(args, i, &after))
        return ExitUsage;

    EventPrinter printer(count);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.connect(Service, Path, Interface, QStringLiteral("Event"), &printer,
                     SLOT(onEvent(uint, QString)))) {
        std::fprintf(stderr, "quillowave-remote: %s\n", qPrintable(bus.lastError().message()));
        return ExitNoPlayer;
    }
    uint result = 0;
    if (!send({1, 0, {}}, &result) || (hasCommand && !send(after, &result)))
        return ExitNoPlayer;
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return usage();
    if (args.at(1) == QStringLiteral("listen"))
        return listen(args);
    Command command;
    if (!parseCommand(args, 1, &command))
        return ExitUsage;
    uint result = 0;
    if (!send(command, &result))
        return ExitNoPlayer;
    if (command.code == GetStatus)
        std::printf("%u\n", result);
    return ExitOk;
}

#include "main.moc"
