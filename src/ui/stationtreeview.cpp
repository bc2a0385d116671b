#include "ui/stationtreeview.h"

#include "stations/group.h"
#include "stations/preset.h"
#include "stations/radiostations.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace {

enum Role { PresetRole = Qt::UserRole + 1, GroupRole, FilledRole };

} // namespace

StationTreeView::StationTreeView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("treeStations"));
    setColumnCount(ColumnCount);
    setHeaderLabels({tr("Station"), tr("Genre"), tr("City")});
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setAnimated(true);
    setExpandsOnDoubleClick(true);
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(ColumnName, QHeaderView::Interactive);
    setColumnWidth(ColumnName, 260);
    setColumnWidth(ColumnGenre, 180);
    connect(this, &QTreeWidget::itemExpanded, this, &StationTreeView::fillGroup);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { slot_activated(item); });
}

void StationTreeView::setStations(RadioStations* stations) {
    m_stations = stations;
    clear();
    if (!stations)
        return;
    QList<QTreeWidgetItem*> items;
    for (const auto& group : std::as_const(stations->topGroups)) {
        // The favourites' root group is a holder, not a group of the user's: its stations stand
        // at the top level and it is not shown itself.
        if (group->kind == Group::KindRoot) {
            for (Preset* preset : std::as_const(group->stations))
                items << makeStationItem(preset);
            continue;
        }
        items << makeGroupItem(group.data());
    }
    addTopLevelItems(items);
}

QTreeWidgetItem* StationTreeView::makeGroupItem(Group* group) {
    auto* item = new QTreeWidgetItem;
    const QString title = group->title.isEmpty() ? group->name : group->title;
    item->setText(ColumnName, QStringLiteral("%1 (%2)").arg(title).arg(group->stationTotal()));
    item->setData(ColumnName, GroupRole, QVariant::fromValue(quintptr(group)));
    if (group->icon)
        item->setIcon(ColumnName, *group->icon);
    else if (m_stations)
        item->setIcon(ColumnName, m_stations->groupIcon);
    QFont font = item->font(ColumnName);
    font.setBold(group->kind != Group::KindCountry && group->parent == nullptr);
    item->setFont(ColumnName, font);
    if (!group->children.isEmpty() || !group->stations.isEmpty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

QTreeWidgetItem* StationTreeView::makeStationItem(Preset* preset) {
    auto* item = new QTreeWidgetItem;
    item->setText(ColumnName, preset->title);
    item->setText(ColumnGenre, preset->genre);
    item->setText(ColumnCity, preset->city);
    item->setToolTip(ColumnName, preset->sources.join(QLatin1Char('\n')));
    item->setData(ColumnName, PresetRole, QVariant::fromValue(quintptr(preset)));
    if (m_stations && !m_stations->stationIcon.isNull())
        item->setIcon(ColumnName, m_stations->stationIcon);
    return item;
}

void StationTreeView::fillGroup(QTreeWidgetItem* item) {
    Group* group = groupOf(item);
    if (!group || item->data(ColumnName, FilledRole).toBool())
        return;
    item->setData(ColumnName, FilledRole, true);
    QList<QTreeWidgetItem*> groups;
    for (const auto& child : std::as_const(group->children))
        groups << makeGroupItem(child.data());
    QList<QTreeWidgetItem*> stations;
    for (Preset* preset : std::as_const(group->stations))
        stations << makeStationItem(preset);
    const bool groupsFirst = !m_stations || m_stations->showGroupsFirst || stations.isEmpty();
    item->addChildren(groupsFirst ? groups + stations : stations + groups);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

Preset* StationTreeView::presetOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<Preset*>(item->data(ColumnName, PresetRole).value<quintptr>())
                : nullptr;
}

Group* StationTreeView::groupOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<Group*>(item->data(ColumnName, GroupRole).value<quintptr>())
                : nullptr;
}

Preset* StationTreeView::currentPreset() const {
    return presetOf(currentItem());
}

void StationTreeView::slot_activated(QTreeWidgetItem* item) {
    if (Preset* preset = presetOf(item))
        emit signal_itemActivated(preset);
}

void StationTreeView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        presetOf(currentItem())) {
        slot_activated(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
