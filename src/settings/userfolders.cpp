#include "settings/userfolders.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString asFolder(const QString& path) {
    QString folder = QDir::toNativeSeparators(QDir::cleanPath(path));
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

} // namespace

UserFolders::UserFolders(const QString& programFolder, bool portable)
    : m_programFolder(programFolder), m_portable(portable) {}

QString UserFolders::userFolder(int location, const QString& homeFallback) const {
    if (m_portable)
        return m_programFolder;
    QString base =
        QStandardPaths::writableLocation(static_cast<QStandardPaths::StandardLocation>(location));
    if (base.isEmpty())
        base = QDir::homePath() + homeFallback;
    return asFolder(base + QStringLiteral("/Quillowave"));
}

QString UserFolders::config() const {
    return userFolder(QStandardPaths::GenericConfigLocation, QStringLiteral("/.config"));
}

QString UserFolders::data() const {
    return userFolder(QStandardPaths::GenericDataLocation, QStringLiteral("/.local/share"));
}

QString UserFolders::cache() const {
    if (m_portable)
        return asFolder(m_programFolder + QStringLiteral("Cache"));
    return userFolder(QStandardPaths::GenericCacheLocation, QStringLiteral("/.cache"));
}

QString UserFolders::bundled() const {
    if (m_portable)
        return m_programFolder;
    return asFolder(m_programFolder + QStringLiteral("../share/quillowave"));
}
