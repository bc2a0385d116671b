#include "recording/playedtitles.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

// A field never breaks the line or the columns it is stored in.
QString field(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return result;
}

QByteArray csvField(const QString& text) {
    QString value = text;
    if (value.contains(QLatin1Char('"')) || value.contains(QLatin1Char(',')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value.replace(QLatin1String("\""), QLatin1String("\"\""));
        value = QLatin1Char('"') + value + QLatin1Char('"');
    }
    return value.toUtf8();
}

QString failure(const QString& path, const QFileDevice& file) {
    return path + QStringLiteral("\n\n") + QCoreApplication::translate("PlayedTitles", "Reason") +
           QStringLiteral(": ") + file.errorString();
}

} // namespace

PlayedTitles::PlayedTitles(QObject* parent) : QObject(parent) {}

void PlayedTitles::Load(const QString& path) {
    m_path = path;
    m_entries.clear();
    m_linesInFile = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        in.setEncoding(QStringConverter::Utf8);
        while (!in.atEnd()) {
            const QStringList parts = in.readLine().split(QLatin1Char('\t'));
            const QDateTime time = QDateTime::fromString(parts.value(0), Qt::ISODate);
            // Lines that are not entries (damaged, or of a later version) are passed over.
            if (parts.size() < 5 || !time.isValid())
                continue;
            m_entries.append({time, parts.at(1), parts.at(2), parts.at(3), parts.at(4)});
            ++m_linesInFile;
        }
    }
    if (m_entries.size() > MaxEntries)
        m_entries.remove(0, m_entries.size() - MaxEntries);
    emit sig_changed();
}

void PlayedTitles::Add(const Entry& entry) {
    m_entries.append(entry);
    if (m_entries.size() > MaxEntries)
        m_entries.removeFirst();
    if (m_linesInFile >= MaxEntries + MaxEntries / 4)
        Save();
    else
        Append(entry);
    emit sig_changed();
}

void PlayedTitles::SetRecordedFile(const QString& station, const QString& artist,
                                   const QString& title, const QString& file) {
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        if (it->station != station)
            continue;
        if (it->artist != artist || it->title != title || it->file == file)
            return;
        it->file = file;
        Save();
        emit sig_changed();
        return;
    }
}

QByteArray PlayedTitles::Line(const Entry& entry) {
    const QStringList parts = {entry.time.toString(Qt::ISODate), field(entry.station),
                               field(entry.artist), field(entry.title), field(entry.file)};
    return parts.join(QLatin1Char('\t')).toUtf8() + '\n';
}

void PlayedTitles::Append(const Entry& entry) {
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    const QByteArray line = Line(entry);
    // A line cut short by a crash is passed over when the log is read.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size()) {
        ++m_linesInFile;
        return;
    }
    emit sig_saveFailed(failure(m_path, file));
}

void PlayedTitles::Save() {
    if (m_path.isEmpty())
        return;
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly)) {
        QByteArray data;
        for (const Entry& entry : m_entries)
            data += Line(entry);
        if (file.write(data) == data.size() && file.commit()) {
            m_linesInFile = int(m_entries.size());
            return;
        }
    }
    emit sig_saveFailed(failure(m_path, file));
}

QByteArray PlayedTitles::Csv(const QList<Entry>& entries) {
    QByteArray csv = "Time,Station,Artist,Title,File\r\n";
    for (const Entry& entry : entries) {
        const QList<QByteArray> row = {csvField(entry.time.toString(Qt::ISODate)),
                                       csvField(entry.station), csvField(entry.artist),
                                       csvField(entry.title), csvField(entry.file)};
        csv += row.join(',') + "\r\n";
    }
    return csv;
}

bool PlayedTitles::ExportCsv(const QString& path, QString* error) const {
    QSaveFile file(path);
    const QByteArray csv = Csv(m_entries);
    if (file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit())
        return true;
    if (error)
        *error = failure(path, file);
    return false;
}

QString PlayedTitles::SongText(const Entry& entry) {
    if (entry.artist.isEmpty() || entry.title.isEmpty())
        return entry.artist.isEmpty() ? entry.title : entry.artist;
    return entry.artist + QStringLiteral(" - ") + entry.title;
}
