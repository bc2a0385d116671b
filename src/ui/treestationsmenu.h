#pragma once

#include "stations/radiostations.h"

#include <QFrame>
#include <QPointer>

class QTreeWidget;
class QTreeWidgetItem;

// A pop-up tree with the content of the station menus: the regions with their countries and
// states ("%1 (%2)" with flags), or one of the name lists (genres, national music, networks).
// Branches are filled when first expanded; activating a station emits it and closes the pop-up.
// GUI thread; owned by the main window.
class TreeStationsMenu : public QFrame {
    Q_OBJECT
public:
    enum Mode { ModeRegions, ModeGenres, ModeNationalMusic, ModeNetworks };

    explicit TreeStationsMenu(QWidget* parent = nullptr);

    void setList(RadioStations* list) { m_list = list; }
    // Rebuilds the top level for a mode; the header reads "Regions", "Genres", "National Music"
    // or "Networks".
    void build(int mode);
    int mode() const { return m_mode; }
    QTreeWidget* tree() const { return m_tree; }
    // Shows the pop-up at a global position.
    void popup(const QPoint& pos);

    static QString headerText(int mode);

signals:
    void signal_itemActivated(Preset* preset);

private:
    void expand(QTreeWidgetItem* item);
    QTreeWidgetItem* addGroup(QTreeWidgetItem* parent, Group* group);
    void addStation(QTreeWidgetItem* parent, Preset* preset);

    QTreeWidget* m_tree;
    QPointer<RadioStations> m_list;
    int m_mode = ModeRegions;
};
