// The online directory's page, alone and in the main window, against the HTTP test server's copy
// of the directory's API: first page on show, paging as the view scrolls, filters, icons fetched
// into the cache, the offline state, and a station found online that plays, counts one click and
// becomes a favourite.

#include "stations/favorites.h"
#include "stations/history.h"
#include "stations/onlinedirectory.h"
#include "support/fixture.h"
#include "ui/favoritedlg.h"
#include "ui/onlinesearchpage.h"
#include "ui/onlinestationmodel.h"
#include "ui/searchlineedit.h"
#include "ui/stationiconcache.h"
#include "windowprofile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

constexpr int kWaitMs = 20000;

QString server(const QString& set) {
    return QString::fromStdString(qwtest::httpUrl("/radiobrowser/ok/")) + set;
}

int requestCount(const QByteArray& line) {
    QFile log(QString::fromStdString(qwtest::fixtureDir()) + "/httpserver/requests.log");
    return log.open(QIODevice::ReadOnly) ? int(log.readAll().count(line)) : -1;
}

} // namespace

class TestOnlineSearchPage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;

    // A page of its own on the given servers, shown.
    std::unique_ptr<OnlineSearchPage> openPage(const QString& servers) {
        m_settings->setOnlineDirectoryHost(servers);
        std::unique_ptr<OnlineSearchPage> page(OnlineSearchPage::create(*m_settings, nullptr));
        page->resize(800, 400);
        page->show();
        return page;
    }

    static OnlineDirectory* directoryOf(OnlineSearchPage* page) {
        return page->findChild<OnlineDirectory*>();
    }

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
    }

    void firstVisitShowsStationsAndScrollingFetchesMore() {
        auto page = openPage(server("120"));
        QTreeView* view = page->resultsView();
        // The view may ask for a further page by itself while its viewport is not yet full.
        QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount() >= OnlineDirectory::kPageSize, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(page->stateLabel()->text().endsWith(QStringLiteral(" stations")),
                                 kWaitMs);
        view->scrollToBottom();
        QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount() > OnlineDirectory::kPageSize, kWaitMs);
    }

    void filtersNarrowTheSearch() {
        auto page = openPage(server("200"));
        QComboBox* countries = page->countryFilter();
        QTRY_VERIFY_WITH_TIMEOUT(countries->count() > 1, kWaitMs);
        const int uk = countries->findData(QStringLiteral("GB"));
        QVERIFY(uk > 0);
        QVERIFY(countries->itemText(uk).startsWith(QStringLiteral("UK (")));
        QVERIFY(page->tagFilter()->count() > 1);
        countries->setCurrentIndex(uk);
        page->codecFilter()->setCurrentIndex(page->codecFilter()->findData(QStringLiteral("MP3")));
        page->slot_search();
        OnlineDirectory* directory = directoryOf(page.get());
        QTRY_COMPARE_WITH_TIMEOUT(directory->state(), OnlineDirectory::State::Ready, kWaitMs);
        QVERIFY(directory->count() > 0);
        for (int row = 0; row < directory->count(); ++row) {
            QCOMPARE(directory->preset(row)->country, QStringLiteral("UK"));
            QCOMPARE(directory->station(row)->codec, QStringLiteral("MP3"));
        }
    }

    void typedNameSearchesAfterAPause() {
        auto page = openPage(server("200"));
        OnlineDirectory* directory = directoryOf(page.get());
        QTRY_COMPARE_WITH_TIMEOUT(directory->state(), OnlineDirectory::State::Ready, kWaitMs);
        QSignalSpy reset(directory, &OnlineDirectory::signal_Reset);
        QTest::keyClicks(page->nameEdit(), QStringLiteral("Station 17"));
        QVERIFY(reset.wait(kWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(directory->state(), OnlineDirectory::State::Ready, kWaitMs);
        QCOMPARE(reset.size(), 1); // one search for the whole word typed
        for (int row = 0; row < directory->count(); ++row)
            QVERIFY(directory->preset(row)->title.startsWith(QStringLiteral("Station 17")));
    }

    void offlineSaysSoAndBundledStationsStillWork() {
        auto page = openPage(QStringLiteral("http://127.0.0.1:1"));
        QTRY_VERIFY_WITH_TIMEOUT(page->stateLabel()->text().startsWith(QStringLiteral("Offline")),
                                 kWaitMs);
        QVERIFY(page->stateLabel()->text().contains(
            QStringLiteral("The stations on this computer still work.")));
        QCOMPARE(page->resultsView()->model()->rowCount(), 0);
    }

    void iconsAreFetchedIntoTheCache() {
        auto page = openPage(server("play"));
        QTreeView* view = page->resultsView();
        QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount() > 0, kWaitMs);
        const QModelIndex first = view->model()->index(0, OnlineStationModel::ColumnStation);
        auto* icons = page->findChild<StationIconCache*>();
        const QString url = directoryOf(page.get())->station(0)->favicon;
        QVERIFY(url.endsWith(QStringLiteral(".png")));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(icons->cacheFile(url)), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            !view->model()->data(first, Qt::DecorationRole).value<QIcon>().isNull(), kWaitMs);
        QVERIFY(icons->cacheFile(url).startsWith(OnlineSearchPage::iconFolder(*m_settings)));
    }

    void windowPlaysAnOnlineStationWithOneClickAndKeepsIt() {
        m_settings->setOnlineDirectoryHost(server("play"));
        auto window = openExposedWindow(m_settings);
        QVERIFY(window);
        QAction* online = nullptr;
        for (QAction* action : window->presetsMenu()->actions())
            if (action->text() == QStringLiteral("Online directory"))
                online = action;
        QVERIFY(online);
        online->trigger();
        QCOMPARE(window->stationStack()->currentIndex(), int(QuillowaveWindow::PageOnline));
        OnlineSearchPage* page = window->onlinePage();
        QTreeView* view = page->resultsView();
        QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount() > 0, kWaitMs);

        const OnlineDirectory* directory = directoryOf(page);
        // The test server logs each API request once with the agent that sent it.
        const QByteArray click = "/json/url/" + directory->station(0)->uuid.toUtf8() + " agent=";
        const int clicks = requestCount(click);
        const QString title = directory->preset(0)->title;
        view->setCurrentIndex(view->model()->index(0, 0));
        emit view->activated(view->currentIndex());
        QTRY_COMPARE_WITH_TIMEOUT(window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(window->playback()->currentStation().title, title);
        QTRY_COMPARE_WITH_TIMEOUT(requestCount(click), clicks + 1, kWaitMs);

        // Kept like any other station: it is in the history and becomes a favourite.
        QCOMPARE(window->history()->recent().first()->title, title);
        auto* accept = new QTimer(this);
        connect(accept, &QTimer::timeout, this, [accept] {
            if (auto* editor = qobject_cast<FavoriteDlg*>(QApplication::activeModalWidget())) {
                editor->accept();
                accept->deleteLater();
            }
        });
        accept->start(20);
        const qsizetype favorites = window->favorites()->favorites().size();
        window->addToFavorites();
        QCOMPARE(window->favorites()->favorites().size(), favorites + 1);
        window->slot_Stop();
        QCOMPARE(requestCount(click), clicks + 1);
    }

    void searchResultsOfferTheSameSearchOnline() {
        m_settings->setOnlineDirectoryHost(server("200"));
        auto window = openExposedWindow(m_settings);
        QVERIFY(window);
        window->searchEdit()->setText(QStringLiteral("Station 12"));
        auto* button = window->findChild<QPushButton*>(QStringLiteral("buttonSearchOnline"));
        QVERIFY(button);
        button->click();
        QCOMPARE(window->stationStack()->currentIndex(), int(QuillowaveWindow::PageOnline));
        QCOMPARE(window->onlinePage()->nameEdit()->text(), QStringLiteral("Station 12"));
        QTRY_VERIFY_WITH_TIMEOUT(window->onlinePage()->resultsView()->model()->rowCount() > 0,
                                 kWaitMs);
    }
};

QTEST_MAIN(TestOnlineSearchPage)
#include "tst_onlinesearchpage.moc"
