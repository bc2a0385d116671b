#pragma once

// The station directory as a tree: world regions, countries with their flags and states, each
// with its station count, and the stations with genre and city. Children are made when a node
// is first opened, so a large directory shows at once. Double-click or Enter plays a station.
// GUI thread; owned by the main window's station stack. The stations belong to the list shown.

#include <QTreeWidget>

class Group;
class Preset;
class RadioStations;

class StationTreeView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { ColumnName = 0, ColumnGenre = 1, ColumnCity = 2, ColumnCount = 3 };

    explicit StationTreeView(QWidget* parent = nullptr);

    // Shows the groups of the list; the list must outlive the view or be shown again.
    void setStations(RadioStations* stations);
    // The station of the current item; null when a group or nothing is current.
    Preset* currentPreset() const;
    static Preset* presetOf(const QTreeWidgetItem* item);
    static Group* groupOf(const QTreeWidgetItem* item);
    // Makes the children of a group node (once).
    void fillGroup(QTreeWidgetItem* item);

signals:
    void signal_itemActivated(Preset* preset);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTreeWidgetItem* makeGroupItem(Group* group);
    QTreeWidgetItem* makeStationItem(Preset* preset);
    void slot_activated(QTreeWidgetItem* item);

    RadioStations* m_stations = nullptr;
};
