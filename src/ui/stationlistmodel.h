#pragma once

#include "stations/radiostations.h"

#include <QAbstractTableModel>

// A flat list of stations as a table: "Station" (title with its group), "Genre", "Country" (with
// the state) and "Group". Holds plain pointers into a station list, so it must be reset before
// that list is cleared or reloaded. GUI thread; owned by its view.
class StationListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnStation, ColumnGenre, ColumnCountry, ColumnGroup, ColumnCount };
    static constexpr int PresetRole = Qt::UserRole + 1;

    explicit StationListModel(QObject* parent = nullptr);

    void setPresets(const RadioStations::PresetList& presets);
    const RadioStations::PresetList& presets() const { return m_presets; }
    Preset* presetAt(const QModelIndex& index) const;
    void setStationIcon(const QIcon& icon) { m_stationIcon = icon; }

    // The text of the "Station" column: the title, then the group and its parent in brackets
    // when they are neither countries nor root groups.
    static QString stationText(const Preset& preset);
    // The text of the "Country" column: the country, and ", " the state when there is one.
    static QString countryText(const Preset& preset);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    RadioStations::PresetList m_presets;
    QIcon m_stationIcon;
};
