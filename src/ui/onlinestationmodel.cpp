#include "ui/onlinestationmodel.h"

#include "stations/onlinedirectory.h"
#include "ui/stationiconcache.h"

OnlineStationModel::OnlineStationModel(OnlineDirectory* directory, StationIconCache* icons,
                                       QObject* parent)
    : QAbstractTableModel(parent), m_directory(directory), m_icons(icons) {
    connect(directory, &OnlineDirectory::signal_AboutToReset, this,
            &OnlineStationModel::beginResetModel);
    connect(directory, &OnlineDirectory::signal_Reset, this, &OnlineStationModel::endResetModel);
    connect(directory, &OnlineDirectory::signal_RowsAboutToBeAdded, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(directory, &OnlineDirectory::signal_RowsAdded, this,
            &OnlineStationModel::endInsertRows);
    connect(icons, &StationIconCache::signal_IconReady, this, &OnlineStationModel::iconReady);
}

Preset* OnlineStationModel::presetAt(const QModelIndex& index) const {
    return index.isValid() ? m_directory->preset(index.row()) : nullptr;
}

int OnlineStationModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_directory->count();
}

int OnlineStationModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OnlineStationModel::display(int row, int column) const {
    const Preset* preset = m_directory->preset(row);
    const OnlineStation* station = m_directory->station(row);
    switch (column) {
    case ColumnStation:
        return preset->title;
    case ColumnGenre:
        return preset->genre;
    case ColumnCountry:
        return preset->state.isEmpty() ? preset->country
                                       : preset->country + QStringLiteral(", ") + preset->state;
    case ColumnFormat:
        if (station->bitrate > 0)
            return tr("%1 %2 kbit/s").arg(station->codec).arg(station->bitrate).trimmed();
        return station->codec;
    default:
        return {};
    }
}

QVariant OnlineStationModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_directory->count())
        return {};
    if (role == Qt::DisplayRole)
        return display(index.row(), index.column());
    const Preset* preset = m_directory->preset(index.row());
    if (role == Qt::DecorationRole && index.column() == ColumnStation)
        return m_icons->icon(m_directory->station(index.row())->favicon);
    if (role == Qt::DecorationRole && index.column() == ColumnCountry && preset->flagIcon)
        return *preset->flagIcon;
    if (role == Qt::ToolTipRole)
        return preset->sources.join(QLatin1Char('\n'));
    return {};
}

QVariant OnlineStationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnStation:
        return tr("Station");
    case ColumnGenre:
        return tr("Genre");
    case ColumnCountry:
        return tr("Country");
    case ColumnFormat:
        return tr("Format");
    default:
        return {};
    }
}

bool OnlineStationModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_directory->canFetchMore();
}

void OnlineStationModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid())
        m_directory->fetchMore();
}

void OnlineStationModel::iconReady(const QString& url) {
    for (int row = 0; row < m_directory->count(); ++row)
        if (m_directory->station(row)->favicon == url)
            emit dataChanged(index(row, ColumnStation), index(row, ColumnStation),
                             {Qt::DecorationRole});
}
