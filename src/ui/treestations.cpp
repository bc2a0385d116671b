#include "ui/treestations.h"

#include "settings/appsettings.h"
#include "ui/stationlistmodel.h"
#include "ui/stationmenus.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMap>
#include <QMenu>
#include <QUrl>

TreeStations::TreeStations(QWidget* parent)
    : QTreeView(parent), m_model(new StationListModel(this)) {
    setModel(m_model);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(true);
    // Wide enough for a station title with its group, a few genres and a country with its state.
    header()->resizeSection(StationListModel::ColumnStation, 260);
    header()->resizeSection(StationListModel::ColumnGenre, 180);
    header()->resizeSection(StationListModel::ColumnCountry, 160);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this]() {
        if (m_model->isGrouped())
            expandAll();
    });
    // Both settings are read once: grouping needs a restart to change, sorting is set again by
    // the main window when the options change.
    setGrouped(AppSettings::instance()->GroupSearchResults());
    setSortable(AppSettings::instance()->SortSearchResults());
    connect(this, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (Preset* p = m_model->presetAt(index))
            emit signal_itemActivated(p);
    });
}

void TreeStations::setPresets(RadioStations* list, const RadioStations::PresetList& presets) {
    m_list = list;
    if (list)
        m_model->setStationIcon(list->stationIcon);
    m_all = presets;
    m_filter.clear();
    show(m_all);
}

void TreeStations::setSortable(bool sortable) {
    // No indicator: the results keep the order found until a header is clicked.
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(sortable);
    if (!sortable)
        m_model->sort(-1);
}

void TreeStations::setGrouped(bool grouped) {
    m_model->setGrouped(grouped);
    setRootIsDecorated(grouped);
}

void TreeStations::clearStations() {
    m_all.clear();
    m_filter.clear();
    show({});
}

void TreeStations::show(const RadioStations::PresetList& presets) {
    m_model->setPresets(presets);
    emit signal_CountChanged(static_cast<int>(presets.size()));
}

RadioStations::PresetList TreeStations::shownPresets() const {
    return m_model->presets();
}

Preset* TreeStations::currentPreset() const {
    return m_model->presetAt(currentIndex());
}

QMenu* TreeStations::addFilterMenu(QMenu* menu, const QString& title, const QStringList& names,
                                   FilterSlot onChosen) {
    QMenu* sub = menu->addMenu(title);
    for (const QString& name : names)
        sub->addAction(StationMenus::menuText(name))->setData(name);
    sub->addSeparator();
    sub->addAction(tr("Clear filter"), this, &TreeStations::slot_clearFilter);
    connect(sub, &QMenu::triggered, this, [this, onChosen](QAction* a) {
        if (a->data().isValid())
            (this->*onChosen)(a);
    });
    return sub;
}

void TreeStations::buildContextMenu(QMenu* menu, Preset* preset) {
    // Countries and genres of the stations in the view, without filter, in alphabetical order.
    QMap<QString, int> countryNames;
    QMap<QString, int> genreNames;
    for (const Preset* p : std::as_const(m_all)) {
        if (!p->country.isEmpty())
            countryNames.insert(p->country, 0);
        if (!p->genre.isEmpty())
            genreNames.insert(p->genre, 0);
    }
    addFilterMenu(menu, tr("Filter by country"), countryNames.keys(),
                  &TreeStations::slot_filterByCountry);
    addFilterMenu(menu, tr("Filter by genre"), genreNames.keys(),
                  &TreeStations::slot_filterByGenre);

    if (!preset)
        return;
    menu->addSeparator();
    const QString url = preset->firstUrl;
    const QString name = preset->title;
    const QString website = preset->website;
    menu->addAction(tr("Copy station URL to clipboard"), this,
                    [url]() { QApplication::clipboard()->setText(url); });
    menu->addAction(tr("Copy station name to clipboard"), this,
                    [name]() { QApplication::clipboard()->setText(name); });
    QAction* web = menu->addAction(tr("Go to Website"), this, [website]() {
        QDesktopServices::openUrl(QUrl::fromUserInput(website));
    });
    web->setEnabled(!website.isEmpty());
    menu->addAction(tr("Send comment"), this,
                    [this, preset]() { emit signal_SendComment(preset); });
    menu->addAction(tr("Schedule"), this, [this, preset]() { emit signal_Schedule(preset); });
}

void TreeStations::applyFilter(QAction* action, Finder finder) {
    if (!m_list || !action)
        return;
    m_filter = action->data().toString();
    RadioStations::PresetList out;
    (m_list.data()->*finder)(m_filter, out, &m_all);
    show(out);
}

void TreeStations::slot_filterByCountry(QAction* action) {
    applyFilter(action, &RadioStations::findByCountry);
}

void TreeStations::slot_filterByGenre(QAction* action) {
    applyFilter(action, &RadioStations::findByGenre);
}

void TreeStations::slot_clearFilter() {
    m_filter.clear();
    show(m_all);
}

void TreeStations::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    buildContextMenu(&menu, m_model->presetAt(indexAt(event->pos())));
    menu.exec(event->globalPos());
}

void TreeStations::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (Preset* p = currentPreset()) {
            emit signal_itemActivated(p);
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}
