// quillowave-cli: the engine without a window, for machines without a display, scripts and
// benchmarks. "quillowave-cli play URL [--seconds N] [--device N] [--timeout N] [--verbose]";
// "quillowave-cli record URL [--folder DIR] [--format same|mp3|ogg|flac|aac|wma] [--seconds N]"
// plays and records with the same options.

#include "bass/cbass.h"
#include "cli/cliplayer.h"
#include "cli/clirecorder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillowave-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays an internet radio address."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("play or record"));
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
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("record: folder of the recording (created when missing)"),
        QStringLiteral("DIR"),
        QStandardPaths::writableLocation(QStandardPaths::MusicLocation) +
            QStringLiteral("/Quillowave"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("record: same, mp3, ogg, flac, aac or wma"),
                                    QStringLiteral("FORMAT"), QStringLiteral("same"));
    parser.addOptions({seconds, device, timeout, verbose, folder, format});
    parser.process(app);
    if (!parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    const QStringList args = parser.positionalArguments();
    const bool record = args.size() == 2 && args.at(0) == QStringLiteral("record");
    const int recordFormat = CliRecorder::FormatFromName(parser.value(format));
    if (args.size() != 2 || (!record && args.at(0) != QStringLiteral("play")) ||
        (record && recordFormat < 0)) {
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
    std::unique_ptr<CliRecorder> recorder;
    if (record)
        recorder = std::make_unique<CliRecorder>(
            &player, CliRecorder::Options{parser.value(folder), recordFormat});
    QTimer::singleShot(0, &player, &CliPlayer::Start);
    const int code = QCoreApplication::exec();
    BASS_Free();
    return code;
}
