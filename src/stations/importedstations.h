#pragma once

#include "stations/bramblerstations.h"

#include <QHash>

// What the readers of other programs' station lists share: the grouping mode, the groups found
// again by name while loading, and the open-failure message. They derive from the XML list so
// that their stations are exported and written like the own directory's.
// GUI thread; owned like its base (the main window, once a loaded list replaces the directory).
class ImportedStations : public BramblerStations {
    Q_OBJECT
public:
    enum GroupingMode { GroupByCountry = 1, GroupByGenre = 2 };

    explicit ImportedStations(QObject* parent = nullptr);

    // Read only by these readers; set before load.
    int groupingMode = GroupByCountry;

protected:
    // The whole file, or an empty array after reporting why it could not be opened.
    QByteArray readFile(const QString& fileName);
    // The group called name: below parent, or at the top level when parent is null. Made on
    // first use; found again by name until the next load.
    Group* groupNamed(const QString& name, Group* parent);
    // Files the station into its group and registers it with its key and addresses.
    void addStation(Preset* station, Group* group);
    void beginLoad();

private:
    QHash<QString, Group*> m_topByName;
    QHash<const Group*, QHash<QString, Group*>> m_childByName;
};
