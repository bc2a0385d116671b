// The online directory's client and result list against the HTTP test server's copy of the API:
// reading stations defensively, mapping them to station records, failing over between servers,
// paging, filters, and the click a played station earns.

#include "stations/countrycodes.h"
#include "stations/onlinedirectory.h"
#include "stations/radiobrowserclient.h"
#include "support/fixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

QString server(const QString& behaviour, const QString& set) {
    return QString::fromStdString(qwtest::httpUrl("/radiobrowser/")) + behaviour +
           QLatin1Char('/') + set;
}

QByteArray requestLog() {
    QFile log(QString::fromStdString(qwtest::fixtureDir()) + "/httpserver/requests.log");
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

// JSON written with single quotes, so that it reads well inside C++ strings.
QByteArray json(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

QJsonObject object(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

RadioBrowserClient* newClient(QObject* parent, const QStringList& servers) {
    auto* client = new RadioBrowserClient(QStringLiteral("1.40.1"), parent);
    client->setServers(servers);
    return client;
}

// The stations of one search, or the failure when there is one.
QList<OnlineStation> searchAll(RadioBrowserClient* client,
                               const RadioBrowserClient::StationQuery& query,
                               RadioBrowserClient::Failure* failure = nullptr) {
    QSignalSpy stations(client, &RadioBrowserClient::signal_Stations);
    QSignalSpy failed(client, &RadioBrowserClient::signal_Failed);
    client->searchStations(query);
    if (!QTest::qWaitFor([&] { return !stations.isEmpty() || !failed.isEmpty(); }, 60000))
        return {};
    if (!failed.isEmpty() && failure)
        *failure = failed.first().at(1).value<RadioBrowserClient::Failure>();
    return stations.isEmpty() ? QList<OnlineStation>()
                              : stations.first().at(1).value<QList<OnlineStation>>();
}

} // namespace

class TestRadioBrowserClient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        qRegisterMetaType<RadioBrowserClient::Failure>();
        QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP fixture is not running");
    }

    void stationRecord_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("genre");
        QTest::addColumn<QString>("country");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QStringList>("sources");

        const QByteArray base = json("'stationuuid':'u1','url':'http://a.example/s',");
        QTest::newRow("full")
            << base + json("'name':'Radio Eins','tags':'rock,pop',") +
                   json("'countrycode':'DE','url_resolved':'http://a.example/s.mp3'")
            << "Radio Eins"
            << "Rock, Pop"
            << "Germany" << true << QStringList{"http://a.example/s.mp3", "http://a.example/s"};
        QTest::newRow("directory name of GB") << base + json("'name':'B','countrycode':'gb'") << "B"
                                              << ""
                                              << "UK" << true << QStringList{"http://a.example/s"};
        QTest::newRow("Georgia the country")
            << base + json("'name':'G','countrycode':'GE'") << "G"
            << ""
            << "Georgia" << true << QStringList{"http://a.example/s"};
        QTest::newRow("unknown code keeps the text, no flag")
            << base + json("'name':'Z','countrycode':'ZZ','country':'Nowhere'") << "Z"
            << ""
            << "Nowhere" << false << QStringList{"http://a.example/s"};
        QTest::newRow("sentence tags are no genre")
            << base + json("'name':'S','tags':'the best music of all time,jazz,, jazz ,blues'")
            << "S"
            << "Jazz, Blues"
            << "" << false << QStringList{"http://a.example/s"};
        QTest::newRow("null and wrong types")
            << base + json("'name':null,'tags':5,'countrycode':null,'bitrate':'96'") << "a.example"
            << ""
            << "" << false << QStringList{"http://a.example/s"};
        QTest::newRow("unicode name") << base + json("'name':'  中国之声   Радио  '")
                                      << QString::fromUtf8("中国之声 Радио") << ""
                                      << "" << false << QStringList{"http://a.example/s"};
        QTest::newRow("not playable resolved address")
            << json("'stationuuid':'u1','url':'http://a.example/"
                    "s','url_resolved':'javascript:x','name':'J'")
            << "J"
            << ""
            << "" << false << QStringList{"http://a.example/s"};
    }

    void stationRecord() {
        QFETCH(QByteArray, json);
        const std::optional<OnlineStation> station =
            OnlineStation::fromJson(object("{" + json + "}"));
        QVERIFY(station);
        const Preset preset = station->toPreset();
        QTEST(preset.title, "title");
        QTEST(preset.genre, "genre");
        QTEST(preset.country, "country");
        QFETCH(bool, flag);
        QCOMPARE(preset.flagIcon != nullptr, flag);
        QTEST(preset.sources, "sources");
        QCOMPARE(preset.firstUrl, preset.sources.first());
        QVERIFY(preset.isValid());
    }

    void stationRejected_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no identity") << json("{'url':'http://a.example/s'}");
        QTest::newRow("no address") << json("{'stationuuid':'u'}");
        QTest::newRow("ftp only") << json("{'stationuuid':'u','url':'ftp://a.example/'}");
        QTest::newRow("address without host") << json("{'stationuuid':'u','url':'http://'}");
        QTest::newRow("not an object") << json("['u']");
    }

    void stationRejected() {
        QFETCH(QByteArray, json);
        const QJsonDocument document = QJsonDocument::fromJson(json);
        const QJsonValue value =
            document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
        QVERIFY(!OnlineStation::fromJson(value));
    }

    void longTextsAreCutOutsidePairs() {
        const QString pairs = QString::fromUtf8("🎵").repeated(150); // 300 UTF-16 units
        const QString cut = OnlineStation::clampText(pairs, 201);
        QCOMPARE(cut.size(), 200);
        QVERIFY(!cut.back().isHighSurrogate());
    }

    void answersThatAreNoList_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("html") << QByteArray("<!DOCTYPE html><html><body>502</body></html>");
        QTest::newRow("cut off") << json("[{'stationuuid':'u','url':'http://a.exa");
        QTest::newRow("object") << json("{'error':'rate limited'}");
        QTest::newRow("empty") << QByteArray();
    }

    void answersThatAreNoList() {
        QFETCH(QByteArray, answer);
        QVERIFY(!OnlineStation::listFromJson(answer));
    }

    void countryCodes() {
        QCOMPARE(CountryCodes::countryName("us"), QStringLiteral("USA"));
        QVERIFY(CountryCodes::flagIcon("FR"));
        QVERIFY(CountryCodes::countryName("QQ").isEmpty());
        QVERIFY(!CountryCodes::flagIcon("QQ"));
        QVERIFY(!CountryCodes::flagIcon(""));
    }

    void searchPathEncodesEveryValue() {
        RadioBrowserClient::StationQuery query;
        query.name = QStringLiteral("rock & roll #1 100%");
        query.countryCode = QStringLiteral("DE");
        query.offset = 50;
        const QString path = RadioBrowserClient::searchPath(query);
        QVERIFY(path.startsWith("/json/stations/search?name=rock%20%26%20roll%20%231%20100%25&"));
        QVERIFY(path.contains("&countrycode=DE&"));
        QVERIFY(path.contains("&hidebroken=true&"));
        QVERIFY(path.endsWith("&offset=50&limit=50"));
    }

    void messyAnswerReadsEveryUsableStation() {
        RadioBrowserClient* client = newClient(this, {server("ok", "mess")});
        RadioBrowserClient::StationQuery query;
        query.hideBroken = false;
        query.limit = 1000;
        const QList<OnlineStation> stations = searchAll(client, query);
        QStringList names;
        for (const OnlineStation& station : stations)
            names.append(station.name);
        // The repeated identity comes once; junk, no address and no identity are left out.
        QCOMPARE(names.count("Duplicate FM"), 2);
        QVERIFY(!names.contains("No Address"));
        QVERIFY(!names.contains("No Identity"));
        QVERIFY(names.contains(QString::fromUtf8("إذاعة القرآن الكريم")));
        QVERIFY(names.contains(QString::fromUtf8("สถานีวิทยุ 🎵 ไทย")));
        QVERIFY(names.contains("Only Name And Url"));
        for (const OnlineStation& station : stations) {
            QVERIFY(station.name.size() <= OnlineStation::kMaxTextLength);
            QVERIFY(station.toPreset().genre.size() < 120);
        }
    }

    void resultsHoldEachStationOnceAndHideBroken() {
        RadioBrowserClient* client = newClient(this, {server("ok", "mess")});
        OnlineDirectory directory(client);
        QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
        directory.search({});
        QVERIFY(added.wait(30000));
        QStringList titles;
        for (int row = 0; row < directory.count(); ++row)
            titles.append(directory.preset(row)->title);
        // The same identity twice and another identity with the same address: one row.
        QCOMPARE(titles.count("Duplicate FM"), 1);
        QVERIFY(!titles.contains("Broken Station"));

        RadioBrowserClient::StationQuery withBroken;
        withBroken.hideBroken = false;
        directory.search(withBroken);
        QVERIFY(added.wait(30000));
        bool broken = false;
        for (int row = 0; row < directory.count(); ++row)
            broken = broken || directory.preset(row)->title == "Broken Station";
        QVERIFY(broken);
    }

    void pagesFollowEachOtherToTheEnd() {
        RadioBrowserClient* client = newClient(this, {server("ok", "120")});
        OnlineDirectory directory(client);
        QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
        RadioBrowserClient::StationQuery query;
        query.hideBroken = false;
        directory.search(query);
        QVERIFY(added.wait(30000));
        QCOMPARE(directory.count(), OnlineDirectory::kPageSize);
        QVERIFY(directory.canFetchMore());
        directory.fetchMore();
        directory.fetchMore(); // while a page is on its way, no second one is asked for
        QVERIFY(added.wait(30000));
        QCOMPARE(directory.count(), 2 * OnlineDirectory::kPageSize);
        directory.fetchMore();
        QVERIFY(added.wait(30000));
        QCOMPARE(directory.count(), 120);
        QVERIFY(!directory.canFetchMore());
        QCOMPARE(directory.preset(119)->title, QStringLiteral("Station 119 Oldies"));
    }

    void failsOverToTheNextServer_data() {
        QTest::addColumn<QString>("behaviour");
        QTest::newRow("503") << "503";
        QTest::newRow("html instead of json") << "html";
        QTest::newRow("stalling") << "hang";
    }

    void failsOverToTheNextServer() {
        QFETCH(QString, behaviour);
        RadioBrowserClient* client =
            newClient(this, {server(behaviour, "mess"), server("ok", "mess")});
        client->setTimeoutMs(500);
        RadioBrowserClient::StationQuery query;
        query.name = QStringLiteral("Only Name");
        const QList<OnlineStation> stations = searchAll(client, query);
        QCOMPARE(stations.size(), 1);
        QCOMPARE(stations.first().name, QStringLiteral("Only Name And Url"));
    }

    void failureSaysWhy_data() {
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<RadioBrowserClient::Failure>("failure");
        QTest::newRow("nothing listens")
            << QStringList{"http://127.0.0.1:1"} << RadioBrowserClient::Failure::Offline;
        QTest::newRow("all broken")
            << QStringList{server("503", "1"), server("html", "1"), server("hang", "1")}
            << RadioBrowserClient::Failure::NotAnswering;
    }

    void failureSaysWhy() {
        QFETCH(QStringList, servers);
        RadioBrowserClient* client = newClient(this, servers);
        client->setTimeoutMs(500);
        OnlineDirectory directory(client);
        QSignalSpy state(&directory, &OnlineDirectory::signal_StateChanged);
        directory.search({});
        QFETCH(RadioBrowserClient::Failure, failure);
        const OnlineDirectory::State expected = failure == RadioBrowserClient::Failure::Offline
                                                    ? OnlineDirectory::State::Offline
                                                    : OnlineDirectory::State::NotAnswering;
        QVERIFY(QTest::qWaitFor([&] { return directory.state() == expected; }, 60000));
        QVERIFY(!directory.stateText().isEmpty());
        QVERIFY(!directory.canFetchMore());
    }

    void hugeAnswerGivesOnePage() {
        RadioBrowserClient* client = newClient(this, {server("huge", "1")});
        OnlineDirectory directory(client);
        QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
        directory.search({});
        QVERIFY(added.wait(60000));
        QCOMPARE(directory.count(), OnlineDirectory::kPageSize);
    }

    void countriesAndTagsWithCounts() {
        RadioBrowserClient* client = newClient(this, {server("ok", "100")});
        OnlineDirectory directory(client);
        QSignalSpy filters(&directory, &OnlineDirectory::signal_FiltersChanged);
        directory.loadFilters();
        QVERIFY(QTest::qWaitFor([&] { return filters.size() == 2; }, 30000));
        QStringList countries;
        for (const auto& country : directory.countries()) {
            countries.append(country.name);
            QCOMPARE(country.stationCount, 10);
        }
        QVERIFY(countries.contains("UK"));
        QVERIFY(countries.contains("USA"));
        QVERIFY(countries.contains("Nowhere")); // unknown code: the server's own name
        QVERIFY(!directory.tags().isEmpty());
        QVERIFY(directory.tags().first().stationCount >= directory.tags().last().stationCount);
        QVERIFY(directory.tags().last().stationCount > 0);
    }

    void playingSendsOneClickAsQuillowave() {
        RadioBrowserClient* client = newClient(this, {server("ok", "play")});
        OnlineDirectory directory(client);
        QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
        directory.search({});
        QVERIFY(added.wait(30000));
        QVERIFY(directory.count() >= 1);
        const QByteArray click = "/json/url/" + directory.station(0)->uuid.toUtf8() + " agent=";
        const qsizetype before = requestLog().count(click);
        QSignalSpy clicked(client, &RadioBrowserClient::signal_Clicked);
        QVERIFY(directory.countPlay(directory.preset(0)));
        QVERIFY(clicked.wait(30000));
        QVERIFY(clicked.first().at(1).toBool());
        QCOMPARE(requestLog().count(click), before + 1);
        QVERIFY(requestLog().contains(click + "Quillowave/1.40.1\n"));
        Preset notListed;
        QVERIFY(!directory.countPlay(&notListed));

        QSignalSpy voted(client, &RadioBrowserClient::signal_Voted);
        client->vote(directory.station(0)->uuid);
        QVERIFY(voted.wait(30000));
        QVERIFY(voted.first().at(1).toBool());
        QCOMPARE(voted.first().at(2).toString(), QStringLiteral("voted for station successfully"));
    }
};

QTEST_MAIN(TestRadioBrowserClient)
#include "tst_radiobrowserclient.moc"
