#include "stations/ottersongsstations.h"

#include "stations/countryflags.h"
#include "stations/qtcompressed.h"

#include <QDataStream>

namespace {

enum Field {
    FieldKey,
    FieldName,
    FieldWebsite,
    FieldGenre,
    FieldCountry,
    FieldState,
    FieldCity,
    FieldUrl,
    FieldCount
};

// Hands out one field at a time: the text up to the next line feed or tab, which is consumed.
class FieldReader {
public:
    explicit FieldReader(QStringView text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    QString next() {
        qsizetype end = m_pos;
        while (end < m_text.size() && m_text.at(end) != QLatin1Char('\n') &&
               m_text.at(end) != QLatin1Char('\t'))
            ++end;
        const QString field = m_text.mid(m_pos, end - m_pos).toString();
        m_pos = end + 1;
        return field;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

OttersongsStations::OttersongsStations(QObject* parent) : ImportedStations(parent) {}

QString OttersongsStations::recordsText(const QByteArray& fileBytes) {
    QDataStream stream(fileBytes);
    QByteArray compressed;
    stream >> compressed;
    // Anything that is not Qt's compressed format reads as an empty list.
    const QString text = QString::fromUtf8(uncompressQtBytes(compressed));
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

void OttersongsStations::load(const QString& fileName) {
    const QByteArray bytes = readFile(fileName);
    if (bytes.isEmpty())
        return;
    beginLoad();
    const QString text = recordsText(bytes);
    readRecords(text);
}

void OttersongsStations::readRecords(QStringView text) {
    FieldReader reader(text);
    Preset* station = nullptr;
    while (!reader.atEnd()) {
        QString fields[FieldCount];
        fields[FieldKey] = reader.next();
        if (fields[FieldKey].isEmpty())
            return;
        for (int i = FieldName; i < FieldCount; ++i)
            fields[i] = reader.atEnd() ? QString() : reader.next();

        const bool sameStation = station && station->id == fields[FieldKey];
        if (!sameStation) {
            station = new Preset;
            station->id = fields[FieldKey];
        }
        station->title = fields[FieldName];
        station->website = fields[FieldWebsite];
        station->genre = fields[FieldGenre];
        station->country = fields[FieldCountry];
        station->state = fields[FieldState];
        station->city = fields[FieldCity];
        station->flagIcon = CountryFlags::flagIcon(station->country);
        if (!fields[FieldUrl].isEmpty()) {
            station->addSource(fields[FieldUrl]);
            byUrl.insert(fields[FieldUrl], station);
        }
        if (!sameStation) {
            Group* group =
                groupingMode == GroupByGenre ? groupNamed(station->genre, nullptr) : nullptr;
            addStation(station, group);
        }
    }
}
