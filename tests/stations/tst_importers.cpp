// The readers of other programs' station lists: the Mirelight text list (".mld") and the
// Ottersongs compressed list (".osd"), their field rules and groupings, and that what they read
// is searched and exported like the own directory.
#include "settings/appsettings.h"
#include "stationdump.h"
#include "stations/countryflags.h"
#include "stations/mirelightstations.h"
#include "stations/ottersongsstations.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

template <typename Reader> class Quiet : public Reader {
public:
    Quiet() { this->setInteractive(false); }
};

QByteArray osdBytes(const QByteArray& text) {
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << qCompress(text);
    return out;
}

} // namespace

class TestImporters : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        CountryFlags::initResources();
    }

    void mirelight_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("all fields, state from the name")
            << QByteArray("KXYZ, TX (Austin)\tNews\tRock\tUSA\tEnglish\thttp://a/1\thttp://a/2\n")
            << QStringList{"G USA k3 f", "G USA/Texas k0 -",
                           "S KXYZ, TX (Austin) c=USA f http://a/1 http://a/2"};
        QTest::newRow("province of Canada, bracket ends it")
            << QByteArray("CBC,ON[talk]\t\t\tCanada\t\thttp://c\n")
            << QStringList{"G Canada k3 f", "G Canada/Ontario k0 -",
                           "S CBC,ON[talk] c=Canada f http://c"};
        QTest::newRow("abbreviation in neither table stays")
            << QByteArray("WQQQ, ZZ\t\t\tUSA\t\thttp://d\n")
            << QStringList{"G USA k3 f", "G USA/ZZ k0 -", "S WQQQ, ZZ c=USA f http://d"};
        QTest::newRow("a comma outside North America makes no state")
            << QByteArray("Radio, TX\t\t\tGermany\t\thttp://e\n")
            << QStringList{"G Germany k3 f", "S Radio, TX c=Germany f http://e"};
        QTest::newRow("dash and empty address fields are skipped")
            << QByteArray("Dash\t\tPop\tFrance\tFrench\t-\t\thttp://f\t-\n")
            << QStringList{"G France k3 f", "S Dash c=France f http://f"};
        QTest::newRow("extra fields are further addresses")
            << QByteArray("Many\t\t\tFrance\t\thttp://1\thttp://2\thttp://3\thttp://4\n")
            << QStringList{"G France k3 f",
                           "S Many c=France f http://1 http://2 http://3 http://4"};
        QTest::newRow("missing tabs leave fields empty, no address still added")
            << QByteArray("Only a name\n") << QStringList{"G Unknown k2 -", "S Only a name c= - "};
        QTest::newRow("empty lines and CR LF")
            << QByteArray(
                   "\r\n\nOne\t\t\tFrance\t\thttp://g\r\n\n\nTwo\t\t\tFrance\t\thttp://h\r\n")
            << QStringList{"G France k3 f", "S One c=France f http://g",
                           "S Two c=France f http://h"};
        QTest::newRow("UTF-8 text")
            << QByteArray("Caf\xc3\xa9 FM\t\t\tFrance\t\thttp://i\n")
            << QStringList{"G France k3 f",
                           QString::fromUtf8("S Caf\xc3\xa9 FM c=France f http://i")};
        QTest::newRow("Latin-1 text")
            << QByteArray("Caf\xe9 FM\t\t\tFrance\t\thttp://i\n")
            << QStringList{"G France k3 f",
                           QString::fromUtf8("S Caf\xc3\xa9 FM c=France f http://i")};
        QTest::newRow("country without a flag is a plain group")
            << QByteArray("X\t\t\tAtlantis\t\thttp://j\n")
            << QStringList{"G Atlantis k2 -", "S X c=Atlantis - http://j"};
        QTest::newRow("empty file") << QByteArray("\n\n") << QStringList{};
    }

    void mirelight() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        Quiet<MirelightStations> list;
        list.load(writeFile(QStringLiteral("list.mld"), text));
        QCOMPARE(dumpStations(list), expected);
        QVERIFY(list.messages().isEmpty());
    }

    void mirelightFields() {
        Quiet<MirelightStations> list;
        list.load(writeFile(QStringLiteral("fields.mld"),
                            "Name\tThe comment\tJazz\tItaly\tItalian\thttp://k\n"));
        QCOMPARE(list.allPresets.size(), 1);
        const Preset& p = *list.allPresets.first();
        QCOMPARE(p.comment, QStringLiteral("The comment"));
        QCOMPARE(p.genre, QStringLiteral("Jazz"));
        QCOMPARE(p.language, QStringLiteral("Italian"));
        QVERIFY(list.genreNames.contains(QStringLiteral("Jazz")));
        QVERIFY(list.countries.contains(QStringLiteral("Italy")));
        QCOMPARE(list.byUrl.value(QStringLiteral("http://k")), list.allPresets.first().get());
        QVERIFY(!p.id.isEmpty());
        QCOMPARE(list.byId.value(p.id), list.allPresets.first().get());
    }

    void mirelightByGenre() {
        Quiet<MirelightStations> list;
        list.groupingMode = ImportedStations::GroupByGenre;
        list.load(writeFile(QStringLiteral("genre.mld"), "A, TX\t\tRock\tUSA\t\thttp://1\n"
                                                         "B\t\tJazz\tFrance\t\thttp://2\n"
                                                         "C\t\tRock\tFrance\t\thttp://3\n"));
        QCOMPARE(dumpStations(list),
                 (QStringList{"G Rock k2 -", "S A, TX c=USA f http://1", "S C c=France f http://3",
                              "G Jazz k2 -", "S B c=France f http://2"}));
        QCOMPARE(list.allPresets.first()->state, QStringLiteral("Texas"));
    }

    void mirelightMissingFile() {
        Quiet<MirelightStations> list;
        list.load(m_dir.filePath(QStringLiteral("absent.mld")));
        QVERIFY(list.allPresets.isEmpty());
        QCOMPARE(list.messages().size(), 1);
        QVERIFY(list.messages().first().startsWith(QStringLiteral("Failed to open presets file")));
    }

    void ottersongs_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("one record, tabs and line feeds alike")
            << QByteArray("k1\tOne\thttp://web\tRock\nGermany\tBerlin\tMitte\thttp://s1\n")
            << QStringList{"G Rock k2 -", "S One c=Germany f http://s1"};
        QTest::newRow("same key twice is one station with two sources")
            << QByteArray("k1\tOne\t\tRock\tFrance\t\t\thttp://s1\n"
                          "k1\tOne\t\tRock\tFrance\t\t\thttp://s2\n"
                          "k2\tTwo\t\tPop\tFrance\t\t\thttp://s3\n")
            << QStringList{"G Rock k2 -", "S One c=France f http://s1 http://s2", "G Pop k2 -",
                           "S Two c=France f http://s3"};
        QTest::newRow("the same key later again is a new station")
            << QByteArray("k1\tA\t\tRock\t\t\t\thttp://1\nk2\tB\t\tRock\t\t\t\thttp://2\n"
                          "k1\tC\t\tRock\t\t\t\thttp://3\n")
            << QStringList{"G Rock k2 -", "S A c= - http://1", "S B c= - http://2",
                           "S C c= - http://3"};
        QTest::newRow("an empty key ends the list")
            << QByteArray("k1\tA\t\tRock\t\t\t\thttp://1\n\tB\t\tRock\t\t\t\thttp://2\n")
            << QStringList{"G Rock k2 -", "S A c= - http://1"};
        QTest::newRow("text after a NUL is not read")
            << QByteArray("k1\tA\t\tRock\t\t\t\thttp://1\n") + QByteArray(1, '\0') +
                   QByteArray("k2\tB\t\tRock\t\t\t\thttp://2\n")
            << QStringList{"G Rock k2 -", "S A c= - http://1"};
        QTest::newRow("a record cut short keeps what it has")
            << QByteArray("k1\tA\t\tRock") << QStringList{"G Rock k2 -", "S A c= - "};
        QTest::newRow("UTF-8 names")
            << QByteArray("k1\tK\xc3\xb6ln Radio\t\tPop\tGermany\t\t\thttp://1\n")
            << QStringList{"G Pop k2 -",
                           QString::fromUtf8("S K\xc3\xb6ln Radio c=Germany f http://1")};
    }

    void ottersongs() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        Quiet<OttersongsStations> list;
        list.groupingMode = ImportedStations::GroupByGenre;
        list.load(writeFile(QStringLiteral("list.osd"), osdBytes(text)));
        QCOMPARE(dumpStations(list), expected);
    }

    void ottersongsFields() {
        Quiet<OttersongsStations> list;
        list.load(
            writeFile(QStringLiteral("fields.osd"),
                      osdBytes("key7\tName\thttp://web\tRock\tUSA\tTexas\tAustin\thttp://s\n")));
        QCOMPARE(list.allPresets.size(), 1);
        const Preset& p = *list.allPresets.first();
        QCOMPARE(p.id, QStringLiteral("key7"));
        QCOMPARE(p.website, QStringLiteral("http://web"));
        QCOMPARE(p.state, QStringLiteral("Texas"));
        QCOMPARE(p.city, QStringLiteral("Austin"));
        QVERIFY(p.flagIcon);
        // By country this list makes no groups.
        QVERIFY(list.topGroups.isEmpty());
    }

    void ottersongsNotCompressed() {
        Quiet<OttersongsStations> list;
        list.load(writeFile(QStringLiteral("plain.osd"), "k1\tA\t\tRock\t\t\t\thttp://1\n"));
        QVERIFY(list.allPresets.isEmpty());
        QVERIFY(list.messages().isEmpty());
    }

    // A list of a few megabytes loads whole, and its stations are found and exported like the
    // own directory's.
    void largeListSearchedAndExported() {
        QByteArray text;
        const int count = 40000;
        for (int i = 0; i < count; ++i) {
            text += "Station number " + QByteArray::number(i) +
                    ", TX (City)\tA long description "
                    "of the station to give the line its usual length\tRock\tUSA\tEnglish\t"
                    "http://stream.example.invalid/" +
                    QByteArray::number(i) + "\t-\n";
        }
        text += "Needle Radio\t\tJazz\tFrance\tFrench\thttp://needle\n";
        QVERIFY(text.size() > 5 * 1000 * 1000);
        Quiet<MirelightStations> list;
        list.load(writeFile(QStringLiteral("large.mld"), text));
        QCOMPARE(list.allPresets.size(), count + 1);

        RadioStations::PresetList found;
        list.search(QStringLiteral("needle"), found);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->title, QStringLiteral("Needle Radio"));

        list.exportPresets();
        QFile exported(AppSettings::instance()->dataFilePath(QStringLiteral("presets.txt")));
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QByteArray lines = exported.readAll();
        QCOMPARE(lines.count('\n'), count + 1);
        QVERIFY(lines.contains("Needle Radio|France||Jazz||http://needle\n"));
        QVERIFY(lines.contains("Station number 7, TX (City)|USA|Texas|Rock||"));
    }
};

QTEST_MAIN(TestImporters)
#include "tst_importers.moc"
