// CrashReport: shown after Quillowave crashed. "CrashReport \"/path/to/program\"" asks whether
// to restart the program and starts it again on Yes; "Show log" opens the crash log.
// QW_CRASHREPORT_ANSWER=yes or =no answers without a window (scripts and tests).

#include "qtext/exceptionhandler.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <cstdio>

namespace {

enum ExitCode { ExitRestarted = 0, ExitDeclined = 1, ExitUsage = 2, ExitStartFailed = 3 };

// The program path, with the double quotes of the handler's command line taken off.
QString programPath(QString argument) {
    argument = argument.trimmed();
    if (argument.size() >= 2 && argument.startsWith(u'"') && argument.endsWith(u'"'))
        argument = argument.mid(1, argument.size() - 2);
    return argument;
}

bool askRestart() {
    const QByteArray preset = qgetenv("QW_CRASHREPORT_ANSWER").toLower();
    if (preset == "yes" || preset == "no")
        return preset == "yes";
    QMessageBox box(QMessageBox::Critical, QObject::tr("Error"),
                    QObject::tr("This application has crashed. Do you wish to restart it?"),
                    QMessageBox::Yes | QMessageBox::No);
    QPushButton* showLog = box.addButton(QObject::tr("Show log"), QMessageBox::ActionRole);
    const QString log = QT_EXT::ExceptionHandler::logFilePath();
    showLog->setEnabled(QFileInfo::exists(log));
    // Any button closes the box: after the log was opened the question comes again.
    while (true) {
        const int answer = box.exec();
        if (box.clickedButton() != showLog)
            return answer == QMessageBox::Yes;
        QDesktopServices::openUrl(QUrl::fromLocalFile(log));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || programPath(args.at(1)).isEmpty()) {
        std::fputs("usage: CrashReport \"PROGRAM\"\n", stderr);
        return ExitUsage;
    }
    const QString program = programPath(args.at(1));
    if (!askRestart())
        return ExitDeclined;
    return QProcess::startDetached(program, {}) ? ExitRestarted : ExitStartFailed;
}
