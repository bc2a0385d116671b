// The search flow: matching in each mode over a directory, word narrowing, the information-station
// setting, translated country names, the search history in the settings, and clearing.
#include "settings/appsettings.h"
#include "settings/qappsettings.h"
#include "stationsample.h"
#include "ui/searchcontroller.h"
#include "ui/searchlineedit.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSearchController : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    SampleStations m_list;
    SampleTranslator m_translator;

    static QStringList titles(const RadioStations::PresetList& list) {
        QStringList out;
        for (const Preset* p : list)
            out << p->title;
        return out;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        AppSettings::instance();
        m_list.fill();
        QCoreApplication::installTranslator(&m_translator);
    }

    void find_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("hideInformation");
        QTest::addColumn<QStringList>("found");

        const bool off = false;
        const bool on = true;
        QTest::newRow("lower case finds capitals and a longer genre")
            << "rock" << 0 << off << QStringList{"ROCK ANTENNE"};
        QTest::newRow("genre inside a longer genre")
            << "jazz" << 0 << off << QStringList{"Smooth Berlin", "Jazz & Blues"};
        QTest::newRow("two words narrow")
            << "jazz berlin" << 0 << off << QStringList{"Smooth Berlin"};
        QTest::newRow("joined words are one text") << "jazzberlin" << 0 << off << QStringList{};
        QTest::newRow("three words, one matching nothing")
            << "jazz berlin polka" << 0 << off << QStringList{};
        QTest::newRow("region finds everything below it")
            << "north america" << 4 << off << QStringList{"Austin Tower Scanner", "KUT Austin"};
        QTest::newRow("region words narrow within the region")
            << "america kut" << 0 << off << QStringList{"KUT Austin"};
        QTest::newRow("tower station listed while the setting is off")
            << "austin" << 0 << off << QStringList{"Austin Tower Scanner", "KUT Austin"};
        QTest::newRow("tower station hidden even when the city matched")
            << "austin" << 0 << on << QStringList{"KUT Austin"};
        QTest::newRow("translated country name")
            << "deutschland" << 0 << off
            << QStringList{"ROCK ANTENNE", "Smooth Berlin", "Alpen Welle"};
        QTest::newRow("genre mode")
            << "JAZZ" << 2 << off << QStringList{"Smooth Berlin", "Jazz & Blues"};
        QTest::newRow("group-name mode is case-sensitive")
            << "germany" << 3 << off << QStringList{};
        // Germany and North America match "er"; Bavaria below Germany does not, and North
        // America holds no stations of its own.
        QTest::newRow("group-name mode: stations of the matching groups")
            << "er" << 3 << off << QStringList{"ROCK ANTENNE", "Smooth Berlin"};
        QTest::newRow("whole-text mode does not split")
            << "jazz berlin" << 5 << off << QStringList{};
        QTest::newRow("unknown mode finds nothing") << "rock" << 7 << off << QStringList{};
        QTest::newRow("a leading blank is not a word break")
            << " rock" << 0 << off << QStringList{};
    }

    void find() {
        QFETCH(QString, text);
        QFETCH(int, mode);
        QFETCH(bool, hideInformation);
        QFETCH(QStringList, found);
        AppSettings::instance()->setDoNotShowInfoStations(hideInformation);
        QCOMPARE(titles(SearchController::find(m_list, text, mode)), found);
        AppSettings::instance()->setDoNotShowInfoStations(false);
    }

    // Typed words outside ASCII take the general matcher; both ways ignore case alike.
    void caseFolding_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::newRow("lower-case umlaut") << QString::fromUtf8("zürich") << true;
        QTest::newRow("mixed case") << QString::fromUtf8("ZüRiCH") << true;
        QTest::newRow("ASCII in a longer word") << "RICH" << true;
        QTest::newRow("no umlaut is another letter") << "zurich" << false;
        QTest::newRow("sharp s") << QString::fromUtf8("straße") << true;
    }

    void caseFolding() {
        QFETCH(QString, text);
        QFETCH(bool, found);
        SampleStations list;
        Group* g = list.group(nullptr, QStringLiteral("Alps"), Group::KindTop);
        list.station(g, QString::fromUtf8("Radio ZÜRICH"), QStringLiteral("News"),
                     QString::fromUtf8("Hauptstraße"));
        QCOMPARE(SearchController::find(list, text, SearchController::ModeText).size(),
                 found ? 1 : 0);
    }

    // The information rule looks at the station, not at the field that matched: a tower station
    // found only by its city is hidden with the setting on. A station found through the name of
    // a group above its own is judged by that group's name: an information group hides it only
    // with the setting on, any other group never.
    void informationStations_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hideInformation");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("city only, setting off")
            << "lubbock" << false << QStringList{"Tower Cam", "KTXT"};
        QTest::newRow("city only, setting on") << "lubbock" << true << QStringList{"KTXT"};
        QTest::newRow("information group's name, setting off")
            << "weather" << false << QStringList{"NOAA Forecast"};
        QTest::newRow("information group's name, setting on") << "weather" << true << QStringList{};
        QTest::newRow("region above the information group, setting on")
            << "plains" << true << QStringList{"KTXT", "NOAA Forecast"};
    }

    void informationStations() {
        QFETCH(QString, text);
        QFETCH(bool, hideInformation);
        QFETCH(QStringList, found);
        SampleStations list;
        Group* plains = list.group(nullptr, QStringLiteral("Plains"), Group::KindTop);
        list.station(plains, QStringLiteral("Tower Cam"), QStringLiteral("Scanner"),
                     QStringLiteral("Lubbock"));
        list.station(plains, QStringLiteral("KTXT"), QStringLiteral("College"),
                     QStringLiteral("Lubbock"));
        Group* weather = list.group(plains, QStringLiteral("Weather Radio"), Group::KindNone);
        Group* panhandle = list.group(weather, QStringLiteral("Panhandle"), Group::KindNone);
        list.station(panhandle, QStringLiteral("NOAA Forecast"), QStringLiteral("News"));
        AppSettings::instance()->setDoNotShowInfoStations(hideInformation);
        const QStringList result =
            titles(SearchController::find(list, text, SearchController::ModeText));
        AppSettings::instance()->setDoNotShowInfoStations(false);
        QCOMPARE(result, found);
    }

    void emptyTextShowsEverything() {
        SearchController search;
        search.setFallbackList(&m_list);
        QSignalSpy finished(&search, &SearchController::signal_Finished);
        QVERIFY(search.search(QString(), SearchController::ModeText));
        QCOMPARE(search.results().size(), m_list.allPresets.size());
        QCOMPARE(finished.count(), 1);
        QVERIFY(search.history().isEmpty());

        SampleStations empty;
        search.setList(&empty);
        QVERIFY(search.search(QStringLiteral("rock"), SearchController::ModeText));
        QVERIFY(search.results().isEmpty());
        QCOMPARE(search.countText(), QStringLiteral("0 stations"));
    }

    void historyInSettings() {
        {
            QAppSettings settings;
            for (int i = 0; i < 10; ++i)
                settings.remove(SearchController::historyKey(i));
            settings.setValue(QStringLiteral("00_Search"), QStringLiteral("old one"));
            settings.setValue(QStringLiteral("03_Search"), QStringLiteral("old two"));
        }
        SearchController search;
        search.setList(&m_list);
        search.loadHistory();
        QCOMPARE(search.history(), (QStringList{"old one", "old two"}));

        search.search(QStringLiteral("rock"), SearchController::ModeText);
        search.search(QStringLiteral("jazz"), SearchController::ModeGenre);
        search.search(QStringLiteral("old two"), SearchController::ModeText);
        QCOMPARE(search.history(), (QStringList{"old two", "jazz", "rock", "old one"}));
        QCOMPARE(QAppSettings().value(QStringLiteral("01_Search")).toString(),
                 QStringLiteral("jazz"));
        QVERIFY(!QAppSettings().contains(QStringLiteral("04_Search")));

        for (int i = 0; i < 12; ++i)
            search.search(QStringLiteral("word %1").arg(i), SearchController::ModeText);
        QCOMPARE(search.history().size(), 10);
        QCOMPARE(search.history().first(), QStringLiteral("word 11"));
        QCOMPARE(QAppSettings().value(QStringLiteral("09_Search")).toString(),
                 QStringLiteral("word 2"));

        SearchController again;
        again.loadHistory();
        QCOMPARE(again.history(), search.history());
    }

    // The search menu repeats a search with the mode it ran in; entries read from the settings
    // were typed, and a text with an ampersand shows it.
    void searchMenu() {
        {
            QAppSettings settings;
            for (int i = 0; i < 10; ++i)
                settings.remove(SearchController::historyKey(i));
            settings.setValue(QStringLiteral("00_Search"), QStringLiteral("jazz berlin"));
        }
        SearchController search;
        search.setList(&m_list);
        search.loadHistory();
        search.search(QStringLiteral("Jazz"), SearchController::ModeGenre);
        search.search(QStringLiteral("R&B"), SearchController::ModeText);
        QMenu menu;
        search.buildSearchMenu(&menu);
        QStringList entries;
        for (const QAction* a : menu.actions())
            entries << a->text();
        QCOMPARE(entries, (QStringList{"R&&B", "Jazz", "jazz berlin"}));

        search.slot_menuSearch(menu.actions().at(1));
        QCOMPARE(search.mode(), int(SearchController::ModeGenre));
        QCOMPARE(titles(search.results()), (QStringList{"Smooth Berlin", "Jazz & Blues"}));
        search.slot_menuSearch(menu.actions().at(2));
        QCOMPARE(search.mode(), int(SearchController::ModeText));
        QCOMPARE(titles(search.results()), QStringList{"Smooth Berlin"});
        QCOMPARE(search.history().first(), QStringLiteral("jazz berlin"));
        QCOMPARE(search.historyMode(1), int(SearchController::ModeGenre));
    }

    void oneSearchAtATime() {
        SearchController search;
        search.setList(&m_list);
        bool nested = true;
        connect(&search, &SearchController::signal_Started, this, [&]() {
            nested = search.search(QStringLiteral("jazz"), SearchController::ModeText);
        });
        QVERIFY(search.search(QStringLiteral("rock"), SearchController::ModeText));
        QVERIFY(!nested);
        QCOMPARE(titles(search.results()), QStringList{"ROCK ANTENNE"});
        QCOMPARE(search.countText(), QStringLiteral("1 stations"));
    }

    void searchFieldWaitsForAPause() {
        SearchLineEdit edit;
        QSignalSpy search(&edit, &SearchLineEdit::signal_Search);
        QTest::keyClicks(&edit, QStringLiteral("jaz"));
        QTest::keyClick(&edit, Qt::Key_Z);
        QVERIFY(search.wait());
        QCOMPARE(search.count(), 1);
        QCOMPARE(search.first().first().toString(), QStringLiteral("jazz"));

        edit.setText(QStringLiteral("set by the program"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(search.count(), 2);
        QCOMPARE(search.last().first().toString(), QStringLiteral("set by the program"));
        QVERIFY(!search.wait(SearchLineEdit::kTypingPauseMs * 2));
    }

    void searchSimilarAndClear() {
        SearchController search;
        search.setList(&m_list);
        QVERIFY(search.searchSimilar(QStringLiteral("Search for Jazz ")));
        QCOMPARE(search.text(), QStringLiteral("Jazz"));
        QCOMPARE(search.mode(), int(SearchController::ModeGenre));
        QCOMPARE(search.results().size(), 2);
        QVERIFY(!search.searchSimilar(QStringLiteral("Search for ")));

        QSignalSpy count(&search, &SearchController::signal_CountChanged);
        search.slot_clearSearch();
        QVERIFY(search.text().isEmpty());
        QVERIFY(search.results().isEmpty());
        QCOMPARE(count.takeFirst().first().toString(), QStringLiteral("0 stations"));
    }
};

QTEST_MAIN(TestSearchController)
#include "tst_searchcontroller.moc"
