// The program's entry point: the application object, the settings store, the audio library and
// the main window, which keeps its own geometry.

#include "app/appsettings.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "audio/bass.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    // The sound library would otherwise catch SIGTERM and SIGINT for an event loop we do not
    // run, and the program could not be ended by the session or the shell.
    qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    QApplication app(argc, argv);
    // Desktops without an icon theme still get the artwork the distribution ships.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Tango"));
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    AppSettings* settings = AppSettings::instance();

    QString error;
    QString warning;
    if (!PlaybackController::initEngine(settings, &error, &warning)) {
        QMessageBox::critical(nullptr, QStringLiteral("Quillowave"),
                              QObject::tr("The audio library could not be started: %1").arg(error));
        return 1;
    }
    int code = 0;
    {
        QuillowaveWindow window(settings);
        if (!warning.isEmpty())
            window.setStatusText(warning);
        if (!QCoreApplication::arguments().contains(QStringLiteral("/show=minimized")))
            window.show();
        code = QApplication::exec();
    }
    BASS_Free();
    return code;
}
