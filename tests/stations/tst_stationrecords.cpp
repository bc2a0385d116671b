// The station record, the group tree, the flag lookup and the container's own operations.
#include "settings/appsettings.h"
#include "stations/countryflags.h"
#include "stations/lazyiconengine.h"
#include "stations/radiostations.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// A language that names one country differently; Qt asks it for every translation.
class CountryTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* = nullptr,
                      int = -1) const override {
        if (QByteArray(context) == "Countries" && QByteArray(source) == "Germany")
            return QStringLiteral("Deutschland");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

// A small directory: Europe > Germany > Bavaria, and a record outside any group.
struct SearchSample {
    RadioStations list;
    Group europe;
    Group germany;
    Group bavaria;

    SearchSample() {
        list.setInteractive(false);
        europe.name = QStringLiteral("Europe");
        germany.name = QStringLiteral("Germany");
        germany.parent = &europe;
        bavaria.name = QStringLiteral("Bavaria");
        bavaria.parent = &germany;
        add(&germany, "ROCK ANTENNE", "Rock", "", "");
        add(&germany, "Pop Welle", "Pop", "", "Berlin");
        add(&bavaria, "Alpen Tower", "Scanner", "Bayern", "M\u00fcnchen");
        // The Kelvin sign folds to a plain k.
        add(&bavaria, "\u212aultur", "Klassik", "", "");
        add(nullptr, "Loose Weather Radio", "News", "", "Bern");
    }

    Preset* add(Group* g, const char* title, const char* genre, const char* state,
                const char* city) {
        auto* p = new Preset;
        p->title = QString::fromUtf8(title);
        p->genre = QString::fromUtf8(genre);
        p->state = QString::fromUtf8(state);
        p->city = QString::fromUtf8(city);
        if (g)
            p->country = QStringLiteral("Germany");
        p->addSource(QStringLiteral("http://127.0.0.1/%1").arg(list.allPresets.size()));
        p->computeId(false);
        list.addPreset(p->id, p);
        p->group = g;
        if (g)
            p->groupName = g->name;
        return p;
    }

    QStringList search(const QString& text) {
        QList<Preset*> out;
        list.search(text, out);
        QStringList titles;
        for (const Preset* p : std::as_const(out))
            titles << p->title;
        return titles;
    }

    // The same text tested record by record.
    QStringList matchEach(const QString& text, bool hideInformation) const {
        QList<Preset*> out;
        for (const auto& p : list.allPresets)
            list.matchPreset(p.get(), text, out, hideInformation);
        QStringList titles;
        for (const Preset* p : std::as_const(out))
            titles << p->title;
        return titles;
    }
};

} // namespace

class TestStationRecords : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static Preset* makePreset(const QString& title, const QString& url) {
        auto* p = new Preset;
        p->title = title;
        p->addSource(url);
        p->computeId(false);
        return p;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
    }

    void addSource_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("sources");

        QTest::newRow("one") << QStringList{"http://a/"} << QStringList{"http://a/"};
        QTest::newRow("line feeds")
            << QStringList{"http://a/\nhttp://b/"} << QStringList{"http://a/", "http://b/"};
        QTest::newRow("line feeds win over commas") << QStringList{"http://a/?x=1,2\nhttp://b/"}
                                                    << QStringList{"http://a/?x=1,2", "http://b/"};
        QTest::newRow("commas, blank, repeat") << QStringList{"http://a/, http://b/,http://a/"}
                                               << QStringList{"http://a/", "http://b/"};
        QTest::newRow("empty parts skipped")
            << QStringList{"\nhttp://a/\n\n"} << QStringList{"http://a/"};
        QTest::newRow("repeat across calls") << QStringList{"http://a/", "http://b/", "http://a/"}
                                             << QStringList{"http://a/", "http://b/"};
        // The presence test looks at the untrimmed part, so a blank-led repeat gets in again.
        QTest::newRow("blank-led repeat") << QStringList{"http://a/", " http://a/,x"}
                                          << QStringList{"http://a/", "http://a/", "x"};
        QTest::newRow("empty text") << QStringList{""} << QStringList{};
    }

    void addSource() {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, sources);
        Preset p;
        for (const QString& t : texts)
            p.addSource(t);
        QCOMPARE(p.sources, sources);
        QCOMPARE(p.firstUrl, sources.value(0));
    }

    void playlistUrls() {
        Preset p;
        p.addSource(QStringLiteral("http://list/pls,http://direct/"));
        p.addPlaylistUrl(QStringLiteral("not an address"));
        QVERIFY(!p.playlistUrls);
        QCOMPARE(p.firstUrl, QStringLiteral("http://list/pls"));
        QVERIFY(p.isOnLastPlaylistUrl());

        p.addPlaylistUrl(QStringLiteral("http://s1/"));
        QCOMPARE(p.firstUrl, QStringLiteral("http://s1/"));
        p.addPlaylistUrl(QStringLiteral("http://direct/"));
        p.addPlaylistUrl(QStringLiteral("http://s1/"));
        QCOMPARE(*p.playlistUrls, (QStringList{"http://s1/", "http://direct/"}));
        QCOMPARE(p.firstUrl, QStringLiteral("http://s1/"));
        QVERIFY(!p.isOnLastPlaylistUrl());
        p.playlistIndex = 1;
        QVERIFY(p.isOnLastPlaylistUrl());

        // First the playing address, then sources not yet named and not from the playlist.
        QCOMPARE(p.joinedSources(QLatin1Char('|')), QStringLiteral("http://s1/|http://list/pls"));

        Preset copy = p;
        copy.playlistUrls->append(QStringLiteral("http://s3/"));
        QCOMPARE(p.playlistUrls->size(), 2);
    }

    void identityKey() {
        Preset a;
        a.title = QStringLiteral("A");
        a.addSource(QStringLiteral("http://x/\nhttp://y/"));
        Preset b = a;
        b.title = QStringLiteral("B");
        a.computeId(false);
        b.computeId(false);
        QCOMPARE(a.id, b.id);
        QCOMPARE(a.id, QString::number(Preset::keyHash("http://x/\nhttp://y/")));

        a.computeId(true);
        b.computeId(true);
        QVERIFY(a.id != b.id);
        QCOMPARE(a.id, QString::number(Preset::keyHash("Ahttp://x/\nhttp://y/")));
        b.title = a.title;
        b.groupName = QStringLiteral("Evening");
        b.computeId(true);
        QVERIFY(a.id != b.id);

        Preset silent;
        silent.computeId(false);
        QVERIFY(silent.isValid());
        QCOMPARE(silent.id, QStringLiteral("0"));
        silent.title = QStringLiteral("Quiet");
        silent.computeId(true);
        QCOMPARE(silent.id, QString::number(Preset::keyHash("Quiet")));
    }

    // The key is the hash of the UTF-8 of its text, however the addresses came in.
    void identityKeyText_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("playlists");
        QTest::addColumn<QByteArray>("keyText");
        QTest::newRow("non-ASCII title and address")
            << QStringLiteral("Радио Ö") << QStringList{QStringLiteral("http://ü.example/ß")}
            << QStringList() << QByteArray("Радио Öhttp://ü.example/ß");
        QTest::newRow("address after a playlist's")
            << QStringLiteral("P") << QStringList{QStringLiteral("http://a/")}
            << QStringList{QStringLiteral("http://list/")}
            << QByteArray("Phttp://list/\nhttp://a/");
        QTest::newRow("playlist address among the sources")
            << QStringLiteral("P")
            << QStringList{QStringLiteral("http://a/"), QStringLiteral("http://list/")}
            << QStringList{QStringLiteral("http://list/")}
            << QByteArray("Phttp://list/\nhttp://a/");
        QTest::newRow("repeated and trimmed addresses")
            << QStringLiteral("T")
            << QStringList{QStringLiteral("http://a/, http://a/"), QStringLiteral(" http://a/")}
            << QStringList() << QByteArray("Thttp://a/");
        QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x8E\xB5")
                                        << QStringList{QStringLiteral("http://b/")}
                                        << QStringList()
                                        << QByteArray("\xF0\x9F\x8E\xB5http://b/");
    }
    void identityKeyText() {
        QFETCH(QString, title);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, playlists);
        QFETCH(QByteArray, keyText);
        Preset p;
        p.title = title;
        for (const QString& source : sources)
            p.addSource(source);
        for (const QString& url : playlists)
            p.addPlaylistUrl(url);
        p.computeId(true);
        QCOMPARE(p.id, QString::number(Preset::keyHash(keyText)));
    }

    void keyHashIsTheClassicByteHash_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("hash");
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("a") << QByteArray("a") << 97u;
        QTest::newRow("ab") << QByteArray("ab") << 1650u;
        // Long enough for the high nibble to fold back in.
        QTest::newRow("address") << QByteArray("http://stream.example.org:8000/live.mp3")
                                 << 263380339u;
        QTest::newRow("utf-8") << QString::fromUtf8("Ö1").toUtf8() << 52369u;
    }

    void keyHashIsTheClassicByteHash() {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, hash);
        QCOMPARE(Preset::keyHash(bytes), hash);
        QVERIFY(Preset::keyHash(bytes) <= 0x0fffffffu);
    }

    void flagLookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("resource");
        QTest::addColumn<bool>("found");

        QTest::newRow("plain") << "France"
                               << "France" << true;
        QTest::newRow("Georgia is the country") << "Georgia"
                                                << "GeorgiaCountry" << true;
        QTest::newRow("suffix") << "Austria (Österreich)"
                                << "Austria" << true;
        QTest::newRow("comma") << "Korea, South"
                               << "Korea" << true;
        QTest::newRow("alias Kazachstan") << "Kazachstan"
                                          << "Kazakhstan" << true;
        QTest::newRow("alias Réunion") << "Réunion"
                                       << "Reunion" << true;
        QTest::newRow("alias Turks") << "Turks-Caicos Islands"
                                     << "Turks and Caicos Islands" << true;
        QTest::newRow("alias Virgin") << "Virgin Islands"
                                      << "Virgin Islands UK" << true;
        QTest::newRow("alias Marianas") << "Northern Marianas"
                                        << "Northern Mariana Islands" << true;
        QTest::newRow("directory spelling USA") << "USA"
                                                << "USA" << true;
        QTest::newRow("directory spelling UK") << "UK"
                                               << "UK" << true;
        QTest::newRow("directory spelling Czech") << "Czech Republic"
                                                  << "Czech Republic" << true;
        QTest::newRow("a genre") << "Jazz"
                                 << "Jazz" << false;
        QTest::newRow("a state") << "Texas"
                                 << "Texas" << false;
        QTest::newRow("case matters") << "france"
                                      << "france" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
    }

    void flagLookup() {
        QFETCH(QString, name);
        QFETCH(QString, resource);
        QFETCH(bool, found);
        QCOMPARE(CountryFlags::resourceName(name), resource);
        const QIcon* icon = CountryFlags::flagIcon(name);
        QCOMPARE(icon != nullptr, found);
        if (icon) {
            QVERIFY(!icon->pixmap(16, 11).isNull());
            QCOMPARE(CountryFlags::flagIcon(name), icon);
        }
    }

    void lazyIcon_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("drawn");
        const QString res = QStringLiteral(":/QuillowaveWindow/Resources/");
        QTest::newRow("flag") << res + "Flags/France.gif" << true;
        QTest::newRow("picture named .ico") << res + "Station.ico" << true;
        QTest::newRow("no such resource") << res + "Flags/Atlantis.gif" << false;
        QTest::newRow("no such file") << m_dir.filePath("missing.png") << false;
        QTest::newRow("not a picture") << m_dir.filePath("text.png") << false;
    }

    void lazyIcon() {
        QFETCH(QString, path);
        QFETCH(bool, drawn);
        CountryFlags::initResources();
        QFile text(m_dir.filePath("text.png"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is no picture\n");
        text.close();

        const QIcon direct(path);
        QIcon lazy = LazyIconEngine::icon(path);
        QCOMPARE(lazy.isNull(), !QFile::exists(path));
        QCOMPARE(lazy.pixmap(16, 16).isNull(), !drawn);
        if (!drawn)
            return;
        // Once read it is the same picture as the file read at once, in every mode and size.
        QCOMPARE(lazy.availableSizes(), direct.availableSizes());
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Selected}) {
            for (const int side : {11, 16, 48}) {
                QCOMPARE(lazy.pixmap(side, side, mode).toImage(),
                         direct.pixmap(side, side, mode).toImage());
            }
        }
        // A copy that changes leaves the original alone.
        QIcon copy = lazy;
        copy.addPixmap(QPixmap(4, 4));
        QCOMPARE(lazy.pixmap(16, 16).toImage(), direct.pixmap(16, 16).toImage());
    }

    void flagTableCoversTheWorld() {
        // Every row of the table became a flag resource, and every country of ISO 3166-1 that
        // has a flag picture has a row.
        QFile table(qEnvironmentVariable("QW_SOURCE_DIR") + "/data/flags/countries.txt");
        QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
        QSet<QString> codes;
        for (const QString& line : QString::fromUtf8(table.readAll()).split('\n')) {
            const QStringList fields = line.split('\t');
            if (line.startsWith('#') || fields.size() != 2)
                continue;
            codes.insert(fields.at(1));
            QVERIFY2(CountryFlags::flagIcon(fields.at(0)), qPrintable(fields.at(0)));
        }
        QFile iso(QStringLiteral("/usr/share/iso-codes/json/iso_3166-1.json"));
        QVERIFY(iso.open(QIODevice::ReadOnly));
        const QJsonArray countries =
            QJsonDocument::fromJson(iso.readAll()).object().value("3166-1").toArray();
        QVERIFY(countries.size() > 240);
        for (const QJsonValue& c : countries) {
            const QString code = c.toObject().value("alpha_2").toString().toLower();
            if (QFile::exists("/usr/share/flags/countries/16x11/" + code + ".gif"))
                QVERIFY2(codes.contains(code), qPrintable(code));
        }
    }

    void resourcesPresent() {
        CountryFlags::initResources();
        for (const char* name :
             {"Station.ico", "Play.png", "Stop.png", "Record.png", "SoundOn.png", "SoundOff.png"}) {
            const QString path = QStringLiteral(":/QuillowaveWindow/Resources/") + name;
            QVERIFY2(!QIcon(path).pixmap(16, 16).isNull(), qPrintable(path));
        }
    }

    void informationStations_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("genre");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("information");
        QTest::newRow("title capitals") << "NOAA WEATHER Radio"
                                        << ""
                                        << "" << true;
        QTest::newRow("genre") << "KX"
                               << "Air Traffic Tower"
                               << "" << true;
        QTest::newRow("group") << "Line 4"
                               << "Scanner"
                               << "Railroads" << true;
        QTest::newRow("music") << "Groove"
                               << "Ambient"
                               << "Chill" << false;
    }

    void informationStations() {
        QFETCH(QString, title);
        QFETCH(QString, genre);
        QFETCH(QString, group);
        QFETCH(bool, information);
        RadioStations list;
        Preset p;
        p.title = title;
        p.genre = genre;
        if (!group.isEmpty())
            p.groupName = group;
        QCOMPARE(list.isInformationStation(p), information);
    }

    void matchPreset_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hideInformation");
        QTest::addColumn<QStringList>("found");

        // Tree: Region "North" > country "Land" > state "Weather Coast" > stations below.
        QTest::newRow("title, any case") << "groove" << false << QStringList{"GROOVE FM"};
        QTest::newRow("genre inside a longer genre") << "jazz" << false << QStringList{"Brass"};
        QTest::newRow("city and state fields") << "harbour" << false << QStringList{"Brass"};
        QTest::newRow("own group name")
            << "coast" << false << QStringList{"GROOVE FM", "Brass", "Storm Line"};
        QTest::newRow("ancestor group name")
            << "north" << false << QStringList{"GROOVE FM", "Brass", "Storm Line"};
        QTest::newRow("information hidden by group") << "coast" << true << QStringList{};
        QTest::newRow("information ancestor hides nothing when off")
            << "weather" << false << QStringList{"GROOVE FM", "Brass", "Storm Line"};
        QTest::newRow("no match") << "polka" << false << QStringList{};
    }

    void matchPreset() {
        QFETCH(QString, text);
        QFETCH(bool, hideInformation);
        QFETCH(QStringList, found);

        Group north, land, coast;
        north.name = QStringLiteral("North");
        land.name = QStringLiteral("Land");
        land.parent = &north;
        coast.name = QStringLiteral("Weather Coast");
        coast.parent = &land;
        Preset a, b, c;
        a.title = QStringLiteral("GROOVE FM");
        a.genre = QStringLiteral("Dance");
        b.title = QStringLiteral("Brass");
        b.genre = QStringLiteral("Smooth Jazz Classics");
        b.city = QStringLiteral("Harbour Town");
        c.title = QStringLiteral("Storm Line");
        c.genre = QStringLiteral("Scanner");
        for (Preset* p : {&a, &b, &c}) {
            p->group = &coast;
            p->groupName = coast.name;
        }

        RadioStations list;
        QList<Preset*> out;
        for (Preset* p : {&a, &b, &c})
            list.matchPreset(p, text, out, hideInformation);
        QStringList titles;
        for (const Preset* p : std::as_const(out))
            titles << p->title;
        QCOMPARE(titles, found);
    }

    void searchAllRecords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hideInformation");
        QTest::addColumn<QStringList>("found");
        const QString kultur = QString::fromUtf8("\u212aultur");

        QTest::newRow("lower case finds capitals")
            << "rock" << false << QStringList{"ROCK ANTENNE"};
        QTest::newRow("city") << "BERLIN" << false << QStringList{"Pop Welle"};
        QTest::newRow("state") << "bayern" << false << QStringList{"Alpen Tower"};
        QTest::newRow("country") << "germ" << false
                                 << QStringList{"ROCK ANTENNE", "Pop Welle", "Alpen Tower", kultur};
        QTest::newRow("translated country")
            << "deutsch" << false
            << QStringList{"ROCK ANTENNE", "Pop Welle", "Alpen Tower", kultur};
        QTest::newRow("ancestor group")
            << "europe" << false << QStringList{"ROCK ANTENNE", "Pop Welle", "Alpen Tower", kultur};
        QTest::newRow("own group") << "varia" << false << QStringList{"Alpen Tower", kultur};
        QTest::newRow("information hidden") << "bayern" << true << QStringList{};
        QTest::newRow("information kept outside a group")
            << "bern" << false << QStringList{"Loose Weather Radio"};
        QTest::newRow("information outside a group hidden") << "bern" << true << QStringList{};
        QTest::newRow("character folding to ascii") << "kult" << false << QStringList{kultur};
        QTest::newRow("text folding to ascii") << kultur.toUpper() << false << QStringList{kultur};
        QTest::newRow("not across two fields") << "rockrock" << false << QStringList{};
        QTest::newRow("not across title and genre") << "antenne rock" << false << QStringList{};
        QTest::newRow("last characters of a field") << "welle" << false << QStringList{"Pop Welle"};
        QTest::newRow("non-ascii text")
            << QString::fromUtf8("MÜN") << false << QStringList{"Alpen Tower"};
        QTest::newRow("umlaut is no plain letter") << "munchen" << false << QStringList{};
        QTest::newRow("empty text finds all")
            << "" << false
            << QStringList{"ROCK ANTENNE", "Pop Welle", "Alpen Tower", kultur,
                           "Loose Weather Radio"};
        QTest::newRow("nothing") << "polka" << false << QStringList{};
    }

    void searchAllRecords() {
        QFETCH(QString, text);
        QFETCH(bool, hideInformation);
        QFETCH(QStringList, found);
        CountryTranslator translator;
        QCoreApplication::installTranslator(&translator);
        AppSettings::instance()->setDoNotShowInfoStations(hideInformation);
        SearchSample sample;
        QCOMPARE(sample.matchEach(text, hideInformation), found);
        // The first search folds the records as it goes, later ones read what it kept.
        QCOMPARE(sample.search(text), found);
        QCOMPARE(sample.search(text), found);
        AppSettings::instance()->setDoNotShowInfoStations(false);
        QCoreApplication::removeTranslator(&translator);
    }

    void searchSeesChangedRecords() {
        SearchSample sample;
        QCOMPARE(sample.search("rock"), QStringList{"ROCK ANTENNE"});
        Preset* rock = sample.list.allPresets.at(0).get();
        Preset* pop = sample.list.allPresets.at(1).get();

        // A field reassigned, and one edited in place.
        pop->city = QStringLiteral("Rockenhausen");
        rock->title[0] = u'D';
        QCOMPARE(sample.search("rock"), (QStringList{"DOCK ANTENNE", "Pop Welle"}));
        QCOMPARE(sample.search("rock"), (QStringList{"DOCK ANTENNE", "Pop Welle"}));
        QCOMPARE(sample.search("dock"), QStringList{"DOCK ANTENNE"});

        // A record that moves to another country and group.
        Group austria;
        austria.name = QStringLiteral("Austria");
        pop->country = QStringLiteral("Austria");
        pop->group = &austria;
        QCOMPARE(sample.search("austria"), QStringList{"Pop Welle"});
        QCOMPARE(sample.search("europe"),
                 (QStringList{"DOCK ANTENNE", "Alpen Tower", QString::fromUtf8("\u212aultur")}));

        // Records added, removed and replaced in place.
        sample.add(&sample.bavaria, "Rock Alm", "Folk", "", "");
        QCOMPARE(sample.search("rock"), (QStringList{"DOCK ANTENNE", "Pop Welle", "Rock Alm"}));
        sample.list.removePreset(pop);
        QCOMPARE(sample.search("rock"), (QStringList{"DOCK ANTENNE", "Rock Alm"}));
        auto replacement = QSharedPointer<Preset>::create(*sample.list.allPresets.at(0));
        replacement->title = QStringLiteral("Rock Again");
        sample.list.allPresets[0] = replacement;
        QCOMPARE(sample.search("rock"), (QStringList{"Rock Again", "Rock Alm"}));
        QCOMPARE(sample.search("antenne"), QStringList{});
        sample.list.clear();
        QCOMPARE(sample.search("rock"), QStringList{});
    }

    void searchFollowsTheLanguage() {
        SearchSample sample;
        QCOMPARE(sample.search("deutsch"), QStringList{});
        CountryTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QCOMPARE(sample.search("deutsch").size(), 4);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(sample.search("deutsch"), QStringList{});
    }

    void indexesAndRemoval() {
        RadioStations list;
        Preset* a = makePreset(QStringLiteral("A"), QStringLiteral("http://a/"));
        Preset* b = makePreset(QStringLiteral("B"), QStringLiteral("http://b/"));
        Preset* a2 = makePreset(QStringLiteral("A again"), QStringLiteral("http://a/"));
        list.addPreset(a->id, a);
        list.addPreset(b->id, b);
        list.addPreset(a2->id, a2);
        list.byUrl.insert(QStringLiteral("http://a/"), a2);

        QList<Preset*> out;
        list.findByPreset(*a, out);
        QCOMPARE(out, QList<Preset*>{a2});
        out.clear();
        list.findByTitle(QStringLiteral("B"), out);
        list.findByTitle(QStringLiteral("b"), out);
        QCOMPARE(out, QList<Preset*>{b});
        out.clear();
        list.findByUrls(*a, out);
        list.findByUrl(QStringLiteral("http://none/"), out);
        QCOMPARE(out, QList<Preset*>{a2});

        list.removePresets({a, b});
        QCOMPARE(list.allPresets.size(), 1);
        QCOMPARE(list.allPresets.first().get(), a2);
        list.clear();
        QVERIFY(list.allPresets.isEmpty() && list.byId.isEmpty() && list.byUrl.isEmpty());
    }

    void randomPreset() {
        RadioStations list;
        Preset out;
        out.title = QStringLiteral("untouched");
        list.randomPreset(out);
        QCOMPARE(out.title, QStringLiteral("untouched"));

        Preset* only = makePreset(QStringLiteral("Only"), QStringLiteral("http://only/"));
        list.addPreset(only->id, only);
        list.randomPreset(out);
        QCOMPARE(out.title, QStringLiteral("Only"));
        QCOMPARE(out.sources, only->sources);
    }

    void stateTables() {
        RadioStations list;
        RadioStations second;
        QCOMPARE(RadioStations::usStates().size(), 51);
        QCOMPARE(RadioStations::canadaStates().size(), 13);
        QCOMPARE(RadioStations::australiaStates().size(), 8);
    }
};

QTEST_MAIN(TestStationRecords)
#include "tst_stationrecords.moc"
