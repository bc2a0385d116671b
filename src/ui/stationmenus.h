#pragma once

#include "stations/radiostations.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;

// Builds the station menus over a station list: the region tree ("%1 (%2)" titles with flags),
// the genre menus (stations by country) and the text menus (networks, national music). Every
// sub-menu is filled only when it is first about to show. Choosing a station emits it. GUI
// thread; owned by the main window, the menus it fills are owned by their parents.
class StationMenus : public QObject {
    Q_OBJECT
public:
    // Groups with more stations than this list them in sub-menus by initial letter.
    static constexpr int kLetterMenuLimit = 100;

    explicit StationMenus(RadioStations* list, QObject* parent = nullptr);

    void setList(RadioStations* list) { m_list = list; }
    RadioStations* list() const { return m_list; }
    // Stations of a group menu in title order instead of file order.
    void setSorted(bool sorted) { m_sorted = sorted; }

    // Empties menu and fills it with one sub-menu per group.
    virtual void buildGroupMenu(QMenu* menu, const RadioStations::GroupList& groups);
    // Empties menu and fills it with one sub-menu per name: the stations whose genre holds it,
    // arranged by country.
    void buildGenreMenu(QMenu* menu, const QStringList& names);
    // Empties menu and fills it with one sub-menu per name: the stations a text search finds.
    void buildTextMenu(QMenu* menu, const QStringList& names);

    // A text shown in a menu: every "&" doubled so that it is not a shortcut marker.
    static QString menuText(const QString& text);
    // "%1 (%2)": the group's name (translated when the language has it) and its station total.
    static QString groupTitle(const Group& group);
    // groupTitle with "&" doubled, for a menu.
    static QString groupMenuTitle(const Group& group);
    // The station a menu action carries, or null.
    static Preset* presetOf(const QAction* action);
    // Stations arranged by country: one entry per country in name order, then the stations
    // without a country under an empty name.
    static QList<QPair<QString, RadioStations::PresetList>>
    byCountry(const RadioStations::PresetList& stations);

signals:
    void signal_itemActivated(Preset* preset);

protected:
    // Removes the actions and the sub-menus of menu.
    static void emptyMenu(QMenu* menu);
    // Calls fill once, the first time menu is about to show.
    static void fillOnFirstShow(QMenu* menu, const std::function<void()>& fill);
    // Connects the activation of menu's station entries to signal_itemActivated.
    void watch(QMenu* menu);
    QAction* addStation(QMenu* menu, Preset* preset);
    // Lists stations directly, or by initial letter when there are more than letterLimit.
    void addStations(QMenu* menu, RadioStations::PresetList stations, qsizetype letterLimit);
    // One "%1 (%2)" sub-menu for group, filled by fillGroup when first shown.
    void addGroupMenu(QMenu* menu, Group* group);
    void addGroupMenus(QMenu* menu, const RadioStations::GroupList& groups);
    // A group's stations and sub-groups, in the order "ShowGroupsFirst" asks for.
    virtual void fillGroup(QMenu* menu, Group* group);
    // Empties menu and adds one sub-menu per name, filled by fill(sub-menu, name) when shown.
    void buildNameMenus(QMenu* menu, const QStringList& names,
                        const std::function<void(QMenu*, const QString&)>& fill);

    QPointer<RadioStations> m_list;
    bool m_sorted = false;
};
