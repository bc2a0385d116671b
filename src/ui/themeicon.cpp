#include "ui/themeicon.h"

#include <QFile>

QIcon ThemeIcon::get(const QString& themeName, const QString& resource, const QString& fallback) {
    const QIcon themed = QIcon::fromTheme(themeName);
    if (!themed.isNull())
        return themed;
    if (!resource.isEmpty() && QFile::exists(resource))
        return QIcon(resource);
    if (!fallback.isEmpty() && QFile::exists(fallback))
        return QIcon(fallback);
    return QIcon();
}

QString ThemeIcon::resource(const QString& fileName) {
    return QStringLiteral(":/QuillowaveWindow/Resources/") + fileName;
}
