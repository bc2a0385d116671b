#pragma once

#include "stations/radiostations.h"

#include <QAbstractItemModel>
#include <QIcon>

// A list of stations as a table: "Station" (title with its group), "Genre", "Country" (with the
// state) and "Group". Shows the stations in the order given until a column is sorted; grouped, it
// puts them under one row per country. Holds plain pointers into a station list, so it must be
// reset before that list is cleared or reloaded. GUI thread; owned by its view.
class StationListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { ColumnStation, ColumnGenre, ColumnCountry, ColumnGroup, ColumnCount };
    static constexpr int PresetRole = Qt::UserRole + 1;

    explicit StationListModel(QObject* parent = nullptr);

    void setPresets(const RadioStations::PresetList& presets);
    // The stations as given, whatever the sorting and grouping.
    const RadioStations::PresetList& presets() const { return m_presets; }
    // The station of a row, or null for a country row.
    Preset* presetAt(const QModelIndex& index) const;
    void setStationIcon(const QIcon& icon) { m_stationIcon = icon; }

    // Stations under one row per country (titled "%1 (%2)" with the number of its stations).
    void setGrouped(bool grouped);
    bool isGrouped() const { return m_grouped; }

    // The text of the "Station" column: the title, then the group and its parent in brackets
    // when they are neither countries nor root groups.
    static QString stationText(const Preset& preset);
    // The text of the "Country" column: the country, and ", " the state when there is one.
    static QString countryText(const Preset& preset);
    static QString columnText(const Preset& preset, int column);

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A column below 0 returns to the order given.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct CountryRows {
        QString country;
        RadioStations::PresetList stations;
    };
    void arrange();
    const RadioStations::PresetList* rowsUnder(const QModelIndex& parent) const;

    RadioStations::PresetList m_presets;
    RadioStations::PresetList m_rows; // m_presets in the shown order
    QList<CountryRows> m_countries;   // m_rows by country, when grouped
    QIcon m_stationIcon;
    bool m_grouped = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
