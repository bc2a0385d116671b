#pragma once

#include "stations/radiostations.h"

#include <QPointer>
#include <QTreeView>

class QMenu;
class StationListModel;

// A view over a list of stations with the columns "Station", "Genre", "Country" and "Group". Its
// context menu filters the shown stations by country or genre and offers the station actions.
// Double-click or Enter plays the station. GUI thread; owned by the main window's station stack.
class TreeStations : public QTreeView {
    Q_OBJECT
public:
    explicit TreeStations(QWidget* parent = nullptr);

    // Shows the given stations of list, without filter.
    void setPresets(RadioStations* list, const RadioStations::PresetList& presets);
    // Shows nothing; call before the list behind the view is cleared or reloaded.
    void clearStations();

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
    void signal_CountChanged(int shown);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void show(const RadioStations::PresetList& presets);

    StationListModel* m_model;
    QPointer<RadioStations> m_list;
    RadioStations::PresetList m_all;
    QString m_filter;
};
