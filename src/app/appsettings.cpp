#include "app/appsettings.h"

#include <QCoreApplication>

AppSettings* AppSettings::instance() {
    static AppSettings* settings = new AppSettings(QCoreApplication::applicationDirPath());
    return settings;
}

AppSettings::AppSettings(const QString& programFolder, const QStringList& programsFolders,
                         QObject* parent)
    : QObject(parent), m_programFolder(programFolder) {
    Q_UNUSED(programsFolders);
}

QStringList AppSettings::installPrefixes() {
    return {QStringLiteral("/usr"), QStringLiteral("/usr/local"), QStringLiteral("/opt")};
}
