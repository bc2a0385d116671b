#include "stations/radiostations.h"

#include "app/appsettings.h"
#include "stations/countryflags.h"
#include "stations/lazyiconengine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStringMatcher>
#include <algorithm>
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
    stationIcon = LazyIconEngine::icon(QStringLiteral(":/QuillowaveWindow/Resources/Station.ico"));
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

struct RadioStations::SearchContext {
    explicit SearchContext(const QString& searchText)
        : text(searchText), folded(searchText.toCaseFolded()),
          matcher(searchText, Qt::CaseInsensitive) {
        asciiText =
            std::all_of(folded.cbegin(), folded.cend(), [](QChar c) { return c.unicode() < 0x80; });
    }

    static char16_t fold(char16_t c) {
        if (c < 0x80)
            return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        return QChar::toCaseFolded(c);
    }

    // Whether field contains the text, ignoring case; every field contains the empty text.
    // Typed searches are almost always plain ASCII: those skip the general matcher, whose case
    // folding of every character dominates a scan of a large directory.
    bool contains(const QString& field) const {
        if (text.isEmpty())
            return true;
        if (!asciiText)
            return matcher.indexIn(field) >= 0;
        const qsizetype n = folded.size();
        const qsizetype m = field.size();
        const QChar* h = field.constData();
        const QChar* p = folded.constData();
        const char16_t lower = p[0].unicode();
        const char16_t upper = lower >= u'a' && lower <= u'z' ? char16_t(lower - 32) : lower;
        for (qsizetype i = 0; i + n <= m; ++i) {
            const char16_t c = h[i].unicode();
            if (c != lower && c != upper && (c < 0x80 || fold(c) != lower))
                continue;
            qsizetype j = 1;
            while (j < n && fold(h[i + j].unicode()) == p[j].unicode())
                ++j;
            if (j == n)
                return true;
        }
        return false;
    }

    // The country and its translation into the user's language.
    bool countryMatches(const QString& country) {
        const auto it = countries.constFind(country);
        if (it != countries.constEnd())
            return *it;
        const QByteArray name = country.toUtf8();
        const bool hit = contains(country) ||
                         contains(QCoreApplication::translate("Countries", name.constData()));
        countries.insert(country, hit);
        return hit;
    }

    bool groupMatches(const Group* g) {
        const auto it = groups.constFind(g);
        if (it != groups.constEnd())
            return *it;
        const bool hit = contains(g->name);
        groups.insert(g, hit);
        return hit;
    }

    // The first group above g whose name contains the text, or null.
    const Group* matchingAncestor(const Group* g) {
        const auto it = ancestors.constFind(g);
        if (it != ancestors.constEnd())
            return *it;
        const Group* found = nullptr;
        if (g->parent)
            found = groupMatches(g->parent) ? g->parent : matchingAncestor(g->parent);
        ancestors.insert(g, found);
        return found;
    }

    QString text;
    QString folded;
    bool asciiText = false;
    QStringMatcher matcher;
    QHash<QString, bool> countries;
    QHash<const Group*, bool> groups;
    QHash<const Group*, const Group*> ancestors;
};

void RadioStations::search(const QString& text, PresetList& out, const PresetList* subset) {
    const bool hide = AppSettings::instance()->DoNotShowInfoStations();
    SearchContext context(text);
    if (subset) {
        for (Preset* p : *subset)
            match(p, context, out, hide);
        return;
    }
    for (const auto& p : std::as_const(allPresets))
        match(p.get(), context, out, hide);
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

bool RadioStations::fieldMatches(const Preset& preset, SearchContext& context) const {
    return context.contains(preset.title) || context.contains(preset.genre) ||
           context.contains(preset.state) || context.contains(preset.city) ||
           context.countryMatches(preset.country);
}

void RadioStations::matchPreset(Preset* preset, const QString& text, PresetList& out,
                                bool hideInformation) const {
    SearchContext context(text);
    match(preset, context, out, hideInformation);
}

void RadioStations::match(Preset* preset, SearchContext& context, PresetList& out,
                          bool hideInformation) const {
    const bool fieldHit = fieldMatches(*preset, context);
    if (!preset->group) {
        if (!fieldHit)
            return;
        if (hideInformation &&
            (isInformationText(preset->genre) || isInformationText(preset->title)))
            return;
        out << preset;
        return;
    }
    if (fieldHit || context.groupMatches(preset->group)) {
        if (hideInformation && isInformationStation(*preset))
            return;
        out << preset;
        return;
    }
    if (const Group* g = context.matchingAncestor(preset->group)) {
        if (hideInformation && isInformationText(g->name))
            return;
        out << preset;
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
