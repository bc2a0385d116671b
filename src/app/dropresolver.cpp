#include "app/dropresolver.h"

#include <QFile>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool isShortcutFile(const QString& path) {
    return path.endsWith(QLatin1String(".url"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive);
}

} // namespace

DropResolver::Result DropResolver::resolve(const QMimeData* data) {
    if (!data)
        return {};
    QString found;
    if (data->hasText()) {
        const QString text = data->text();
        const qsizetype open = text.indexOf(QLatin1Char('{'));
        if (open >= 0 && text.indexOf(QLatin1Char('}'), open + 1) > open)
            return {Kind::FavoritesList, text};
        if (text.indexOf(QLatin1String("://")) > 0)
            found = addressFromText(text);
    }
    if (found.isEmpty() && data->hasUrls() && !data->urls().isEmpty()) {
        const QUrl first = data->urls().constFirst();
        if (first.isLocalFile()) {
            const QString path = first.toLocalFile();
            found = isShortcutFile(path) ? addressFromShortcutFile(path) : path;
        } else {
            found = first.toString();
        }
    }
    found = found.trimmed();
    if (found.isEmpty())
        return {};
    return {Kind::Address, found};
}

QString DropResolver::addressFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    // Browsers on this desktop drag secure addresses as often as plain ones.
    for (const QLatin1String scheme :
         {QLatin1String("http://"), QLatin1String("https://"), QLatin1String("mms://")}) {
        if (!trimmed.startsWith(scheme, Qt::CaseInsensitive))
            continue;
        static const QRegularExpression end(QStringLiteral("[|\\r\\n]"));
        const qsizetype cut = trimmed.indexOf(end);
        return (cut < 0 ? trimmed : trimmed.left(cut)).trimmed();
    }
    return QString();
}

QString DropResolver::addressFromShortcutFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const bool desktop = path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive);
    const QString wanted =
        desktop ? QStringLiteral("[Desktop Entry]") : QStringLiteral("[InternetShortcut]");
    // Read by hand: QSettings would split an address at its commas.
    QString section;
    QString url;
    bool isLink = !desktop;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            section = line;
            continue;
        }
        if (section.compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(QLatin1String("URL"), Qt::CaseInsensitive) == 0)
            url = value;
        else if (desktop && key == QLatin1String("Type"))
            isLink = value == QLatin1String("Link");
    }
    return isLink && url.indexOf(QLatin1String("://")) > 0 ? url : QString();
}
