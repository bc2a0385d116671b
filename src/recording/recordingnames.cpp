#include "recording/recordingnames.h"

#include "qtext/textutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// ext4 and most Linux file systems take 255 bytes per name; this leaves room for " (99999)"
// and the longest extension.
constexpr int MaxComponentBytes = 255 - 16;

QString cutToBytes(const QString& text, int maxBytes) {
    QString result = text;
    while (result.toUtf8().size() > maxBytes) {
        result.chop(1);
        // Never leave half of a surrogate pair.
        if (!result.isEmpty() && result.back().isHighSurrogate())
            result.chop(1);
    }
    return result;
}

// The first maxChars UTF-16 units, without a lone half of a surrogate pair at the end.
QString leftChars(const QString& text, int maxChars) {
    QString result = text.left(maxChars);
    if (result.size() < text.size() && !result.isEmpty() && result.back().isHighSurrogate())
        result.chop(1);
    return result;
}

QString withoutControls(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            result.append(c);
    }
    return result;
}

QString trimmedOf(const QString& text, const QString& characters) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && characters.contains(text.at(start)))
        ++start;
    while (end > start && characters.contains(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

} // namespace

QString RecordingNames::StationName(const QString& headerName, const QString& recordName) {
    QString name = headerName;
    if (name.isEmpty() || name.size() > 100)
        name = recordName;
    if (name.isEmpty())
        name = QCoreApplication::translate("AppStream", "No Name Station");
    name = QT_EXT::validFileName(leftChars(name, MaxStationChars));
    for (const QChar c : {QChar('.'), QChar('('), QChar(')')})
        name.remove(c);
    return name;
}

QString RecordingNames::DateTimeName(const QDateTime& time) {
    // English month names: the name reads the same whatever the desktop's language.
    const QLocale c = QLocale::c();
    return QStringLiteral("%1_%2").arg(c.toString(time, QStringLiteral("dd.MMM.yyyy")),
                                       c.toString(time, QStringLiteral("hh.mm")));
}

QString RecordingNames::TrackName(const Fields& fields) {
    QString name;
    if (fields.split && !(fields.artist.isEmpty() && fields.title.isEmpty())) {
        name = fields.artist;
        if (!fields.title.isEmpty())
            name += QStringLiteral(" - ") + fields.title;
    }
    if (name.trimmed().size() <= MinTrackChars)
        name = DateTimeName(fields.time);
    return QT_EXT::validFileName(leftChars(name, MaxTrackChars));
}

QString RecordingNames::Component(const QString& text) {
    QString name = withoutControls(QT_EXT::validFileName(text));
    // A leading dot hides the file; "." and ".." are not names at all.
    name = trimmedOf(name, QStringLiteral(". "));
    name = cutToBytes(name, MaxComponentBytes);
    return trimmedOf(name, QStringLiteral(". "));
}

QString RecordingNames::Expand(const QString& part, const Fields& fields) {
    const QLocale c = QLocale::c();
    QString result;
    qsizetype at = 0;
    while (at < part.size()) {
        const qsizetype open = part.indexOf(QLatin1Char('%'), at);
        const qsizetype close = open < 0 ? -1 : part.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            result += part.mid(at);
            break;
        }
        const QString key = part.mid(open + 1, close - open - 1);
        QString value;
        bool known = true;
        if (key == QLatin1String("station"))
            value = StationName(fields.station, QString());
        else if (key == QLatin1String("track"))
            value = TrackName(fields);
        else if (key == QLatin1String("artist"))
            value = fields.artist;
        else if (key == QLatin1String("title"))
            value = fields.title;
        else if (key == QLatin1String("url"))
            value = fields.url;
        else if (key == QLatin1String("date"))
            value = c.toString(fields.time, QStringLiteral("yyyy-MM-dd"));
        else if (key == QLatin1String("time"))
            value = c.toString(fields.time, QStringLiteral("hh.mm.ss"));
        else
            known = false;
        if (!known) {
            // Not a placeholder: the "%" stays text and the next one may open a placeholder.
            result += part.mid(at, close - at);
            at = close;
            continue;
        }
        result += part.mid(at, open - at);
        // A value never adds a folder level.
        result += QT_EXT::validFileName(value);
        at = close + 1;
    }
    return result;
}

QString RecordingNames::PatternPath(const QString& folder, const QString& pattern,
                                    const Fields& fields) {
    QString use = pattern.trimmed().isEmpty() ? DefaultPattern() : pattern;
    use.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = use.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString fileName = parts.isEmpty() ? QString() : Component(Expand(parts.takeLast(), fields));
    QStringList folders;
    for (const QString& part : parts) {
        const QString name = Component(Expand(part, fields));
        if (!name.isEmpty())
            folders.append(name);
    }
    folders.append(fileName.isEmpty() ? Component(DateTimeName(fields.time)) : fileName);
    return QDir(folder).filePath(folders.join(QLatin1Char('/')));
}

QString RecordingNames::FreePath(const QString& path, const QString& extension) {
    QString candidate = path + extension;
    for (int n = 1; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = path + QStringLiteral(" (%1)").arg(n) + extension;
    return candidate;
}
