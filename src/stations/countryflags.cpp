#include "stations/countryflags.h"

#include "stations/lazyiconengine.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <memory>

static void initStationResources() {
    Q_INIT_RESOURCE(stations);
}

void CountryFlags::initResources() {
    static const bool done = (initStationResources(), true);
    Q_UNUSED(done);
}

QString CountryFlags::resourceName(const QString& name) {
    static const QHash<QString, QString> aliases{
        {QStringLiteral("Kazachstan"), QStringLiteral("Kazakhstan")},
        {QStringLiteral("Meyotte"), QStringLiteral("Mayotte")},
        {QStringLiteral("Réunion"), QStringLiteral("Reunion")},
        {QStringLiteral("St. Helena"), QStringLiteral("Saint Helena")},
        {QStringLiteral("Surinam"), QStringLiteral("Suriname")},
        {QStringLiteral("Antigua-Barbuda"), QStringLiteral("Antigua and Barbuda")},
        {QStringLiteral("Saint Kitts-Nevis"), QStringLiteral("Saint Kitts and Nevis")},
        {QStringLiteral("Turks-Caicos Islands"), QStringLiteral("Turks and Caicos Islands")},
        {QStringLiteral("Saint Vincent-The Grenadines"),
         QStringLiteral("Saint Vincent and the Grenadines")},
        {QStringLiteral("Virgin Islands"), QStringLiteral("Virgin Islands UK")},
        {QStringLiteral("Georgia"), QStringLiteral("GeorgiaCountry")},
        {QStringLiteral("Wallis-Futuna Islands"), QStringLiteral("Wallis and Futuna")},
        {QStringLiteral("Northern Marianas"), QStringLiteral("Northern Mariana Islands")},
    };
    const auto alias = aliases.constFind(name);
    if (alias != aliases.constEnd())
        return alias.value();

    const qsizetype paren = name.indexOf(QLatin1Char('('));
    if (paren >= 1)
        return name.left(paren).trimmed();
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma >= 1)
        return name.left(comma).trimmed();
    return name;
}

const QIcon* CountryFlags::flagIcon(const QString& name) {
    // Misses are not cached: they are cheap to repeat and a later resource may supply them.
    // The directory is read on a worker thread while the window may look up flags too.
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<QIcon>> cache;
    initResources();
    const QMutexLocker lock(&mutex);

    const QString shortName = resourceName(name);
    const auto hit = cache.constFind(shortName);
    if (hit != cache.constEnd())
        return hit.value().get();

    const QString path =
        QStringLiteral(":/QuillowaveWindow/Resources/Flags/") + shortName + QStringLiteral(".gif");
    if (!QFile::exists(path))
        return nullptr;
    // The picture is read when the flag is first shown: loading a directory only names them.
    auto icon = std::make_shared<QIcon>(new LazyIconEngine(path));
    cache.insert(shortName, icon);
    return icon.get();
}
