#include "ui/stationlistmodel.h"

#include "stations/countryflags.h"
#include "ui/stationmenus.h"

#include <algorithm>

namespace {

bool showsInTitle(const Group* g) {
    return g && g->kind != Group::KindCountry && g->kind != Group::KindRoot;
}

// Internal id of an index: 0 for a top-level row, otherwise the number of its country row + 1.
constexpr quintptr kTopLevel = 0;

} // namespace

StationListModel::StationListModel(QObject* parent) : QAbstractItemModel(parent) {}

void StationListModel::setPresets(const RadioStations::PresetList& presets) {
    m_presets = presets;
    arrange();
}

void StationListModel::setGrouped(bool grouped) {
    if (grouped == m_grouped)
        return;
    m_grouped = grouped;
    arrange();
}

void StationListModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    arrange();
}

void StationListModel::arrange() {
    beginResetModel();
    m_rows = m_presets;
    if (m_sortColumn >= 0 && m_sortColumn < ColumnCount) {
        const int column = m_sortColumn;
        const auto less = [column](const Preset* a, const Preset* b) {
            return columnText(*a, column).compare(columnText(*b, column), Qt::CaseInsensitive) < 0;
        };
        if (m_sortOrder == Qt::AscendingOrder)
            std::stable_sort(m_rows.begin(), m_rows.end(), less);
        else
            std::stable_sort(m_rows.begin(), m_rows.end(),
                             [&less](const Preset* a, const Preset* b) { return less(b, a); });
    }
    m_countries.clear();
    if (m_grouped) {
        for (auto& [country, stations] : StationMenus::byCountry(m_rows))
            m_countries.append({country, stations});
        if (m_sortColumn == ColumnCountry && m_sortOrder == Qt::DescendingOrder)
            std::reverse(m_countries.begin(), m_countries.end());
    }
    endResetModel();
}

const RadioStations::PresetList* StationListModel::rowsUnder(const QModelIndex& parent) const {
    if (!parent.isValid())
        return m_grouped ? nullptr : &m_rows;
    if (!m_grouped || parent.internalId() != kTopLevel || parent.row() >= m_countries.size())
        return nullptr;
    return &m_countries.at(parent.row()).stations;
}

QModelIndex StationListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid()) {
        const qsizetype rows = m_grouped ? m_countries.size() : m_rows.size();
        return row < rows ? createIndex(row, column, kTopLevel) : QModelIndex();
    }
    const RadioStations::PresetList* rows = rowsUnder(parent);
    if (!rows || row >= rows->size())
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex StationListModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTopLevel)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kTopLevel);
}

Preset* StationListModel::presetAt(const QModelIndex& index) const {
    if (!index.isValid())
        return nullptr;
    const RadioStations::PresetList* rows = rowsUnder(index.parent());
    if (!rows || index.row() >= rows->size())
        return nullptr;
    return rows->at(index.row());
}

QString StationListModel::stationText(const Preset& preset) {
    const Group* g = preset.group;
    if (!showsInTitle(g))
        return preset.title;
    QString text = preset.title + QStringLiteral(" (") + g->name;
    if (showsInTitle(g->parent))
        text += QStringLiteral(", ") + g->parent->name;
    return text + QLatin1Char(')');
}

QString StationListModel::countryText(const Preset& preset) {
    if (preset.state.isEmpty())
        return preset.country;
    return preset.country + QStringLiteral(", ") + preset.state;
}

QString StationListModel::columnText(const Preset& preset, int column) {
    switch (column) {
    case ColumnStation:
        return stationText(preset);
    case ColumnGenre:
        return preset.genre;
    case ColumnCountry:
        return countryText(preset);
    case ColumnGroup:
        return preset.group ? preset.group->name : preset.groupNameText();
    default:
        return {};
    }
}

int StationListModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_grouped ? m_countries.size() : m_rows.size());
    if (parent.column() != 0)
        return 0;
    const RadioStations::PresetList* rows = rowsUnder(parent);
    return rows ? static_cast<int>(rows->size()) : 0;
}

int StationListModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant StationListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Preset* p = presetAt(index);
    if (!p) {
        // A country row of the grouped list.
        if (index.column() != 0 || index.parent().isValid() || index.row() >= m_countries.size())
            return {};
        const CountryRows& rows = m_countries.at(index.row());
        if (role == Qt::DisplayRole) {
            const QString name = rows.country.isEmpty() ? tr("Other") : rows.country;
            return QStringLiteral("%1 (%2)").arg(name).arg(rows.stations.size());
        }
        if (role == Qt::DecorationRole && !rows.country.isEmpty()) {
            if (const QIcon* flag = CountryFlags::flagIcon(rows.country))
                return *flag;
        }
        return {};
    }
    if (role == PresetRole)
        return QVariant::fromValue(const_cast<Preset*>(p));
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return columnText(*p, index.column());
    if (role == Qt::DecorationRole) {
        if (index.column() == ColumnStation)
            return m_stationIcon;
        if (index.column() == ColumnCountry && p->flagIcon)
            return *p->flagIcon;
    }
    return {};
}

QVariant StationListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnStation:
        return tr("Station");
    case ColumnGenre:
        return tr("Genre");
    case ColumnCountry:
        return tr("Country");
    case ColumnGroup:
        return tr("Group");
    default:
        return {};
    }
}
