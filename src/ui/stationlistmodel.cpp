#include "ui/stationlistmodel.h"

namespace {

bool showsInTitle(const Group* g) {
    return g && g->kind != Group::KindCountry && g->kind != Group::KindRoot;
}

} // namespace

StationListModel::StationListModel(QObject* parent) : QAbstractTableModel(parent) {}

void StationListModel::setPresets(const RadioStations::PresetList& presets) {
    beginResetModel();
    m_presets = presets;
    endResetModel();
}

Preset* StationListModel::presetAt(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= m_presets.size())
        return nullptr;
    return m_presets.at(index.row());
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

int StationListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_presets.size());
}

int StationListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StationListModel::data(const QModelIndex& index, int role) const {
    const Preset* p = presetAt(index);
    if (!p)
        return {};
    if (role == PresetRole)
        return QVariant::fromValue(const_cast<Preset*>(p));
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case ColumnStation:
            return stationText(*p);
        case ColumnGenre:
            return p->genre;
        case ColumnCountry:
            return countryText(*p);
        case ColumnGroup:
            return p->group ? p->group->name : p->groupNameText();
        default:
            return {};
        }
    }
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
