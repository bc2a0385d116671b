#pragma once

#include "stations/radiostations.h"

#include <QPointer>
#include <QTreeView>

class QMenu;
class StationListModel;

// The search-result tree: a view over a list of stations with the columns "Station", "Genre",
// "Country" and "Group", in the order found until the user sorts a column ("SortSearchResults"),
// grouped by country with "GroupSearchResults". Its context menu filters the shown stations by
// country or genre and offers the station actions. Double-click or Enter plays the station.
// GUI thread; owned by the main window's station stack.
class TreeStations : public QTreeView {
    Q_OBJECT
public:
    explicit TreeStations(QWidget* parent = nullptr);

    // Shows the given stations of list, without filter.
    void setPresets(RadioStations* list, const RadioStations::PresetList& presets);
    // Shows nothing; call before the list behind the view is cleared or reloaded.
    void clearStations();
    // Whether a click on a column header sorts by it; off returns to the order found.
    void setSortable(bool sortable);
    // Whether the stations sit under one row per country.
    void setGrouped(bool grouped);

    StationListModel* stationModel() const { return m_model; }
    RadioStations::PresetList shownPresets() const;
    Preset* currentPreset() const;
    const QString& filterText() const { return m_filter; }

    // Fills menu with the filter sub-menus and, when preset is given, the station actions.
    void buildContextMenu(QMenu* menu, Preset* preset);

public slots:
    void slot_filterByCountry(QAction* action);
    void slot_filterByGenre(QAction* action);
    void slot_clearFilter();

signals:
    void signal_itemActivated(Preset* preset);
    void signal_SendComment(Preset* preset);
    void signal_Schedule(Preset* preset);
    void signal_CountChanged(int shown);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using FilterSlot = void (TreeStations::*)(QAction*);
    using Finder = void (RadioStations::*)(const QString&, RadioStations::PresetList&,
                                           const RadioStations::PresetList*) const;
    // Shows the stations of the unfiltered list that finder picks for the action's name.
    void applyFilter(QAction* action, Finder finder);
    // A sub-menu of menu listing names, each choosing onChosen, and "Clear filter" last.
    QMenu* addFilterMenu(QMenu* menu, const QString& title, const QStringList& names,
                         FilterSlot onChosen);
    void show(const RadioStations::PresetList& presets);

    StationListModel* m_model;
    QPointer<RadioStations> m_list;
    RadioStations::PresetList m_all;
    QString m_filter;
};
