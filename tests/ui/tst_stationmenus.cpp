// The station menus: region titles with counts, flags and translations, lazy filling, letter
// sub-menus, ampersands, the genre and text menus, the favourites and history menus, the pop-up
// tree, and the station list's columns and filters.
#include "settings/appsettings.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "stationsample.h"
#include "ui/favoritesmenus.h"
#include "ui/historymenu.h"
#include "ui/stationlistmodel.h"
#include "ui/stationmenus.h"
#include "ui/treestations.h"
#include "ui/treestationsmenu.h"

#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

namespace {

QStringList texts(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions()) {
        if (!a->isSeparator())
            out << a->text();
    }
    return out;
}

QMenu* subMenu(const QMenu* menu, int index) {
    QMenu* sub = menu->actions().at(index)->menu();
    if (sub)
        emit sub->aboutToShow();
    return sub;
}

// A group of count stations titled "A0", "B1", ... cycling through five letters.
void fillGroup(SampleStations& list, Group* g, int count) {
    for (int i = 0; i < count; ++i)
        list.station(g, QStringLiteral("%1%2").arg(QChar(u'A' + i % 5)).arg(i), QString());
}

} // namespace

class TestStationMenus : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        AppSettings::instance();
    }

    void regionMenu() {
        SampleStations list;
        list.fill();
        list.showGroupsFirst = false;
        SampleTranslator translator;
        QCoreApplication::installTranslator(&translator);
        StationMenus menus(&list);
        QMenu menu;
        menus.buildGroupMenu(&menu, list.topGroups);
        QCOMPARE(texts(&menu), (QStringList{"Europa (4)", "North America (2)"}));

        QMenu* europe = menu.actions().at(0)->menu();
        QVERIFY(europe->actions().isEmpty()); // filled only when shown
        emit europe->aboutToShow();
        QCOMPARE(texts(europe), (QStringList{"Deutschland (3)", "Jazz Net (1)"}));
        emit europe->aboutToShow();
        QCOMPARE(europe->actions().size(), 2);

        QMenu* germany = subMenu(europe, 0);
        QVERIFY(!germany->icon().isNull());
        QCOMPARE(texts(germany), (QStringList{"ROCK ANTENNE", "Smooth Berlin", "Bavaria (1)"}));
        QVERIFY(subMenu(europe, 1)->icon().pixmap(16).isNull());

        // Ampersands are doubled and so never become a shortcut marker.
        QMenu* jazz = europe->actions().at(1)->menu();
        QCOMPARE(texts(jazz), QStringList{"Jazz && Blues"});
        QVERIFY(QKeySequence::mnemonic(jazz->actions().first()->text()).isEmpty());

        // Rebuilding replaces the old sub-menus instead of adding to them.
        menus.buildGroupMenu(&menu, list.topGroups);
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 2);
        QCoreApplication::removeTranslator(&translator);
    }

    void groupsFirstAndSorting() {
        SampleStations list;
        list.fill();
        list.showGroupsFirst = true;
        StationMenus menus(&list);
        menus.setSorted(true);
        Group* germany = list.topGroups.first()->children.first().get();
        list.station(germany, QStringLiteral("Antenne"), QString());
        list.station(germany, QString(), QString());
        QMenu menu;
        menus.buildGroupMenu(&menu, {list.topGroups.first()->children.first()});
        QMenu* sub = subMenu(&menu, 0);
        QCOMPARE(texts(sub),
                 (QStringList{"Bavaria (1)", "Antenne", "ROCK ANTENNE", "Smooth Berlin"}));
    }

    void letterMenus_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("100 listed directly") << 100 << QStringList{};
        QTest::newRow("101 by letter, in order of appearance")
            << 101 << QStringList{"A", "B", "C", "D", "E"};
    }

    void letterMenus() {
        QFETCH(int, count);
        QFETCH(QStringList, entries);
        SampleStations list;
        Group* region = list.group(nullptr, QStringLiteral("Big"), Group::KindTop);
        fillGroup(list, region, count);
        StationMenus menus(&list);
        QMenu menu;
        menus.buildGroupMenu(&menu, list.topGroups);
        QMenu* big = subMenu(&menu, 0);
        QCOMPARE(menu.actions().first()->text(), QStringLiteral("Big (%1)").arg(count));
        if (entries.isEmpty()) {
            QCOMPARE(big->actions().size(), count);
            return;
        }
        QCOMPARE(texts(big), entries);
        QCOMPARE(big->actions().first()->menu()->actions().size(), 21);
    }

    void activation() {
        SampleStations list;
        list.fill();
        StationMenus menus(&list);
        QSignalSpy activated(&menus, &StationMenus::signal_itemActivated);
        QMenu menu;
        menus.buildGroupMenu(&menu, list.topGroups);
        QMenu* texas = subMenu(subMenu(subMenu(&menu, 1), 0), 0);
        QAction* kut = texas->actions().at(1);
        kut->trigger();
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().value<Preset*>()->title, QStringLiteral("KUT Austin"));
    }

    void genreAndTextMenus() {
        SampleStations list;
        list.fill();
        StationMenus menus(&list);
        QMenu genres;
        menus.buildGenreMenu(&genres, list.genres);
        QCOMPARE(texts(&genres), (QStringList{"Jazz", "Rock"}));
        QMenu* jazz = subMenu(&genres, 0);
        // By country (with its flag); stations without a country follow directly.
        QCOMPARE(texts(jazz), (QStringList{"Germany", "Jazz && Blues"}));
        QVERIFY(!jazz->actions().first()->menu()->icon().isNull());
        QCOMPARE(texts(jazz->actions().first()->menu()), QStringList{"Smooth Berlin"});

        QMenu networks;
        menus.buildTextMenu(&networks, list.networks);
        QCOMPARE(texts(subMenu(&networks, 0)), (QStringList{"Austin Tower Scanner", "KUT Austin"}));
    }

    void favoritesMenu_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("byLetter");
        QTest::newRow("49 listed directly") << 49 << false;
        QTest::newRow("50 by letter") << 50 << true;
    }

    void favoritesMenu() {
        QFETCH(int, count);
        QFETCH(bool, byLetter);
        Favorites favs;
        favs.setInteractive(false);
        favs.setFileName(m_dir.filePath(QStringLiteral("menu.xml")));
        favs.reload();
        Preset p;
        p.addSource(QStringLiteral("http://127.0.0.1/root"));
        p.title = QStringLiteral("Loose & Free");
        favs.add(p);
        for (int i = 0; i < count; ++i) {
            p.title = QStringLiteral("%1 %2").arg(QChar(u'K' + i % 2)).arg(i);
            p.groupName = QStringLiteral("Evening");
            favs.add(p);
        }
        FavoritesMenus menus(&favs);
        QMenu menu;
        menus.buildGroupMenu(&menu, favs.topGroups);
        QCOMPARE(texts(&menu),
                 (QStringList{"Loose && Free", QStringLiteral("Evening (%1)").arg(count)}));
        QMenu* evening = subMenu(&menu, 1);
        if (byLetter)
            QCOMPARE(texts(evening), (QStringList{"K", "L"}));
        else
            QCOMPARE(evening->actions().size(), count);
    }

    void historyMenu() {
        AppSettings::instance()->setMaxHistoryLength(3);
        History history;
        history.setInteractive(false);
        Preset p;
        for (const char* title : {"One", "", "Three", "Four"}) {
            p.title = QString::fromLatin1(title);
            p.sources.clear();
            p.addSource(QStringLiteral("http://127.0.0.1/%1").arg(history.presets().size()));
            history.add(p);
        }
        HistoryMenu menus(&history);
        QSignalSpy activated(&menus, &StationMenus::signal_itemActivated);
        QMenu menu;
        menus.build(&menu);
        QCOMPARE(texts(&menu), (QStringList{"a. Four", "b. Three", "c. http://127.0.0.1/1"}));
        menu.actions().at(1)->trigger();
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().value<Preset*>(), history.presets().at(1).get());
        AppSettings::instance()->setMaxHistoryLength(5);
    }

    void popupTree() {
        SampleStations list;
        list.fill();
        TreeStationsMenu popup;
        popup.setList(&list);
        popup.build(TreeStationsMenu::ModeRegions);
        QTreeWidget* tree = popup.tree();
        QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Regions"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("North America (2)"));
        QTreeWidgetItem* europe = tree->topLevelItem(0);
        QCOMPARE(europe->childCount(), 0);
        europe->setExpanded(true);
        QCOMPARE(europe->child(0)->text(0), QStringLiteral("Germany (3)"));
        // A group's branch lists its stations and sub-groups in the order of its menu.
        QTreeWidgetItem* germany = europe->child(0);
        germany->setExpanded(true);
        QCOMPARE(germany->child(0)->text(0), QStringLiteral("ROCK ANTENNE"));
        QCOMPARE(germany->child(2)->text(0), QStringLiteral("Bavaria (1)"));
        list.showGroupsFirst = true;
        popup.build(TreeStationsMenu::ModeRegions);
        tree->topLevelItem(0)->setExpanded(true);
        germany = tree->topLevelItem(0)->child(0);
        germany->setExpanded(true);
        QCOMPARE(germany->child(0)->text(0), QStringLiteral("Bavaria (1)"));
        // A tree item is no menu: its ampersand is shown as it is, not doubled.
        Group* rnb = list.group(nullptr, QStringLiteral("R&B"), Group::KindTop);
        list.station(rnb, QStringLiteral("Soul & Funk"), QString());
        popup.build(TreeStationsMenu::ModeRegions);
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("R&B (1)"));
        tree->topLevelItem(2)->setExpanded(true);
        QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("Soul & Funk"));

        popup.build(TreeStationsMenu::ModeGenres);
        QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Genres"));
        QTreeWidgetItem* jazz = tree->topLevelItem(0);
        jazz->setExpanded(true);
        QCOMPARE(jazz->childCount(), 2); // Germany and the stations without a country
        QSignalSpy activated(&popup, &TreeStationsMenu::signal_itemActivated);
        QTreeWidgetItem* station = jazz->child(0)->child(0);
        emit tree->itemActivated(station, 0);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().value<Preset*>()->title,
                 QStringLiteral("Smooth Berlin"));
    }

    void listColumns_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("country");
        QTest::newRow("in a country") << "ROCK ANTENNE"
                                      << "ROCK ANTENNE"
                                      << "Germany";
        QTest::newRow("in a state") << "Alpen Welle"
                                    << "Alpen Welle (Bavaria)"
                                    << "Germany, Upper";
        QTest::newRow("group below a region") << "Jazz & Blues"
                                              << "Jazz & Blues (Jazz Net, Europe)"
                                              << "";
    }

    void listColumns() {
        QFETCH(QString, title);
        QFETCH(QString, station);
        QFETCH(QString, country);
        SampleStations list;
        list.fill();
        RadioStations::PresetList found;
        list.findByTitle(title, found);
        Preset* p = found.first();
        if (title == QLatin1String("Alpen Welle"))
            p->state = QStringLiteral("Upper");
        QCOMPARE(StationListModel::stationText(*p), station);
        QCOMPARE(StationListModel::countryText(*p), country);
    }

    void listFilters() {
        SampleStations list;
        list.fill();
        TreeStations view;
        RadioStations::PresetList all;
        for (const auto& p : std::as_const(list.allPresets))
            all << p.get();
        view.setPresets(&list, all);
        StationListModel* model = view.stationModel();
        QCOMPARE(model->columnCount(), 4);
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Group"));

        QMenu menu;
        view.buildContextMenu(&menu, all.first());
        QMenu* countries = menu.actions().at(0)->menu();
        QCOMPARE(texts(countries), (QStringList{"Germany", "USA", "Clear filter"}));
        QVERIFY(texts(&menu).contains(QStringLiteral("Copy station URL to clipboard")));
        QSignalSpy schedule(&view, &TreeStations::signal_Schedule);
        menu.actions().last()->trigger();
        QCOMPARE(schedule.size(), 1);
        QCOMPARE(schedule.first().first().value<Preset*>(), all.first());

        QSignalSpy count(&view, &TreeStations::signal_CountChanged);
        countries->actions().at(1)->trigger();
        QCOMPARE(view.shownPresets().size(), 2);
        QMenu* genres = menu.actions().at(1)->menu();
        QAction* jazz = nullptr;
        for (QAction* a : genres->actions()) {
            if (a->text() == QLatin1String("Jazz"))
                jazz = a;
        }
        QVERIFY(jazz);
        jazz->trigger(); // the genre filter works on the whole list, not on the country's
        QCOMPARE(view.shownPresets().size(), 2);
        QCOMPARE(view.filterText(), QStringLiteral("Jazz"));
        genres->actions().last()->trigger();
        QCOMPARE(view.shownPresets().size(), all.size());
        QCOMPARE(count.last().first().toInt(), int(all.size()));
    }

    // The results stay in the order found until a column is sorted; turning sorting off
    // returns to that order.
    void searchResultSorting() {
        SampleStations list;
        list.fill();
        RadioStations::PresetList found;
        list.search(QStringLiteral("a"), found);
        std::reverse(found.begin(), found.end());
        QStringList foundOrder;
        for (const Preset* p : std::as_const(found))
            foundOrder << StationListModel::stationText(*p);

        TreeStations view;
        view.setSortable(true);
        view.setGrouped(false);
        view.setPresets(&list, found);
        StationListModel* model = view.stationModel();
        QCOMPARE(column(model, QModelIndex(), 0), foundOrder);

        view.sortByColumn(StationListModel::ColumnStation, Qt::AscendingOrder);
        QStringList sorted = foundOrder;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QCOMPARE(column(model, QModelIndex(), 0), sorted);
        QCOMPARE(StationListModel::stationText(*model->presetAt(model->index(0, 2))),
                 sorted.first());
        // New results arrive sorted the same way.
        view.setPresets(&list, found.mid(0, 3));
        QStringList three = foundOrder.mid(0, 3);
        std::sort(three.begin(), three.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QCOMPARE(column(model, QModelIndex(), 0), three);

        view.setSortable(false);
        QCOMPARE(column(model, QModelIndex(), 0), foundOrder.mid(0, 3));
        QCOMPARE(view.shownPresets(), found.mid(0, 3));
    }

    // Grouped, the stations sit below one row per country, countries in name order and the
    // stations without one last; the filters and the count still see stations only.
    void searchResultGroups() {
        SampleStations list;
        list.fill();
        RadioStations::PresetList all;
        for (const auto& p : std::as_const(list.allPresets))
            all << p.get();
        TreeStations view;
        view.setSortable(false);
        view.setGrouped(true);
        QSignalSpy count(&view, &TreeStations::signal_CountChanged);
        view.setPresets(&list, all);
        StationListModel* model = view.stationModel();
        QCOMPARE(column(model, QModelIndex(), 0),
                 (QStringList{"Germany (3)", "USA (2)", "Other (1)"}));
        QCOMPARE(count.last().first().toInt(), 6);
        const QModelIndex germany = model->index(0, 0);
        QVERIFY(!model->presetAt(germany));
        QVERIFY(!model->data(germany, Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(column(model, germany, 0),
                 (QStringList{"ROCK ANTENNE", "Smooth Berlin", "Alpen Welle (Bavaria)"}));
        const QModelIndex kut = model->index(1, 0, model->index(1, 0));
        QCOMPARE(model->presetAt(kut)->title, QStringLiteral("KUT Austin"));
        QCOMPARE(model->parent(kut), model->index(1, 0));
        QCOMPARE(model->data(kut.siblingAtColumn(2)).toString(), QStringLiteral("USA"));
        QVERIFY(view.isExpanded(germany));

        // Activating a country row plays nothing; a station row plays its station.
        QSignalSpy activated(&view, &TreeStations::signal_itemActivated);
        emit view.activated(germany);
        QCOMPARE(activated.count(), 0);
        emit view.activated(kut);
        QCOMPARE(activated.count(), 1);

        QMenu menu;
        view.buildContextMenu(&menu, nullptr);
        menu.actions().at(0)->menu()->actions().at(0)->trigger(); // Germany
        QCOMPARE(column(model, QModelIndex(), 0), QStringList{"Germany (3)"});
        QCOMPARE(count.last().first().toInt(), 3);
    }

private:
    static QStringList column(const StationListModel* model, const QModelIndex& parent, int col) {
        QStringList out;
        for (int row = 0; row < model->rowCount(parent); ++row)
            out << model->index(row, col, parent).data().toString();
        return out;
    }
};

QTEST_MAIN(TestStationMenus)
#include "tst_stationmenus.moc"
