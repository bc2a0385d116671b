// The program's entry point: --help and --version, the single-instance application object, the
// switches that act before any window ("/uninstall", "/lang="), the hand-over of the command line
// to a running instance, then the main window, which keeps its own geometry and starts the audio
// library once it is on screen.

#include "settings/appsettings.h"
#include "app/commandline.h"
#include "app/quillowavewindow.h"
#include "app/windowlanguage.h"
#include "app/windowstartup.h"
#include "audio/bass.h"
#include "audiomodule/audiomodule.h"
#include "bass/cbass.h"
#include "qtext/qtsingleapplication.h"

#include <QIcon>

#include <cstdio>

namespace {

// The wait for a running instance to take over this command line.
constexpr int HandOverTimeoutMs = 5000;

// Desktops without an icon theme still get the artwork the distribution ships.
void chooseIconTheme() {
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Tango"));
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
}

// The audio library's module lies beside the program in the build tree and in a portable copy,
// and in lib/quillowave beside the bin folder of an installed one.
void findAudioModule() {
    const QString folder = QCoreApplication::applicationDirPath();
    AudioModule::setFolders({folder.toStdString(),
                             (folder + QStringLiteral("/../lib/quillowave")).toStdString()});
    WindowStartup::setLibraryLoader([](QString* error) {
        std::string reason;
        const bool loaded = AudioModule::load(&reason);
        *error = QString::fromStdString(reason);
        return loaded;
    });
}

// Runs the main window until the event loop ends; returns the loop's exit code.
int runWindow(QT_EXT::QtSingleApplication& app, AppSettings* settings, const QString& warning) {
    QuillowaveWindow window(settings);
    if (!warning.isEmpty())
        window.setStatusText(warning);
    if (!CommandLine::startsMinimized(QCoreApplication::arguments()))
        window.show();
    app.setActivationWindow(&window, true);
    QObject::connect(&app, &QT_EXT::QtSingleApplication::messageReceived, &window,
                     &QuillowaveWindow::slot_oneInstance);
    return QApplication::exec();
}

// --help and --version are answered before anything else, so that they work without a display
// and never reach a running instance.
bool answeredOnTerminal(int argc, char* argv[]) {
    switch (CommandLine::informationSwitch(argc, argv)) {
    case CommandLine::Information::Help:
        std::fputs(qPrintable(CommandLine::helpText()), stdout);
        return true;
    case CommandLine::Information::Version:
        std::fputs(qPrintable(CommandLine::versionText()), stdout);
        return true;
    case CommandLine::Information::None:
        break;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (answeredOnTerminal(argc, argv))
        return 0;
    // The sound library would otherwise catch SIGTERM and SIGINT for an event loop we do not
    // run, and the program could not be ended by the session or the shell.
    qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    QT_EXT::QtSingleApplication app(argc, argv);
    const QStringList arguments = CommandLine::withFileAddresses(QCoreApplication::arguments());
    const QString problems = CommandLine::problems(CommandLine::parse(arguments));
    if (!problems.isEmpty())
        std::fprintf(stderr, "quillowave: %s\n", qPrintable(problems));
    AppSettings* settings = AppSettings::instance();
    QString languageWarning;
    switch (CommandLine::earlySwitch(arguments)) {
    case CommandLine::EarlySwitch::Uninstall:
        CommandLine::uninstall(settings);
        return 0;
    case CommandLine::EarlySwitch::Language:
        CommandLine::applyLanguageSwitch(arguments, settings);
        languageWarning = WindowLanguage::fallBackToEnglish(settings);
        break;
    case CommandLine::EarlySwitch::None:
        break;
    }
    if (app.sendMessage(CommandLine::handOverMessage(arguments), HandOverTimeoutMs))
        return 0;

    chooseIconTheme();
    findAudioModule();
    const int code = runWindow(app, settings, languageWarning);
    if (BASS::CBass::WasStarted())
        BASS_Free();
    return code;
}
