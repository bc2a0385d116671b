#include "stations/radiostations.h"

#include "settings/appsettings.h"
#include "stations/countryflags.h"
#include "stations/lazyiconengine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStringMatcher>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

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

// Asks for the cache lines of a record that a search reads. Forced inline: the compiler takes a
// function of nothing but prefetches for one without effect and drops its calls.
[[gnu::always_inline]] inline void prefetchRecord(const Preset* p) {
    const char* fields = reinterpret_cast<const char*>(p);
    __builtin_prefetch(fields);
    __builtin_prefetch(fields + 64);
    __builtin_prefetch(fields + 128);
    __builtin_prefetch(&p->group);
}

// The texts of a record that a search tests first.
[[gnu::always_inline]] inline void prefetchTexts(const Preset* p) {
    __builtin_prefetch(p->title.constData());
    __builtin_prefetch(p->genre.constData());
    __builtin_prefetch(p->city.constData());
}

char16_t foldUnit(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

} // namespace

RadioStations::RadioStations(QObject* parent) : QObject(parent) {
    CountryFlags::initResources();
    showGroupsFirst = AppSettings::instance()->ShowGroupsFirst();
    stationIcon = LazyIconEngine::icon(QStringLiteral(":/QuillowaveWindow/Resources/Station.ico"));
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
    m_searchIndex.reset();
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
            if (c != lower && c != upper && (c < 0x80 || foldUnit(c) != lower))
                continue;
            qsizetype j = 1;
            while (j < n && foldUnit(h[i + j].unicode()) == p[j].unicode())
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

    // Records come group by group, so the answer for the previous record's group is asked again
    // far more often than the table.
    bool groupMatches(const Group* g) {
        if (g == lastGroup)
            return lastGroupHit;
        const auto it = groups.constFind(g);
        const bool hit = it != groups.constEnd() ? *it : contains(g->name);
        if (it == groups.constEnd())
            groups.insert(g, hit);
        lastGroup = g;
        lastGroupHit = hit;
        return hit;
    }

    // The first group above g whose name contains the text, or null.
    const Group* matchingAncestor(const Group* g) {
        if (g == lastAncestorOf)
            return lastAncestor;
        const Group* found = ancestorLookup(g);
        lastAncestorOf = g;
        lastAncestor = found;
        return found;
    }

    const Group* ancestorLookup(const Group* g) {
        const auto it = ancestors.constFind(g);
        if (it != ancestors.constEnd())
            return *it;
        const Group* found = nullptr;
        if (g->parent)
            found = groupMatches(g->parent) ? g->parent : ancestorLookup(g->parent);
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
    const Group* lastGroup = nullptr;
    bool lastGroupHit = false;
    const Group* lastAncestorOf = nullptr;
    const Group* lastAncestor = nullptr;
};

// A scan of a large directory spends its time fetching every record's title, genre, state and
// city from four separate allocations. This index keeps those fields of allPresets folded into
// one contiguous byte text, so an ASCII search is one pass of a substring search over it.
// Nobody tells the index about changes: each entry keeps shallow copies of the fields it was
// folded from, and since an edit of a shared string detaches it, a record whose field no longer
// shares the kept buffer has changed. The search then reads that record itself, and the next
// search folds all records again. Country names are matched once per search, with their
// translation, so a change of language needs nothing here.
struct RadioStations::SearchIndex {
    struct Entry {
        const Preset* preset = nullptr;
        QString title;
        QString genre;
        QString state;
        QString city;
        QString country;
        qsizetype textBegin = 0;
        qsizetype textEnd = 0;
        qsizetype countryIndex = 0;
    };

    // Ends every field and stands for every character that does not fold to ASCII: the index
    // serves ASCII search texts only, which never contain it, so no hit spans two fields.
    static constexpr char kOther = '\x80';
    // Title, genre, state and city of a directory record are seldom longer together.
    static constexpr size_t kTypicalRecordText = 64;

    static bool same(const QString& kept, const QString& field) {
        return kept.size() == field.size() &&
               (kept.isEmpty() || kept.constData() == field.constData());
    }

    static bool current(const Entry& e, const Preset& p) {
        return e.preset == &p && same(e.title, p.title) && same(e.genre, p.genre) &&
               same(e.state, p.state) && same(e.city, p.city) && same(e.country, p.country);
    }

    static char* appendFolded(const QString& field, char* out) {
        for (const QChar c : field) {
            const char16_t f = foldUnit(c.unicode());
            *out++ = f < 0x80 ? static_cast<char>(f) : kOther;
        }
        *out++ = kOther;
        return out;
    }

    void clear() {
        entries.clear();
        text.clear();
        countries.clear();
        countryIds.clear();
        lastCountry = nullptr;
    }

    void reserve(qsizetype records) {
        entries.reserve(static_cast<size_t>(records));
        text.reserve(static_cast<size_t>(records) * kTypicalRecordText);
    }

    const Entry& add(const Preset& p) {
        Entry e{&p, p.title, p.genre, p.state, p.city, p.country, 0, 0, 0};
        const qsizetype length =
            p.title.size() + p.genre.size() + p.state.size() + p.city.size() + 4;
        e.textBegin = static_cast<qsizetype>(text.size());
        text.resize(text.size() + static_cast<size_t>(length));
        char* out = text.data() + e.textBegin;
        for (const QString* field : {&p.title, &p.genre, &p.state, &p.city})
            out = appendFolded(*field, out);
        e.textEnd = e.textBegin + length;
        // Records come country by country and share the country's string.
        if (!lastCountry || !same(*lastCountry, p.country)) {
            auto id = countryIds.constFind(p.country);
            if (id == countryIds.constEnd()) {
                id = countryIds.insert(p.country, countries.size());
                countries << p.country;
            }
            lastCountryId = *id;
        }
        lastCountry = &p.country;
        e.countryIndex = lastCountryId;
        entries.push_back(std::move(e));
        return entries.back();
    }

    std::vector<Entry> entries;
    std::string text;
    QStringList countries;

private:
    QHash<QString, qsizetype> countryIds;
    const QString* lastCountry = nullptr;
    qsizetype lastCountryId = 0;
};

void RadioStations::search(const QString& text, PresetList& out, const PresetList* subset) {
    const bool hide = AppSettings::instance()->DoNotShowInfoStations();
    SearchContext context(text);
    if (subset) {
        // A narrowing search reads the texts of each record too: ask for the record first, and
        // for its texts once the record has arrived.
        constexpr qsizetype kRecordAhead = 16;
        constexpr qsizetype kTextAhead = 8;
        const qsizetype count = subset->size();
        for (qsizetype i = 0; i < count; ++i) {
            if (i + kRecordAhead < count)
                prefetchRecord(subset->at(i + kRecordAhead));
            if (i + kTextAhead < count)
                prefetchTexts(subset->at(i + kTextAhead));
            Preset* p = subset->at(i);
            match(p, fieldMatches(*p, context), context, out, hide);
        }
        return;
    }
    if (context.asciiText && !text.isEmpty()) {
        searchAll(context, out, hide);
        return;
    }
    for (const auto& p : std::as_const(allPresets))
        match(p.get(), fieldMatches(*p, context), context, out, hide);
}

void RadioStations::searchAll(SearchContext& context, PresetList& out, bool hideInformation) {
    if (!m_searchIndex)
        m_searchIndex = std::make_unique<SearchIndex>();
    SearchIndex& index = *m_searchIndex;
    const qsizetype count = allPresets.size();
    // The records are fetched from scattered allocations; asking for them a few records ahead
    // lets the memory fetches overlap instead of each record waiting for its own.
    constexpr qsizetype kPrefetchAhead = 16;
    const QByteArray needle = context.folded.toLatin1();
    // glibc's memmem outruns the standard library's searchers on this text by about a third.
    const auto find = [&](const char* from, const char* to) {
        const void* at = memmem(from, static_cast<size_t>(to - from), needle.constData(),
                                static_cast<size_t>(needle.size()));
        return at ? static_cast<const char*>(at) : to;
    };
    std::vector<bool> countryHits;

    if (index.entries.size() != static_cast<size_t>(count)) {
        // The first search over these records: fold each one and test it while it is at hand.
        index.clear();
        index.reserve(count);
        for (qsizetype i = 0; i < count; ++i) {
            if (i + kPrefetchAhead < count)
                prefetchRecord(allPresets.at(i + kPrefetchAhead).get());
            Preset* p = allPresets.at(i).get();
            const SearchIndex::Entry& e = index.add(*p);
            if (static_cast<size_t>(e.countryIndex) == countryHits.size())
                countryHits.push_back(context.countryMatches(p->country));
            const char* from = index.text.data() + e.textBegin;
            const char* to = index.text.data() + e.textEnd;
            const bool fieldHit =
                find(from, to) != to || countryHits[static_cast<size_t>(e.countryIndex)];
            match(p, fieldHit, context, out, hideInformation);
        }
        return;
    }

    countryHits.reserve(static_cast<size_t>(index.countries.size()));
    for (const QString& country : std::as_const(index.countries))
        countryHits.push_back(context.countryMatches(country));
    const char* const begin = index.text.data();
    const char* const end = begin + index.text.size();
    const auto findFrom = [&](qsizetype from) {
        return static_cast<qsizetype>(find(begin + from, end) - begin);
    };
    // The next hit at or after the record being tested; records before it have no text hit.
    qsizetype hit = findFrom(0);
    bool stale = false;
    for (qsizetype i = 0; i < count; ++i) {
        if (i + kPrefetchAhead < count)
            prefetchRecord(allPresets.at(i + kPrefetchAhead).get());
        Preset* p = allPresets.at(i).get();
        const SearchIndex::Entry& e = index.entries[static_cast<size_t>(i)];
        bool fieldHit = false;
        if (SearchIndex::current(e, *p)) {
            if (hit < e.textBegin)
                hit = findFrom(e.textBegin);
            fieldHit = hit < e.textEnd || countryHits[static_cast<size_t>(e.countryIndex)];
        } else {
            stale = true;
            fieldHit = fieldMatches(*p, context);
        }
        match(p, fieldHit, context, out, hideInformation);
    }
    // Refolded by the next search over all records.
    if (stale)
        index.clear();
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
    match(preset, fieldMatches(*preset, context), context, out, hideInformation);
}

void RadioStations::match(Preset* preset, bool fieldHit, SearchContext& context, PresetList& out,
                          bool hideInformation) const {
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

QXmlStreamWriter& RadioStations::writerFor(QIODevice* device) {
    if (!m_writer || m_writer->device() != device) {
        m_writer = std::make_unique<QXmlStreamWriter>(device);
        m_writer->setAutoFormatting(true);
    }
    return *m_writer;
}

bool RadioStations::finishWriting() {
    const bool failed = m_writer && m_writer->hasError();
    m_writer.reset();
    return !failed;
}

void RadioStations::writeBegin(QIODevice* device) {
    // A new writer for every document: one that failed to write once stays silent for good.
    m_writer.reset();
    writerFor(device).writeStartDocument();
    m_writer->writeStartElement(rootElementName);
}

void RadioStations::writeEnd() {
    if (!m_writer)
        return;
    m_writer->writeEndElement();
    m_writer->writeEndDocument();
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
    if (m_interactive)
        showMessageBox(kind, text);
}

void RadioStations::showMessageBox(MessageKind kind, const QString& text) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    const QString caption = QCoreApplication::applicationName();
    if (kind == MessageKind::Critical)
        QMessageBox::critical(nullptr, caption, text);
    else
        QMessageBox::information(nullptr, caption, text);
}
