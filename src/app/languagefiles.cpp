#include "app/languagefiles.h"

#include "settings/appsettings.h"

#include <QDir>
#include <QMap>

namespace {

const QString LanguageSuffix = QStringLiteral(".lng");

QString caseKey(const QString& fileName) {
    QString name = fileName.toLower();
    return name.replace(QStringLiteral(".xml"), LanguageSuffix);
}

} // namespace

LanguageFiles::LanguageFiles(const QStringList& folders) {
    QMap<QString, Entry> byName;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        const QStringList names =
            dir.entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& name : names) {
            if (!isListed(name) || byName.contains(caseKey(name)))
                continue;
            byName.insert(caseKey(name), Entry{name, dir.filePath(name), displayName(name)});
        }
    }
    for (const Entry& entry : byName)
        m_entries << entry;
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.fileName < b.fileName; });
}

QStringList LanguageFiles::folders(const AppSettings& settings) {
    QStringList result{settings.dataFolder() + QStringLiteral("Languages"),
                       settings.languageFolder()};
    result.removeDuplicates();
    return result;
}

QString LanguageFiles::find(const QString& fileName) const {
    const QString key = caseKey(fileName);
    for (const Entry& entry : m_entries) {
        if (caseKey(entry.fileName) == key)
            return entry.path;
    }
    return QString();
}

bool LanguageFiles::isListed(const QString& fileName) {
    if (fileName.indexOf(QStringLiteral("ex.lng"), 1) > 0 ||
        fileName.indexOf(QStringLiteral("tmp.lng"), 1) > 0)
        return false;
    return !fileName.startsWith(QStringLiteral("Traditional Chinese")) &&
           !fileName.startsWith(QStringLiteral("Serbian Latin"));
}

QString LanguageFiles::displayName(const QString& fileName) {
    QString name = fileName.section(QLatin1Char('.'), 0, 0);
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

QString LanguageFiles::flagCountry(const QString& displayName) {
    static const QMap<QString, QString> exact{
        {"English", "UK"},           {"Bulgarian", "Bulgaria"},
        {"Czech", "Czech Republic"}, {"Danish", "Denmark"},
        {"Dutch", "Netherlands"},    {"Estonian", "Estonia"},
        {"French", "France"},        {"German", "Germany"},
        {"Greek", "Greece"},         {"Hebrew", "Israel"},
        {"Hungarian", "Hungary"},    {"Korean", "South Korea"},
        {"Italian", "Italy"},        {"Japanese", "Japan"},
        {"Lithuanian", "Lithuania"}, {"Makedonija", "Macedonia"},
        {"Norwegian", "Norway"},     {"Polish", "Poland"},
        {"Portuguese", "Portugal"},  {"Portuguese (Brazilian)", "Brazil"},
        {"Romanian", "Romania"},     {"Russian", "Russia"},
        {"Slovak", "Slovakia"},      {"Spanish", "Spain"},
        {"Swedish", "Sweden"},       {"Turkish", "Turkey"},
        {"Ukrainian", "Ukraine"}};
    static const QList<QPair<QString, QString>> contained{
        {"chinese", "China"}, {"croatian", "Croatia"}, {"serbian", "Serbia"}};
    const auto found = exact.constFind(displayName);
    if (found != exact.constEnd())
        return *found;
    for (const auto& [part, country] : contained) {
        if (displayName.contains(part, Qt::CaseInsensitive))
            return country;
    }
    return QString();
}

QString LanguageFiles::defaultFileName() {
    return QStringLiteral("lang.english.xml");
}
