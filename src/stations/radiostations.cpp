#include "stations/radiostations.h"

#include "app/appsettings.h"
#include "stations/countryflags.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <cstdlib>
#include <ctime>

namespace {

QMap<QString, QString>& usStateTable() {
    static QMap<QString, QString> table;
    return table;
}

QMap<QString, QString>& canadaStateTable() {
    static QMap<QString, QString> table;
    return table;
}

QMap<QString, QString>& australiaStateTable() {
    static QMap<QString, QString> table;
    return table;
}

void fillTable(QMap<QString, QString>& table, const char* const rows[][2], size_t count) {
    for (size_t i = 0; i < count; ++i)
        table.insert(QString::fromLatin1(rows[i][0]), QString::fromLatin1(rows[i][1]));
}

void fillStateTables() {
    static const char* const us[][2] = {
        {"AL", "Alabama"},        {"AK", "Alaska"},         {"AZ", "Arizona"},
        {"AR", "Arkansas"},       {"CA", "California"},     {"CO", "Colorado"},
        {"CT", "Connecticut"},    {"DE", "Delaware"},       {"DC", "District of Columbia"},
        {"FL", "Florida"},        {"GA", "Georgia"},        {"HI", "Hawaii"},
        {"ID", "Idaho"},          {"IL", "Illinois"},       {"IN", "Indiana"},
        {"IA", "Iowa"},           {"KS", "Kansas"},         {"KY", "Kentucky"},
        {"LA", "Louisiana"},      {"ME", "Maine"},          {"MD", "Maryland"},
        {"MA", "Massachusetts"},  {"MI", "Michigan"},       {"MN", "Minnesota"},
        {"MS", "Mississippi"},    {"MO", "Missouri"},       {"MT", "Montana"},
        {"NE", "Nebraska"},       {"NV", "Nevada"},         {"NH", "New Hampshire"},
        {"NJ", "New Jersey"},     {"NM", "New Mexico"},     {"NY", "New York"},
        {"NC", "North Carolina"}, {"ND", "North Dakota"},   {"OH", "Ohio"},
        {"OK", "Oklahoma"},       {"OR", "Oregon"},         {"PA", "Pennsylvania"},
        {"RI", "Rhode Island"},   {"SC", "South Carolina"}, {"SD", "South Dakota"},
        {"TN", "Tennessee"},      {"TX", "Texas"},          {"UT", "Utah"},
        {"VT", "Vermont"},        {"VA", "Virginia"},       {"WA", "Washington"},
        {"WV", "West Virginia"},  {"WI", "Wisconsin"},      {"WY", "Wyoming"},
    };
    static const char* const canada[][2] = {
        {"AB", "Alberta"},
        {"BC", "British Columbia"},
        {"MB", "Manitoba"},
        {"NB", "New Brunswick"},
        {"NL", "Newfoundland and Labrador"},
        {"NS", "Nova Scotia"},
        {"NT", "Northwest Territories"},
        {"NU", "Nunavut"},
        {"ON", "Ontario"},
        {"PE", "Prince Edward Island"},
        {"QC", "Quebec"},
        {"SK", "Saskatchewan"},
        {"YT", "Yukon"},
    };
    static const char* const australia[][2] = {
        {"ACT", "Australian Capital Territory"},
        {"NSW", "New South Wales"},
        {"NT", "Northern Territory"},
        {"QLD", "Queensland"},
        {"SA", "South Australia"},
        {"TAS", "Tasmania"},
        {"VIC", "Victoria"},
        {"WA", "Western Australia"},
    };
    fillTable(usStateTable(), us, std::size(us));
    fillTable(canadaStateTable(), canada, std::size(canada));
    fillTable(australiaStateTable(), australia, std::size(australia));
}

bool containsText(const QString& field, const QString& text) {
    return field.contains(text, Qt::CaseInsensitive);
}

} // namespace

RadioStations::RadioStations(QObject* parent) : QObject(parent) {
    CountryFlags::initResources();
    showGroupsFirst = AppSettings::instance()->ShowGroupsFirst();
    stationIcon = QIcon(QStringLiteral(":/QuillowaveWindow/Resources/Station.ico"));
    writer.setAutoFormatting(true);
    if (usStateTable().isEmpty())
        fillStateTables();
}

RadioStations::~RadioStations() = default;

const QMap<QString, QString>& RadioStations::usStates() {
    return usStateTable();
}

const QMap<QString, QString>& RadioStations::canadaStates() {
    return canadaStateTable();
}

const QMap<QString, QString>& RadioStations::australiaStates() {
    return australiaStateTable();
}

void RadioStations::clear() {
    allPresets.clear();
    byId.clear();
    byUrl.clear();
    topGroups.clear();
}

bool RadioStations::isInformationText(const QString& text) const {
    return containsText(text, QStringLiteral("railroad")) ||
           containsText(text, QStringLiteral("tower")) ||
           containsText(text, QStringLiteral("weather"));
}

bool RadioStations::isInformationStation(const Preset& preset) const {
    return isInformationText(preset.title) || isInformationText(preset.genre) ||
           isInformationText(preset.groupNameText());
}

QStringList RadioStations::groupNames() const {
    QStringList names;
    for (const auto& g : topGroups) {
        if (g->kind != Group::KindRoot)
            names << g->name;
    }
    return names;
}

void RadioStations::exportPresets() {}

void RadioStations::load(const QString& fileName) {
    Q_UNUSED(fileName);
}

void RadioStations::reload() {}

void RadioStations::randomPreset(Preset& out) const {
    if (allPresets.isEmpty())
        return;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const qsizetype count = allPresets.size();
    const qsizetype index = qMin<qsizetype>(std::rand() % count, count - 1);
    out = *allPresets.at(index);
}

void RadioStations::findByPreset(const Preset& preset, PresetList& out) const {
    findById(preset.id, out);
}

void RadioStations::findById(const QString& key, PresetList& out) const {
    if (Preset* p = byId.value(key))
        out << p;
}

void RadioStations::findByUrls(const Preset& preset, PresetList& out) const {
    for (const QString& url : preset.sources)
        findByUrl(url, out);
}

void RadioStations::search(const QString& text, PresetList& out, const PresetList* subset) {
    const bool hide = AppSettings::instance()->DoNotShowInfoStations();
    if (subset) {
        for (Preset* p : *subset)
            matchPreset(p, text, out, hide);
        return;
    }
    for (const auto& p : std::as_const(allPresets))
        matchPreset(p.get(), text, out, hide);
}

void RadioStations::findByTitle(const QString& stationTitle, PresetList& out,
                                const PresetList* list) const {
    if (list) {
        for (Preset* p : *list) {
            if (p->title == stationTitle)
                out << p;
        }
        return;
    }
    for (const auto& p : allPresets) {
        if (p->title == stationTitle)
            out << p.get();
    }
}

void RadioStations::findByUrl(const QString& url, PresetList& out) const {
    if (Preset* p = byUrl.value(url))
        out << p;
}

void RadioStations::findByCountry(const QString& countryName, PresetList& out,
                                  const PresetList* subset) const {
    if (subset) {
        for (Preset* p : *subset) {
            if (p->country == countryName)
                out << p;
        }
        return;
    }
    for (const auto& p : allPresets) {
        if (p->country == countryName)
            out << p.get();
    }
}

void RadioStations::findByGenre(const QString& genreText, PresetList& out,
                                const PresetList* subset) const {
    if (subset) {
        for (Preset* p : *subset) {
            if (containsText(p->genre, genreText))
                out << p;
        }
        return;
    }
    for (const auto& p : allPresets) {
        if (containsText(p->genre, genreText))
            out << p.get();
    }
}

bool RadioStations::fieldMatches(const Preset& preset, const QString& text) const {
    if (containsText(preset.title, text) || containsText(preset.genre, text) ||
        containsText(preset.state, text) || containsText(preset.city, text) ||
        containsText(preset.country, text))
        return true;
    const QByteArray country = preset.country.toUtf8();
    return containsText(QCoreApplication::translate("Countries", country.constData()), text);
}

void RadioStations::matchPreset(Preset* preset, const QString& text, PresetList& out,
                                bool hideInformation) const {
    const bool fieldHit = fieldMatches(*preset, text);
    if (!preset->group) {
        if (!fieldHit)
            return;
        if (hideInformation &&
            (isInformationText(preset->genre) || isInformationText(preset->title)))
            return;
        out << preset;
        return;
    }
    if (fieldHit || containsText(preset->group->name, text)) {
        if (hideInformation && isInformationStation(*preset))
            return;
        out << preset;
        return;
    }
    for (const Group* g = preset->group->parent; g; g = g->parent) {
        if (containsText(g->name, text)) {
            if (hideInformation && isInformationText(g->name))
                return;
            out << preset;
            return;
        }
    }
}

void RadioStations::addPreset(const QString& key, Preset* preset) {
    allPresets << QSharedPointer<Preset>(preset);
    byId.insert(key, preset);
}

void RadioStations::removePreset(Preset* preset) {
    for (qsizetype i = 0; i < allPresets.size(); ++i) {
        if (allPresets.at(i).get() == preset) {
            allPresets.removeAt(i);
            return;
        }
    }
}

void RadioStations::removePresets(const PresetList& list) {
    for (Preset* p : list)
        removePreset(p);
}

void RadioStations::writeBegin(QIODevice* device) {
    writer.setDevice(device);
    writer.writeStartDocument();
    writer.writeStartElement(rootElementName);
}

void RadioStations::writeEnd() {
    writer.writeEndElement();
    writer.writeEndDocument();
}

void RadioStations::write(QIODevice* device) {
    writeBegin(device);
    writeGroups(device, topGroups);
    writeEnd();
}

void RadioStations::writeGroups(QIODevice* device, const GroupList& groups) {
    Q_UNUSED(device);
    Q_UNUSED(groups);
}

void RadioStations::exportGroups(QTextStream& stream, const GroupList& groups) {
    Q_UNUSED(stream);
    Q_UNUSED(groups);
}

void RadioStations::report(MessageKind kind, const QString& text) {
    m_messages << text;
    emit signal_Message(kind, text);
    if (!m_interactive || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    const QString caption = QCoreApplication::applicationName();
    if (kind == MessageKind::Critical)
        QMessageBox::critical(nullptr, caption, text);
    else
        QMessageBox::information(nullptr, caption, text);
}
