#include "app/appsettings.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    AppSettings::instance();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillowave"));
    window.show();
    return app.exec();
}
