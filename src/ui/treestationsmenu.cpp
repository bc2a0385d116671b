#include "ui/treestationsmenu.h"

#include "stations/countryflags.h"
#include "ui/stationmenus.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum ItemRole { RoleGroup = Qt::UserRole + 1, RolePreset, RoleName, RoleFilled };

} // namespace

TreeStationsMenu::TreeStationsMenu(QWidget* parent)
    : QFrame(parent, Qt::Popup), m_tree(new QTreeWidget) {
    setObjectName(QStringLiteral("TreeStationsMenu"));
    setFrameShape(QFrame::StyledPanel);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemExpanded, this, &TreeStationsMenu::expand);
    connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (auto* p = item->data(0, RolePreset).value<Preset*>()) {
            hide();
            emit signal_itemActivated(p);
        }
    });
    resize(360, 480);
}

QString TreeStationsMenu::headerText(int mode) {
    switch (mode) {
    case ModeGenres:
        return tr("Genres");
    case ModeNationalMusic:
        return tr("National Music");
    case ModeNetworks:
        return tr("Networks");
    default:
        return tr("Regions");
    }
}

QTreeWidgetItem* TreeStationsMenu::addGroup(QTreeWidgetItem* parent, Group* group) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, StationMenus::groupTitle(*group));
    if (group->icon)
        item->setIcon(0, *group->icon);
    item->setData(0, RoleGroup, QVariant::fromValue(group));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void TreeStationsMenu::addStation(QTreeWidgetItem* parent, Preset* preset) {
    if (preset->title.isEmpty())
        return;
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, preset->title);
    if (m_list)
        item->setIcon(0, m_list->stationIcon);
    item->setData(0, RolePreset, QVariant::fromValue(preset));
}

void TreeStationsMenu::build(int mode) {
    m_mode = mode;
    m_tree->clear();
    m_tree->setHeaderLabel(headerText(mode));
    if (!m_list)
        return;
    if (mode == ModeRegions) {
        for (const auto& g : std::as_const(m_list->topGroups))
            addGroup(nullptr, g.get());
        return;
    }
    const QStringList& names = mode == ModeGenres          ? m_list->genres
                               : mode == ModeNationalMusic ? m_list->ethnicGenres
                                                           : m_list->networks;
    for (const QString& name : names) {
        auto* item = new QTreeWidgetItem(m_tree);
        item->setText(0, name);
        item->setData(0, RoleName, name);
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
}

void TreeStationsMenu::expand(QTreeWidgetItem* item) {
    if (!m_list || item->data(0, RoleFilled).toBool())
        return;
    item->setData(0, RoleFilled, true);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (auto* group = item->data(0, RoleGroup).value<Group*>()) {
        // The same order as the group's menu: sub-groups first only with "ShowGroupsFirst".
        const auto addChildren = [this, item, group]() {
            for (const auto& child : std::as_const(group->children))
                addGroup(item, child.get());
        };
        if (m_list->showGroupsFirst)
            addChildren();
        for (Preset* p : std::as_const(group->stations))
            addStation(item, p);
        if (!m_list->showGroupsFirst)
            addChildren();
        return;
    }
    const QString name = item->data(0, RoleName).toString();
    RadioStations::PresetList found;
    if (m_mode != ModeGenres) {
        m_list->search(name, found);
        for (Preset* p : std::as_const(found))
            addStation(item, p);
        return;
    }
    m_list->findByGenre(name, found);
    for (const auto& [country, stations] : StationMenus::byCountry(found)) {
        QTreeWidgetItem* parent = item;
        if (!country.isEmpty()) {
            parent = new QTreeWidgetItem(item);
            parent->setText(0, country);
            if (const QIcon* flag = CountryFlags::flagIcon(country))
                parent->setIcon(0, *flag);
        }
        for (Preset* p : stations)
            addStation(parent, p);
    }
}

void TreeStationsMenu::popup(const QPoint& pos) {
    move(pos);
    show();
    m_tree->setFocus();
}
