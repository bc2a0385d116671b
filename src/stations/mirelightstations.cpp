#include "stations/mirelightstations.h"

#include "stations/countryflags.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace {

enum Field { FieldName, FieldDescription, FieldGenre, FieldCountry, FieldLanguage, FieldFirstUrl };

// The format is UTF-8; lists saved by older versions of that program are Latin-1, which is
// recognised by the text not being valid UTF-8.
QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

} // namespace

MirelightStations::MirelightStations(QObject* parent) : ImportedStations(parent) {}

void MirelightStations::load(const QString& fileName) {
    const QByteArray bytes = readFile(fileName);
    if (bytes.isEmpty())
        return;
    beginLoad();
    const QString text = decodeText(bytes);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            addLine(line);
    }
}

void MirelightStations::addLine(QStringView line) {
    const QList<QStringView> fields = line.split(QLatin1Char('\t'));
    const auto field = [&fields](int index) {
        return index < fields.size() ? fields.at(index).toString() : QString();
    };
    auto* station = new Preset;
    station->title = field(FieldName);
    station->comment = field(FieldDescription);
    station->genre = field(FieldGenre);
    const QString country = field(FieldCountry);
    station->country = country.isEmpty()
                           ? country
                           : QCoreApplication::translate("Countries", country.toUtf8().constData());
    station->language = field(FieldLanguage);
    for (int i = FieldFirstUrl; i < fields.size(); ++i) {
        const QStringView url = fields.at(i);
        if (!url.isEmpty() && url != QLatin1String("-"))
            station->addSource(url.toString());
    }
    station->flagIcon = CountryFlags::flagIcon(station->country);
    if (station->country == QLatin1String("USA") || station->country == QLatin1String("Canada"))
        station->state = stateFromTitle(station->title);

    Group* group = nullptr;
    if (groupingMode == GroupByGenre) {
        group = groupNamed(station->genre, nullptr);
    } else {
        group = groupNamed(station->country, nullptr);
        if (!station->state.isEmpty())
            group = groupNamed(station->state, group);
    }
    station->computeId(false);
    addStation(station, group);
}

QString MirelightStations::stateFromTitle(const QString& title) {
    const qsizetype comma = title.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {};
    qsizetype start = comma + 1;
    while (start < title.size() &&
           (title.at(start) == QLatin1Char(' ') || title.at(start) == QLatin1Char('\t')))
        ++start;
    qsizetype end = start;
    while (end < title.size() && title.at(end) != QLatin1Char(',') &&
           title.at(end) != QLatin1Char('(') && title.at(end) != QLatin1Char('['))
        ++end;
    const QString abbreviation = title.mid(start, end - start).trimmed();
    if (usStates().contains(abbreviation))
        return usStates().value(abbreviation);
    return canadaStates().value(abbreviation, abbreviation);
}
