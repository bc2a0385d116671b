// quillowave-cli: the engine without a window, for machines without a display and for
// benchmarks. "quillowave-cli play URL [--seconds N] [--device N] [--timeout N] [--verbose]".

#include "bass/cbass.h"
#include "cli/cliplayer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillowave-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays an internet radio address."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("play"));
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("stream or playlist address, or a file"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("stop after N seconds of playing"),
                                     QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("output device (0: no sound, -1: default)"),
                                    QStringLiteral("N"), QStringLiteral("-1"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("network time-out in seconds; the connect gives up after twice that"),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("also print the engine's debug trace"));
    parser.addOptions({seconds, device, timeout, verbose});
    parser.process(app);
    if (!parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2 || args.at(0) != QStringLiteral("play")) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return CliPlayer::ExitUsage;
    }

    QString error;
    const int timeoutSeconds = parser.value(timeout).toInt();
    if (!BASS::CBass::Init(parser.value(device).toInt(), &error,
                           static_cast<uint>(qMax(0, timeoutSeconds)), true, 0, "Quillowave",
                           nullptr)) {
        std::fprintf(stderr, "error: %s\n", qPrintable(error));
        return CliPlayer::ExitConnect;
    }

    CliPlayer::Options options;
    options.url = args.at(1);
    options.seconds = parser.value(seconds).toInt();
    options.watchdogSeconds = timeoutSeconds;
    CliPlayer player(options);
    QTimer::singleShot(0, &player, &CliPlayer::Start);
    const int code = QCoreApplication::exec();
    BASS_Free();
    return code;
}
