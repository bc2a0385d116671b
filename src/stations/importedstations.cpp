#include "stations/importedstations.h"

#include "stations/busycursor.h"
#include "stations/countryflags.h"

#include <QFile>

ImportedStations::ImportedStations(QObject* parent) : BramblerStations(parent) {}

void ImportedStations::beginLoad() {
    m_topByName.clear();
    m_childByName.clear();
    for (const auto& group : std::as_const(topGroups))
        m_topByName.insert(group->name, group.get());
}

QByteArray ImportedStations::readFile(const QString& fileName) {
    BusyCursor busy;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        busy.restore();
        report(MessageKind::Critical, tr("Failed to open presets file") + QStringLiteral(".\n") +
                                          fileName + QStringLiteral("\n\n") + tr("Reason") +
                                          QStringLiteral(": ") + file.errorString());
        return {};
    }
    return file.readAll();
}

Group* ImportedStations::groupNamed(const QString& name, Group* parent) {
    // A station without the field still needs a node the user can open.
    const QString shown = name.isEmpty() ? tr("Unknown") : name;
    QHash<QString, Group*>& known = parent ? m_childByName[parent] : m_topByName;
    if (Group* found = known.value(shown))
        return found;
    auto group = QSharedPointer<Group>::create();
    group->name = shown;
    group->title = shown;
    group->parent = parent;
    group->icon = &groupIcon;
    if (parent) {
        parent->children << group;
    } else {
        group->kind = Group::KindTop;
        if (groupingMode == GroupByCountry) {
            if (const QIcon* flag = CountryFlags::flagIcon(shown)) {
                group->icon = flag;
                group->kind = Group::KindCountry;
            }
        }
        topGroups << group;
    }
    known.insert(shown, group.get());
    return group.get();
}

void ImportedStations::addStation(Preset* station, Group* group) {
    addPreset(station->id, station);
    for (const QString& source : std::as_const(station->sources))
        byUrl.insert(source, station);
    if (!station->country.isEmpty())
        countries.insert(station->country, 0);
    if (!station->genre.isEmpty())
        genreNames.insert(station->genre, QString());
    if (group) {
        group->stations << station;
        station->setGroup(group);
    }
}
