#include "app/appsettings.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    AppSettings* settings = AppSettings::instance();

    QMainWindow window;
    window.setObjectName(QStringLiteral("QuillowaveWindow"));
    window.setWindowTitle(QStringLiteral("Quillowave"));
    const bool mini = settings->MiniMode();
    const bool restored = mini ? settings->restoreWindowGeometryMini(&window)
                               : settings->restoreWindowGeometry(&window);
    if (!restored) {
        window.resize(640, 420);
    }
    window.setWindowFlag(Qt::WindowStaysOnTopHint, settings->AlwaysOnTop());

    // The geometry is kept for the mode the window was shown in, so that both sizes survive.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window, settings, mini] {
        if (mini) {
            settings->saveWindowGeometryMini(&window);
        } else {
            settings->saveWindowGeometry(&window);
        }
    });
    window.show();
    return app.exec();
}
