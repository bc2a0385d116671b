// Reading and writing station-list files: the directory forms (gzip XML, .qwd, plain XML), the
// personal lists, the group and country rules, and every failure the reader reports.
#include "app/appsettings.h"
#include "stationdump.h"
#include "stations/bramblerstations.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

namespace {

// A list of the favourites or history kind: the reader's personal mode.
class PersonalList : public BramblerStations {
public:
    bool isPersonal() const override { return true; }
};

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

QByteArray gzipBytes(const QByteArray& data) {
    QByteArray out(static_cast<int>(compressBound(data.size())) + 64, Qt::Uninitialized);
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(static_cast<qsizetype>(zs.total_out));
    deflateEnd(&zs);
    return out;
}

} // namespace

class TestPresetsFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
    }

    void directoryTree_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("messages");

        QTest::newRow("region, country, state")
            << kDecl + "<Quillowave version='7'><Group title='America'>\n"
                       "               <Group title='USA'><Group title='Texas (TX)'><Station "
                       "title='A'><Source>http://a/</Source>\n"
                       "               </Station></Group></Group></Group></Quillowave>"
            << QStringList{"G America k2 -", "G America/USA k3 f", "G America/USA/Texas k0 -",
                           "S A c=USA f http://a/"}
            << 0;
        QTest::newRow("Georgia under USA is a state, under a region a country")
            << kDecl + "<Quillowave><Group title='America'><Group title='USA'>\n"
                       "               <Group title='Georgia'><Station "
                       "title='Atlanta'><Source>http://atl/</Source>\n"
                       "               </Station></Group></Group></Group><Group "
                       "title='Asia'><Group title='Georgia'>\n"
                       "               <Station "
                       "title='Tbilisi'><Source>http://tb/</Source></Station></Group></Group>\n"
                       "               </Quillowave>"
            << QStringList{"G America k2 -",
                           "G America/USA k3 f",
                           "G America/USA/Georgia k0 -",
                           "S Atlanta c=USA f http://atl/",
                           "G Asia k2 -",
                           "G Asia/Georgia k3 f",
                           "S Tbilisi c=Georgia f http://tb/"}
            << 0;
        QTest::newRow("top-level groups are never countries")
            << kDecl + "<Quillowave><Group title='France'><Station title='F'>\n"
                       "               <Source>http://f/</Source></Station></Group></Quillowave>"
            << QStringList{"G France k2 -", "S F c= - http://f/"} << 0;
        QTest::newRow("Zambia is a country")
            << kDecl + "<Quillowave><Group title='Africa'><Group title='Zambia'>\n"
                       "               <Station "
                       "title='Z'><Source>http://z/</Source></Station></Group></Group></Quillowave>"
            << QStringList{"G Africa k2 -", "G Africa/Zambia k3 f", "S Z c=Zambia f http://z/"}
            << 0;
        QTest::newRow("genre group below a region clears the country")
            << kDecl + "<Quillowave><Group title='Europe'><Group title='Germany'>\n"
                       "               <Station "
                       "title='D'><Source>http://d/</Source></Station></Group>\n"
                       "               <Group title='Jazz Channels'><Station "
                       "title='J'><Source>http://j/</Source></Station>\n"
                       "               </Group></Group></Quillowave>"
            << QStringList{"G Europe k2 -", "G Europe/Germany k3 f", "S D c=Germany f http://d/",
                           "G Europe/Jazz Channels k0 -", "S J c= - http://j/"}
            << 0;
        QTest::newRow("parenthesised country title")
            << kDecl + "<Quillowave><Group title='Europe'><Group title='Austria (Österreich)'>\n"
                       "               <Station "
                       "title='O'><Source>http://o/</Source></Station></Group></Group></Quillowave>"
            << QStringList{"G Europe k2 -", "G Europe/Austria k3 f",
                           "S O c=Austria (Österreich) f http://o/"}
            << 0;
        QTest::newRow("stations outside groups make Root")
            << kDecl + "<Quillowave><Station title='Loose'><Source>http://l/</Source></Station>\n"
                       "               <Group title='Later'><Station "
                       "title='In'><Source>http://i/</Source></Station>\n"
                       "               </Group></Quillowave>"
            << QStringList{"G Root k1 -", "S Loose c= - http://l/", "G Root/Later k0 -",
                           "S In c= - http://i/"}
            << 0;
        QTest::newRow("sources: lines, commas, blanks, duplicates")
            << kDecl + "<Quillowave><Group title=\"G\"><Station title=\"M\">"
                       "<Source>http://a/\nhttp://b/</Source><Source>http://c/, http://d/</Source>"
                       "<Source>http://a/</Source><Source></Source></Station></Group></Quillowave>"
            << QStringList{"G G k2 -", "S M c= - http://a/ http://b/ http://c/ http://d/"} << 0;
        QTest::newRow("no declaration: no root check")
            << QByteArray(
                   "<Whatever><Group title='G'><Station title='S'><Source>http://s/</Source>\n"
                   "               </Station></Group></Whatever>")
            << QStringList{"G G k2 -", "S S c= - http://s/"} << 0;
        QTest::newRow("wrong root stops reading")
            << kDecl + "<Presets version='9'><Group title='G'><Station title='S'>\n"
                       "               <Source>http://s/</Source></Station></Group></Presets>"
            << QStringList{} << 1;
        QTest::newRow("malformed: what was read stays")
            << kDecl +
                   "<Quillowave><Group title='G'><Station title='Good'><Source>http://g/</Source>\n"
                   "               </Station><Station "
                   "title='Cut'><Source>http://c/</Source></Group></Quillowave>"
            << QStringList{"G G k2 -", "S Good c= - http://g/"} << 1;
        QTest::newRow("station without source stays")
            << kDecl + "<Quillowave><Group title='G'><Station title='Silent'/></Group></Quillowave>"
            << QStringList{"G G k2 -", "S Silent c= - "} << 0;
    }

    void directoryTree() {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, expected);
        QFETCH(int, messages);

        BramblerStations list;
        list.setInteractive(false);
        list.load(writeFile(QStringLiteral("tree.xml"), xml));
        QCOMPARE(dumpStations(list), expected);
        QCOMPARE(list.messages().size(), messages);
    }

    void rootCheckSetsVersionOnlyWithDeclaration() {
        BramblerStations list;
        list.setInteractive(false);
        list.version = 3;
        list.load(writeFile(QStringLiteral("nodecl.xml"), "<Quillowave version='9'/>"));
        QCOMPARE(list.version, 3);
        list.load(writeFile(QStringLiteral("decl.xml"), kDecl + "<Quillowave version='9'/>"));
        QCOMPARE(list.version, 9);
        QVERIFY(list.messages().isEmpty());
    }

    void wrongRootMessage() {
        BramblerStations list;
        list.setInteractive(false);
        list.load(writeFile(QStringLiteral("bad.xml"), kDecl + "<Other/>"));
        QCOMPARE(list.messages(),
                 QStringList{"Presets file is invalid. Please update your presets file."});
    }

    void indexesAndLists() {
        BramblerStations list;
        list.setInteractive(false);
        list.load(writeFile(QStringLiteral("idx.xml"),
                            kDecl + "<Quillowave>\n"
                                    "            "
                                    "<genre>Jazz</genre><genre>Jazz</genre><ethnic>Fado</"
                                    "ethnic><network>NPR</network>\n"
                                    "            <Group title='Europe'><Group title='Portugal'>\n"
                                    "            <Station title='One' "
                                    "genre='Fado'><Source>http://same/</Source></Station>\n"
                                    "            <Station title='Two' "
                                    "genre='Pop'><Source>http://same/</Source></Station>\n"
                                    "            </Group></Group></Quillowave>"));
        QCOMPARE(list.genres, (QStringList{"Jazz", "Jazz"}));
        QCOMPARE(list.ethnicGenres, QStringList{"Fado"});
        QCOMPARE(list.networks, QStringList{"NPR"});
        QCOMPARE(list.countries.keys(), QStringList{"Portugal"});
        QCOMPARE(list.genreNames.keys(), (QStringList{"Fado", "Pop"}));
        // Same addresses give the same key: both records stay, the later one owns the indexes.
        QCOMPARE(list.allPresets.size(), 2);
        QCOMPARE(list.byId.size(), 1);
        QCOMPARE(list.byId.cbegin().value()->title, QStringLiteral("Two"));
        QCOMPARE(list.byUrl.value("http://same/")->title, QStringLiteral("Two"));
        QCOMPARE(list.topGroups.first()->children.first()->stationCount, 2);
    }

    void loadAddsToWhatIsThere() {
        BramblerStations list;
        list.setInteractive(false);
        const QString path = writeFile(
            QStringLiteral("twice.xml"),
            kDecl + "<Quillowave><genre>Rock</genre><Group title='G'>\n"
                    "            <Station "
                    "title='S'><Source>http://s/</Source></Station></Group></Quillowave>");
        list.load(path);
        list.load(path);
        QCOMPARE(list.allPresets.size(), 2);
        QCOMPARE(list.topGroups.size(), 2);
        QCOMPARE(list.genres, QStringList{"Rock"});
    }

    void gzipForms_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("stations");
        QTest::addColumn<bool>("inflates");

        const QByteArray xml =
            kDecl + "<Quillowave version='4'><Group title='G'>\n"
                    "            <Station "
                    "title='S'><Source>http://s/</Source></Station></Group></Quillowave>";
        const QByteArray gz = gzipBytes(xml);
        QByteArray corrupt = gz;
        for (qsizetype i = 12; i < corrupt.size() - 8; ++i)
            corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5a);

        QTest::newRow("valid") << gz << 1 << true;
        QTest::newRow("bytes after the member are ignored") << gz + "trailing junk" << 1 << true;
        QTest::newRow("truncated") << gz.left(gz.size() / 2) << 0 << false;
        QTest::newRow("corrupt") << corrupt << 0 << false;
        QTest::newRow("not gzip at all") << xml << 0 << false;
        QTest::newRow("empty file") << QByteArray() << 0 << false;
    }

    void gzipForms() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, stations);
        QFETCH(bool, inflates);

        const QString path = writeFile(QStringLiteral("d.xml.gz"), bytes);
        QByteArray out;
        QCOMPARE(BramblerStations::gunzipFile(path, out), inflates);

        BramblerStations list;
        list.setInteractive(false);
        list.load(path);
        QCOMPARE(list.allPresets.size(), stations);
        QCOMPARE(list.messages().size(), inflates ? 0 : 1);
        if (!inflates)
            QVERIFY(list.messages().first().startsWith("Failed to load presets.\n" + path));
    }

    void gzipLargerThanOneBlock() {
        // Many blocks in and out: the inflater must carry state across 256 KiB reads.
        QByteArray xml = kDecl + "<Quillowave version=\"2\"><Group title=\"G\">";
        for (int i = 0; i < 6000; ++i) {
            xml += QStringLiteral("<Station title=\"Station %1\" comment=\"%2\"><Source>http://h/%1"
                                  "</Source></Station>\n")
                       .arg(i)
                       .arg(QString::number(qHash(i), 36).repeated(8))
                       .toUtf8();
        }
        xml += "</Group></Quillowave>";
        QVERIFY(xml.size() > 3 * 0x40000);
        const QString path = writeFile(QStringLiteral("big.xml.gz"), gzipBytes(xml));
        QByteArray out;
        QVERIFY(BramblerStations::gunzipFile(path, out));
        QCOMPARE(out, xml);
    }

    void compressedForm() {
        const QByteArray xml = kDecl + "<Quillowave version='12'><Group title='Europe'>\n"
                                       "            <Group title='Norway'><Station "
                                       "title='P1'><Source>http://p1/</Source></Station>\n"
                                       "            </Group></Group></Quillowave>";
        const QString in = writeFile(QStringLiteral("src.xml"), xml);
        const QString out = m_dir.filePath(QStringLiteral("out.qwd"));
        BramblerStations tool;
        tool.setInteractive(false);
        tool.compressPresets(in, out);
        QCOMPARE(tool.messages(), QStringList{"Presets Compressed"});

        BramblerStations list;
        list.setInteractive(false);
        list.load(out);
        QCOMPARE(list.version, 12);
        QCOMPARE(dumpStations(list), (QStringList{"G Europe k2 -", "G Europe/Norway k3 f",
                                                  "S P1 c=Norway f http://p1/"}));

        tool.compressPresets(m_dir.filePath(QStringLiteral("absent.xml")), out);
        QCOMPARE(tool.messages().last(), QStringLiteral("Failed to open input file"));
        tool.compressPresets(in, m_dir.filePath(QStringLiteral("no/such/dir/x.qwd")));
        QCOMPARE(tool.messages().last(), QStringLiteral("Failed to create output file"));
    }

    void missingAndEmptyFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("messageStart");

        QTest::newRow("missing plain") << "none.xml" << false << "Failed to open presets file.\n";
        QTest::newRow("missing gzip") << "none.xml.gz" << false << "Failed to load presets.\n";
        QTest::newRow("missing qwd") << "none.qwd" << false << "";
        QTest::newRow("empty plain") << "empty.xml" << true << "Failed to load presets.\n";
        QTest::newRow("empty qwd") << "empty.qwd" << true << "Failed to load presets.\n";
    }

    void missingAndEmptyFiles() {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(QString, messageStart);

        const QString path = exists ? writeFile(name, QByteArray()) : m_dir.filePath(name);
        BramblerStations list;
        list.setInteractive(false);
        list.version = 5;
        list.load(path);
        QVERIFY(list.allPresets.isEmpty());
        QCOMPARE(list.version, 5);
        if (messageStart.isEmpty()) {
            QVERIFY(list.messages().isEmpty());
        } else {
            QCOMPARE(list.messages().size(), 1);
            QVERIFY2(list.messages().first().startsWith(messageStart),
                     qPrintable(list.messages().first()));
        }
    }

    void personalMode_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("messages");

        QTest::newRow("other program with bare ampersand")
            << QByteArray("<?xml version=\"1.0\"?>\n<Brambler version=\"Brambler Radio Favorites\">"
                          "<Group title=\"Rock & Roll\"><Station title=\"Tom & Jerry &amp; Co\">"
                          "<Source>http://x/?a=1&b=2</Source></Station></Group></Brambler>")
            << QStringList{"Tom & Jerry & Co"} << 0;
        QTest::newRow("other program with an entity shows it literally")
            << QByteArray("<Brambler version=\"Brambler Radio Favorites\"><Group title=\"G\">"
                          "<Station title=\"A &lt; B\"><Source>http://x/</Source></Station>"
                          "</Group></Brambler>")
            << QStringList{"A &lt; B"} << 0;
        QTest::newRow("own file keeps entities")
            << QByteArray("<?xml version=\"1.0\"?>\n<Quillowave><Group title=\"G\">"
                          "<Station title=\"A &lt; B\"><Source>http://x/</Source></Station>"
                          "</Group></Quillowave>")
            << QStringList{"A < B"} << 0;
        QTest::newRow("bare ampersand in own file is an error")
            << QByteArray("<Quillowave><Group title=\"G\"><Station title=\"A\">"
                          "<Source>http://x/</Source></Station><Station title=\"B & C\">"
                          "</Station></Group></Quillowave>")
            << QStringList{"A"} << 1;
        QTest::newRow("empty file is silent") << QByteArray() << QStringList{} << 0;
    }

    void personalMode() {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, titles);
        QFETCH(int, messages);

        PersonalList list;
        list.setInteractive(false);
        list.load(writeFile(QStringLiteral("fav.xml"), xml));
        QStringList got;
        for (const auto& p : std::as_const(list.allPresets)) {
            got << p->title;
            QVERIFY(p->personal);
            QCOMPARE(p->groupNameText(), p->group->name);
        }
        QCOMPARE(got, titles);
        QCOMPARE(list.messages().size(), messages);
        if (messages)
            QVERIFY(list.messages().first().startsWith("Failed to load favorites.\n"));
    }

    void personalRoundTrip() {
        const QByteArray xml =
            "<Quillowave>\n"
            "            <Group title='Morning'><Station title='One' genre='News' "
            "url='http://one.example/'\n"
            "              KeyPadNum='3' "
            "SplitDelay='7'><Source>http://one/a</Source><Source>http://one/b</Source>\n"
            "            </Station><Station "
            "title='Two'><Source>http://two/</Source></Station></Group>\n"
            "            <Group title='Night'><Station title='One' "
            "genre='News'><Source>http://one/a</Source>\n"
            "            </Station><Group title='Inner'><Station "
            "title='Deep'><Source>http://deep/</Source>\n"
            "            </Station></Group></Group></Quillowave>";
        PersonalList first;
        first.setInteractive(false);
        first.load(writeFile(QStringLiteral("personal.xml"), xml));
        QCOMPARE(first.allPresets.size(), 4);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        first.write(&buffer);
        buffer.close();

        PersonalList second;
        second.setInteractive(false);
        second.load(writeFile(QStringLiteral("personal2.xml"), buffer.data()));
        QVERIFY(second.messages().isEmpty());
        QCOMPARE(second.allPresets.size(), first.allPresets.size());
        for (qsizetype i = 0; i < first.allPresets.size(); ++i) {
            const Preset& a = *first.allPresets.at(i);
            const Preset& b = *second.allPresets.at(i);
            QCOMPARE(b.title, a.title);
            QCOMPARE(b.genre, a.genre);
            QCOMPARE(b.website, a.website);
            QCOMPARE(b.sources, a.sources);
            QCOMPARE(b.keyPadNum, a.keyPadNum);
            QCOMPARE(b.splitDelay, a.splitDelay);
            QCOMPARE(b.groupNameText(), a.groupNameText());
            QCOMPARE(b.id, a.id);
        }
        // The same station in two groups has two keys in a personal list.
        QVERIFY(first.allPresets.at(0)->id != first.allPresets.at(2)->id);
        // Sub-groups are written after their parent, at the same level.
        QCOMPARE(dumpStations(second).filter(QStringLiteral("G ")),
                 (QStringList{"G Morning k2 -", "G Night k2 -", "G Inner k2 -"}));
    }

    void writeGroupsSkipsRemovedStations() {
        PersonalList list;
        list.setInteractive(false);
        list.load(writeFile(QStringLiteral("rm.xml"),
                            "<Quillowave>\n"
                            "            <Group title='Gone'><Station "
                            "title='A'><Source>http://a/</Source></Station>\n"
                            "            <Group title='Child'><Station "
                            "title='B'><Source>http://b/</Source></Station></Group>\n"
                            "            </Group><Group title='Kept'><Station "
                            "title='C'><Source>http://c/</Source></Station>\n"
                            "            <Station "
                            "title='D'><Source>http://d/</Source></Station></Group></Quillowave>"));
        QCOMPARE(list.allPresets.size(), 4);
        list.removePreset(list.allPresets.at(0).get());
        list.removePreset(list.allPresets.at(2).get());

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        list.write(&buffer);
        const QByteArray text = buffer.data();
        QVERIFY(!text.contains("Gone"));
        QVERIFY(!text.contains("Child"));
        QVERIFY(text.contains("<Group title=\"Kept\">"));
        QVERIFY(text.contains("title=\"C\""));
        QVERIFY(!text.contains("title=\"D\""));
        QVERIFY(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Quillowave>"));
    }

    void exportText() {
        BramblerStations list;
        list.setInteractive(false);
        list.load(writeFile(
            QStringLiteral("export.xml"),
            kDecl +
                "<Quillowave>\n"
                "            <Group title='America'><Group title='USA'><Group title='Ohio'>\n"
                "            <Station title='O' genre='Rock' "
                "url='http://o.example/'><Source>http://o/1\n"
                "http://o/2</Source></Station></Group></Group></Group>\n"
                "            <Group title='Europe'><Group title='Spain'><Station title='E' "
                "genre='Pop'>\n"
                "            <Source>http://e/</Source></Station></Group></Group></Quillowave>"));
        list.exportPresets();
        const QString path = AppSettings::instance()->dataFilePath(QStringLiteral("presets.txt"));
        QCOMPARE(list.messages(), QStringList{path + "\n\nPresets Exported"});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 QStringLiteral("O|USA|Ohio|Rock|http://o.example/|http://o/1\thttp://o/2\n"
                                "E|Spain||Pop||http://e/\n"));
    }
};

QTEST_MAIN(TestPresetsFile)
#include "tst_presetsfile.moc"
