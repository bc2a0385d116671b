#include "ui/treestations.h"

#include "ui/stationlistmodel.h"

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
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setStretchLastSection(true);
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
    QMenu* countryMenu = menu->addMenu(tr("Filter by country"));
    for (auto it = countryNames.cbegin(); it != countryNames.cend(); ++it) {
        QAction* a = countryMenu->addAction(QString(it.key()).replace(u'&', QStringLiteral("&&")));
        a->setData(it.key());
    }
    countryMenu->addSeparator();
    countryMenu->addAction(tr("Clear filter"), this, &TreeStations::slot_clearFilter);
    connect(countryMenu, &QMenu::triggered, this, [this](QAction* a) {
        if (a->data().isValid())
            slot_filterByCountry(a);
    });

    QMenu* genreMenu = menu->addMenu(tr("Filter by genre"));
    for (auto it = genreNames.cbegin(); it != genreNames.cend(); ++it) {
        QAction* a = genreMenu->addAction(QString(it.key()).replace(u'&', QStringLiteral("&&")));
        a->setData(it.key());
    }
    genreMenu->addSeparator();
    genreMenu->addAction(tr("Clear filter"), this, &TreeStations::slot_clearFilter);
    connect(genreMenu, &QMenu::triggered, this, [this](QAction* a) {
        if (a->data().isValid())
            slot_filterByGenre(a);
    });

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
}

void TreeStations::slot_filterByCountry(QAction* action) {
    if (!m_list || !action)
        return;
    m_filter = action->data().toString();
    RadioStations::PresetList out;
    m_list->findByCountry(m_filter, out, &m_all);
    show(out);
}

void TreeStations::slot_filterByGenre(QAction* action) {
    if (!m_list || !action)
        return;
    m_filter = action->data().toString();
    RadioStations::PresetList out;
    m_list->findByGenre(m_filter, out, &m_all);
    show(out);
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
