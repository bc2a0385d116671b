// The main window's wiring of the search, station, favourites and history menus, on the
// offscreen platform with the bundled directory: each user action reaches the class behind it
// and its answer reaches the window. Stations that play use the fixture's loopback stream.

#include "settings/appsettings.h"
#include "app/quillowavewindow.h"
#include "app/windowkeyactions.h"
#include "stations/bramblerstations.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "support/fixture.h"
#include "ui/searchlineedit.h"
#include "ui/stationtreeview.h"
#include "ui/treestations.h"
#include "ui/treestationsmenu.h"
#include "ui/windowprofile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

constexpr int kWaitMs = 20000;

// The action titled text in menu or its sub-menus, filling each sub-menu as opening it would.
QAction* findAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        // A key shown beside the text (after the tab) is not part of it.
        if (action->text().section(u'\t', 0, 0) == text)
            return action;
        if (QMenu* sub = action->menu()) {
            emit sub->aboutToShow();
            if (QAction* found = findAction(sub, text))
                return found;
        }
    }
    return nullptr;
}

// The item titled text below item (or at the top level), opening each branch as a user would.
QTreeWidgetItem* findItem(QTreeWidget* tree, QTreeWidgetItem* item, const QString& text) {
    const int count = item ? item->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* child = item ? item->child(i) : tree->topLevelItem(i);
        if (child->text(0) == text)
            return child;
        tree->expandItem(child);
        if (QTreeWidgetItem* found = findItem(tree, child, text))
            return found;
    }
    return nullptr;
}

Preset loopbackStation() {
    Preset station;
    station.title = QStringLiteral("Loopback Radio");
    station.addSource(QString::fromStdString(qwtest::icecastUrl("/mp3")));
    return station;
}

} // namespace

class TestWindowWiring : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;

    void searchFor(const QString& text) {
        SearchLineEdit* edit = m_window->searchEdit();
        edit->setText(text);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
    }

    void init() {
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
        QVERIFY(!m_window->directory()->allPresets.isEmpty());
    }

    void cleanup() { m_window.reset(); }

    void searchShowsTheResultsPageAndCount() {
        const Preset* wanted = m_window->directory()->allPresets.first().get();
        searchFor(wanted->title);
        QCOMPARE(m_window->stationStack()->currentIndex(), int(QuillowaveWindow::PageSearch));
        const RadioStations::PresetList shown = m_window->searchView()->shownPresets();
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown.contains(wanted));
        QVERIFY2(shown.size() < m_window->directory()->allPresets.size(), "nothing was narrowed");
        QVERIFY(m_window->searchCountLabel()->text().startsWith(QString::number(shown.size()) +
                                                                QLatin1Char(' ')));
    }

    void emptySearchClearsTheResults() {
        searchFor(m_window->directory()->allPresets.first()->title);
        QVERIFY(!m_window->searchView()->shownPresets().isEmpty());
        searchFor(QString());
        QVERIFY(m_window->searchView()->shownPresets().isEmpty());
        QVERIFY(m_window->searchCountLabel()->text().startsWith(QStringLiteral("0 ")));
    }

    void searchButtonMenuRepeatsAnEarlierSearch() {
        const QString first = m_window->directory()->allPresets.first()->title;
        const QString last = m_window->directory()->allPresets.last()->title;
        searchFor(first);
        const RadioStations::PresetList firstResults = m_window->searchView()->shownPresets();
        searchFor(last);
        QVERIFY(m_window->searchView()->shownPresets() != firstResults);

        auto* button = m_window->findChild<QToolButton*>(QStringLiteral("btSearch"));
        QVERIFY(button && button->menu());
        QMetaObject::invokeMethod(button->menu(), "aboutToShow");
        QAction* repeat = nullptr;
        for (QAction* action : button->menu()->actions())
            if (action->text().remove(QLatin1Char('&')) == QString(first).remove(QLatin1Char('&')))
                repeat = action;
        QVERIFY2(repeat, "the earlier search is not in the menu");
        repeat->trigger();
        QCOMPARE(m_window->searchView()->shownPresets(), firstResults);
    }

    void searchSortingFollowsTheOption() {
        m_settings->setSortSearchResults(false);
        m_window->applySettings();
        QVERIFY(!m_window->searchView()->isSortingEnabled());
        m_settings->setSortSearchResults(true);
        m_window->applySettings();
        QVERIFY(m_window->searchView()->isSortingEnabled());
    }

    void presetsMenusListTheDirectory() {
        RadioStations* directory = m_window->directory();
        const struct {
            const char* name;
            qsizetype count;
        } menus[] = {{"menuRegions", directory->topGroups.size()},
                     {"menuGenres", directory->genres.size()},
                     {"menuNetworks", directory->networks.size()},
                     {"menuNationalMusic", directory->ethnicGenres.size()}};
        for (const auto& expected : menus) {
            auto* menu = m_window->presetsMenu()->findChild<QMenu*>(QLatin1String(expected.name));
            QVERIFY2(menu, expected.name);
            QVERIFY2(expected.count > 0, expected.name);
            emit menu->aboutToShow();
            QCOMPARE(menu->actions().size(), expected.count);
            // Opening it again rebuilds rather than adds.
            emit menu->aboutToShow();
            QCOMPARE(menu->actions().size(), expected.count);
        }
        QMenu* regions = m_window->presetsMenu()->findChild<QMenu*>(QStringLiteral("menuRegions"));
        QMenu* firstRegion = regions->actions().first()->menu();
        QVERIFY(firstRegion);
        emit firstRegion->aboutToShow();
        QVERIFY(!firstRegion->isEmpty());
    }

    void favoritesMenuPlaysAFavorite() {
        QVERIFY(m_window->favorites()->add(loopbackStation()));
        emit m_window->favoritesMenu()->aboutToShow();
        QAction* add = findAction(m_window->favoritesMenu(), QStringLiteral("Add to favorites"));
        QVERIFY(add);
        QVERIFY(add->text().endsWith(QStringLiteral("\tF5")));
        QVERIFY(findAction(m_window->favoritesMenu(), QStringLiteral("Edit favorites...")));
        QAction* station = findAction(m_window->favoritesMenu(), QStringLiteral("Loopback Radio"));
        QVERIFY(station);
        station->trigger();
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Connecting..."));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(m_window->playback()->currentStation().title, QStringLiteral("Loopback Radio"));
        m_window->slot_Stop();
    }

    void directoryContextMenuOpensTheStationsTree() {
        StationTreeView* tree = m_window->directoryView();
        QMenu* menu = m_window->directoryContextMenu();
        emit tree->customContextMenuRequested(QPoint(10, 10));
        QVERIFY(menu->isVisible());
        QStringList modes;
        for (const QAction* action : menu->actions())
            modes << action->text();
        QCOMPARE(modes, (QStringList{"Regions", "Genres", "National Music", "Networks", QString(),
                                     "Schedule"}));
        // Only a station can be scheduled, not a region.
        QCOMPARE(menu->actions().last()->isEnabled(), tree->currentPreset() != nullptr);

        TreeStationsMenu* popup = m_window->stationsPopup();
        menu->actions().at(1)->trigger();
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->tree()->headerItem()->text(0), QStringLiteral("Genres"));
        QCOMPARE(popup->tree()->topLevelItemCount(), m_window->directory()->genres.size());
        popup->hide();

        // A station chosen in the pop-up plays; the fixture's stands in for the directory's.
        QVERIFY(m_window->favorites()->add(loopbackStation()));
        popup->setList(m_window->favorites());
        menu->actions().at(0)->trigger();
        QCOMPARE(popup->tree()->headerItem()->text(0), QStringLiteral("Regions"));
        QTreeWidgetItem* station =
            findItem(popup->tree(), nullptr, QStringLiteral("Loopback Radio"));
        QVERIFY(station);
        emit popup->tree()->itemActivated(station, 0);
        QVERIFY(!popup->isVisible());
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Connecting..."));
        QCOMPARE(m_window->playback()->currentStation().title, QStringLiteral("Loopback Radio"));
        m_window->slot_Stop();
    }

    void historyMenuPlaysAndClears() {
        m_window->history()->clear();
        QVERIFY(m_window->history()->add(loopbackStation()));
        QMenu* menu = m_window->historyMenu();
        emit menu->aboutToShow();
        QAction* station = findAction(menu, QStringLiteral("a. Loopback Radio"));
        QVERIFY(station);
        station->trigger();
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Connecting..."));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        m_window->slot_Stop();
        // The stations played, beside the songs played on the same page.
        auto* page = m_window->stationStack()
                         ->widget(QuillowaveWindow::PageHistory)
                         ->findChild<QTreeWidget*>(QStringLiteral("treeHistory"));
        QVERIFY(page);
        QVERIFY(page->topLevelItemCount() > 0);
        QCOMPARE(page->topLevelItem(0)->text(0), QStringLiteral("Loopback Radio"));

        QAction* clear = findAction(menu, QStringLiteral("Clear"));
        QVERIFY(clear);
        clear->trigger();
        QVERIFY(m_window->history()->recent().isEmpty());
        QCOMPARE(page->topLevelItemCount(), 0);
        History reread;
        reread.load(reread.fileName());
        QVERIFY(reread.recent().isEmpty());
        emit menu->aboutToShow();
        QVERIFY(!findAction(menu, QStringLiteral("a. Loopback Radio")));
    }

    void clipboardMenuPlaysAnAddressAndCopiesTheSong() {
        QMenu* menu = m_window->mainMenu(PlayerControl::Menu::Clipboard);
        QClipboard* clipboard = QApplication::clipboard();
        // Text without "://" is questioned; declining plays nothing.
        clipboard->setText(QStringLiteral("not an address"));
        QStringList asked;
        QTimer::singleShot(0, this, [&asked] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked << box->text();
                box->button(QMessageBox::No)->click();
            }
        });
        findAction(menu, QStringLiteral("Play from clipboard"))->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.constFirst().contains(QStringLiteral("Is not a valid station URL")));
        QVERIFY(!m_window->playback()->isActive());

        const QString address = QString::fromStdString(qwtest::icecastUrl("/mp3"));
        clipboard->setText(QStringLiteral("  ") + address + QStringLiteral("\n"));
        findAction(menu, QStringLiteral("Play from clipboard"))->trigger();
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Connecting..."));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->playback()->songTitle(),
                                  QStringLiteral("Quillowave Test - Sine 440"), kWaitMs);
        findAction(menu, QStringLiteral("Track title"))->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("Quillowave Test - Sine 440"));
        findAction(menu, QStringLiteral("Radio station URL"))->trigger();
        QCOMPARE(clipboard->text(), address);
        m_window->slot_Stop();
    }

    void everyKeyboardActionHasAHandler() {
        using Action = KeyboardRules::Action;
        const WindowKeyActions* actions = m_window->keyActions();
        QVERIFY(!actions->handles(Action::Default));
        for (int value = int(Action::SwapPeakMeters); value <= int(Action::OpenStationBrowser);
             ++value)
            QVERIFY2(actions->handles(Action(value)), qPrintable(QString::number(value)));
    }
};

QTEST_MAIN(TestWindowWiring)
#include "tst_windowwiring.moc"
