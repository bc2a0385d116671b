// quillowave-cli: the engine without a window, for machines without a display, scripts and
// benchmarks. "quillowave-cli play URL [--seconds N] [--device N] [--timeout N] [--verbose]";
// "quillowave-cli record URL [--folder DIR] [--format same|mp3|ogg|flac|aac|wma] [--split] [--seconds N]"
// plays and records with the same options; "quillowave-cli devices" lists the outputs.

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
#include <optional>

namespace {

const char* const kExitCodes = "\nExit codes:\n"
                               "  0  played for the seconds asked, or to the end of the stream\n"
                               "  1  wrong arguments\n"
                               "  2  the stream could not be opened\n"
                               "  3  the playlist could not be downloaded or was empty\n"
                               "  4  no connection within twice the time-out, or no data for "
                               "20 seconds\n"
                               "  5  the recording stopped by itself\n"
                               "  6  the stream ended before the seconds asked\n";

int usageError(const QCommandLineParser& parser, const QString& error) {
    std::fprintf(stderr, "error: %s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
    return CliPlayer::ExitUsage;
}

// The option's value as a whole number of at least minimum; nothing when it is not one.
std::optional<int> numberOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                                int minimum) {
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum)
        return std::nullopt;
    return value;
}

int listDevices() {
    for (const BASS::SoundDevice& device : BASS::CBass::OutputDevices())
        std::printf("%d: %s\n", device.index, qPrintable(device.name));
    return CliPlayer::ExitOk;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillowave-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays or records an internet radio address without a window, or lists "
                       "the output devices.") +
        QString::fromLatin1(kExitCodes));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("play, record or devices"));
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("stream or playlist address, or a file"));
    const QCommandLineOption seconds(
        QStringLiteral("seconds"),
        QStringLiteral("stop after N seconds of playing (default 0: until the stream ends)"),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("output device from \"devices\" (0: no sound; default -1: the system's)"),
        QStringLiteral("N"), QStringLiteral("-1"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("network time-out in seconds; the connect gives up after twice that "
                       "(default 0: the library's own 5 s, no connect limit)"),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("also print the engine's debug trace"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("record: folder of the recording, created when missing (default %1)")
            .arg(QStandardPaths::writableLocation(QStandardPaths::MusicLocation) +
                 QStringLiteral("/Quillowave")),
        QStringLiteral("DIR"),
        QStandardPaths::writableLocation(QStandardPaths::MusicLocation) +
            QStringLiteral("/Quillowave"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("record: same, mp3, ogg, flac, aac or wma (default same)"),
        QStringLiteral("FORMAT"), QStringLiteral("same"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("record: a new file at every title change"));
    parser.addOptions({seconds, device, timeout, verbose, folder, format, split});
    if (!parser.parse(app.arguments()))
        return usageError(parser, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return CliPlayer::ExitOk;
    }
    if (!parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usageError(parser, QStringLiteral("no command given"));
    const QString command = args.at(0);
    if (command == QLatin1String("devices") && args.size() == 1)
        return listDevices();
    const bool record = command == QLatin1String("record");
    if (command != QLatin1String("play") && !record)
        return usageError(parser, QStringLiteral("unknown command \"%1\"").arg(command));
    if (args.size() < 2)
        return usageError(parser, QStringLiteral("%1 needs an address").arg(command));
    if (args.size() > 2)
        return usageError(parser, QStringLiteral("one address only, not \"%1\"").arg(args.at(2)));

    const std::optional<int> secondsValue = numberOption(parser, seconds, 0);
    const std::optional<int> deviceValue = numberOption(parser, device, -1);
    const std::optional<int> timeoutValue = numberOption(parser, timeout, 0);
    for (const auto& [value, option] :
         {std::pair{secondsValue, &seconds}, {deviceValue, &device}, {timeoutValue, &timeout}}) {
        if (!value)
            return usageError(parser, QStringLiteral("--%1: \"%2\" is not a valid number")
                                          .arg(option->names().constFirst(),
                                               parser.value(*option)));
    }

    const int recordFormat = CliRecorder::FormatFromName(parser.value(format));
    if (record && recordFormat < 0)
        return usageError(parser, QStringLiteral("--format: \"%1\" is not a format")
                                      .arg(parser.value(format)));

    QString error;
    if (!BASS::CBass::Init(*deviceValue, &error, static_cast<uint>(*timeoutValue), true, 0,
                           "Quillowave", nullptr)) {
        std::fprintf(stderr, "error: %s\n", qPrintable(error));
        return CliPlayer::ExitConnect;
    }

    CliPlayer::Options options;
    options.url = args.at(1);
    options.seconds = *secondsValue;
    options.watchdogSeconds = *timeoutValue;
    CliPlayer player(options);
    std::unique_ptr<CliRecorder> recorder;
    if (record)
        recorder = std::make_unique<CliRecorder>(
            &player, CliRecorder::Options{parser.value(folder), recordFormat, parser.isSet(split)});
    QTimer::singleShot(0, &player, &CliPlayer::Start);
    const int code = QCoreApplication::exec();
    BASS_Free();
    return code;
}
