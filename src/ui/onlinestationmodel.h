#pragma once

#include <QAbstractTableModel>

class OnlineDirectory;
class Preset;
class StationIconCache;

// The results of the online directory as a table: station (with its icon), genre, country (with
// its flag) and format. A view scrolled to the end asks for the next page through fetchMore.
// GUI thread; owned by the online page.
class OnlineStationModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnStation, ColumnGenre, ColumnCountry, ColumnFormat, ColumnCount };

    OnlineStationModel(OnlineDirectory* directory, StationIconCache* icons,
                       QObject* parent = nullptr);

    Preset* presetAt(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    QVariant display(int row, int column) const;
    void iconReady(const QString& url);

    OnlineDirectory* m_directory;
    StationIconCache* m_icons;
};
