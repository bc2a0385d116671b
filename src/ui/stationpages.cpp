#include "ui/stationpages.h"

#include "settings/appsettings.h"
#include "stations/history.h"
#include "ui/onlinesearchpage.h"
#include "ui/playedtitlesview.h"
#include "ui/stationtreeview.h"
#include "ui/treestations.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

StationPages::StationPages(History* history, QWidget* parent)
    : QStackedWidget(parent), m_history(history), m_treeStations(new StationTreeView(this)),
      m_treeFavorites(new StationTreeView(this)) {
    setObjectName(QStringLiteral("stackStations"));
    m_treeFavorites->setObjectName(QStringLiteral("treeFavorites"));
    for (StationTreeView* view : {m_treeStations, m_treeFavorites})
        connect(view, &StationTreeView::signal_itemActivated, this,
                &StationPages::signal_itemActivated);
    offerScheduleMenu(m_treeFavorites);
    insertWidget(PageDirectory, m_treeStations);
    insertWidget(PageFavorites, m_treeFavorites);
    insertWidget(PageHistory, makeHistoryPage());
    insertWidget(PageSearch, makeSearchPage());
    setCurrentIndex(PageDirectory);
}

void StationPages::offerScheduleMenu(StationTreeView* view) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
        Preset* preset = StationTreeView::presetOf(view->itemAt(at));
        if (!preset)
            return;
        QMenu menu(view);
        menu.addAction(tr("Schedule"), this, [this, preset] { emit signal_scheduleStation(preset); });
        menu.exec(view->viewport()->mapToGlobal(at));
    });
}

QTreeWidget* StationPages::makeHistoryPage() {
    m_treeHistory = new QTreeWidget(this);
    m_treeHistory->setObjectName(QStringLiteral("treeHistory"));
    m_treeHistory->setHeaderLabels({tr("History")});
    m_treeHistory->setRootIsDecorated(false);
    connect(m_treeHistory, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int index = m_treeHistory->indexOfTopLevelItem(item);
        if (index >= 0 && index < m_history->presets().size())
            emit signal_itemActivated(m_history->presets().at(index).data());
    });
    return m_treeHistory;
}

QWidget* StationPages::makeSearchPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_treeSearch = new TreeStations(page);
    m_treeSearch->setObjectName(QStringLiteral("treeSearch"));
    m_labelSearchCount = new QLabel(page);
    m_labelSearchCount->setObjectName(QStringLiteral("labelSearchCount"));
    m_btSearchOnline = new QPushButton(tr("Search online"), page);
    m_btSearchOnline->setObjectName(QStringLiteral("buttonSearchOnline"));
    m_btSearchOnline->setToolTip(tr("Search the online directory of stations for the same text"));
    m_btSearchOnline->setVisible(false); // until there is an online page
    connect(m_btSearchOnline, &QPushButton::clicked, this, &StationPages::signal_searchOnline);
    auto* below = new QHBoxLayout;
    below->addWidget(m_labelSearchCount, 1);
    below->addWidget(m_btSearchOnline);
    layout->addWidget(m_treeSearch, 1);
    layout->addLayout(below);
    connect(m_treeSearch, &TreeStations::signal_itemActivated, this,
            &StationPages::signal_itemActivated);
    connect(m_treeSearch, &TreeStations::signal_Schedule, this,
            &StationPages::signal_scheduleStation);
    return page;
}

void StationPages::setOnlinePage(OnlineSearchPage* page) {
    m_onlinePage = page;
    insertWidget(PageOnline, page);
    m_btSearchOnline->setVisible(true);
    connect(page, &OnlineSearchPage::signal_itemActivated, this,
            &StationPages::signal_itemActivated);
}

PlayedTitlesView* StationPages::setPlayedTitles(PlayedTitles* log) {
    // A tab bar over two pages rather than a tab widget, which would take Ctrl+Tab for itself
    // while the window walks its pages with it.
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("pageHistory"));
    auto* tabs = new QTabBar(page);
    tabs->setObjectName(QStringLiteral("tabsHistory"));
    tabs->setDocumentMode(true);
    tabs->addTab(tr("Stations"));
    tabs->addTab(tr("Songs"));
    auto* lists = new QStackedWidget(page);
    const int current = currentIndex();
    removeWidget(m_treeHistory);
    lists->addWidget(m_treeHistory);
    auto* view = new PlayedTitlesView(log, lists);
    lists->addWidget(view);
    connect(tabs, &QTabBar::currentChanged, lists, &QStackedWidget::setCurrentIndex);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addWidget(lists, 1);
    insertWidget(PageHistory, page);
    setCurrentIndex(current);
    return view;
}

void StationPages::showFavorites(RadioStations* favorites) {
    m_treeFavorites->setStations(favorites);
    m_treeFavorites->expandAll();
}

void StationPages::showHistory() {
    m_treeHistory->clear();
    for (const Preset* preset : m_history->recent()) {
        auto* item = new QTreeWidgetItem(m_treeHistory, {preset->title});
        item->setToolTip(0, preset->sources.join(QLatin1Char('\n')));
    }
}

bool StationPages::contains(const QWidget* widget) const {
    const QWidget* area[] = {this,          currentWidget(), m_treeStations, m_treeFavorites,
                             m_treeHistory, m_treeSearch};
    return std::find(std::begin(area), std::end(area), widget) != std::end(area);
}

void StationPages::loadColumnWidths(const AppSettings& settings) {
    const QString name = m_treeStations->objectName();
    for (int column = 0; column < StationTreeView::ColumnCount - 1; ++column)
        m_treeStations->setColumnWidth(
            column, settings.columnWidth(name, column, m_treeStations->columnWidth(column)));
}

void StationPages::saveColumnWidths(AppSettings& settings) const {
    const QString name = m_treeStations->objectName();
    for (int column = 0; column < m_treeStations->columnCount(); ++column)
        settings.setColumnWidth(name, column, m_treeStations->columnWidth(column));
}
