// Reading and writing station-list files: the directory forms (gzip XML, .qwd, plain XML), the
// personal lists, the group and country rules, and every failure the reader reports.
#include "settings/appsettings.h"
#include "stationdump.h"
#include "stations/bramblerstations.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <zlib.h>

namespace {

// A list of the favourites or history kind: the reader's personal mode.
class PersonalList : public BramblerStations {
public:
    PersonalList() { setInteractive(false); }
    bool isPersonal() const override { return true; }
};

class DirectoryList : public BramblerStations {
public:
    DirectoryList() { setInteractive(false); }
};

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Builders for small documents.
QByteArray G(const char* title, const QByteArray& inner) {
    return "<Group title='" + QByteArray(title) + "'>" + inner + "</Group>";
}
QByteArray S(const char* title, const QByteArray& source, const QByteArray& attrs = {}) {
    return "<Station title='" + QByteArray(title) + "' " + attrs + "><Source>" + source +
           "</Source></Station>";
}
QByteArray doc(const QByteArray& body, const QByteArray& root = "Quillowave") {
    return kDecl + "<" + root + " version='7'>" + body + "</" + root + ">";
}

QByteArray gzipBytes(const QByteArray& data) {
    QByteArray out(static_cast<qsizetype>(compressBound(data.size())) + 64, Qt::Uninitialized);
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
        QTest::addColumn<QString>("message");

        QTest::newRow("region, country, state")
            << doc(G("America", G("USA", G("Texas (TX)", S("A", "http://a/")))))
            << QStringList{"G America k2 -", "G America/USA k3 f", "G America/USA/Texas k0 -",
                           "S A c=USA f http://a/"}
            << "";
        QTest::newRow("Georgia: state under USA, country under a region")
            << doc(G("America", G("USA", G("Georgia", S("Atlanta", "http://atl/")))) +
                   G("Asia", G("Georgia", S("Tbilisi", "http://tb/"))))
            << QStringList{"G America k2 -",
                           "G America/USA k3 f",
                           "G America/USA/Georgia k0 -",
                           "S Atlanta c=USA f http://atl/",
                           "G Asia k2 -",
                           "G Asia/Georgia k3 f",
                           "S Tbilisi c=Georgia f http://tb/"}
            << "";
        QTest::newRow("top level is never a country")
            << doc(G("France", S("F", "http://f/")))
            << QStringList{"G France k2 -", "S F c= - http://f/"} << "";
        QTest::newRow("Zambia is a country")
            << doc(G("Africa", G("Zambia", S("Z", "http://z/"))))
            << QStringList{"G Africa k2 -", "G Africa/Zambia k3 f", "S Z c=Zambia f http://z/"}
            << "";
        QTest::newRow("genre group below a region clears the country")
            << doc(G("Europe", G("Germany", S("D", "http://d/")) + G("Jazz", S("J", "http://j/"))))
            << QStringList{"G Europe k2 -", "G Europe/Germany k3 f", "S D c=Germany f http://d/",
                           "G Europe/Jazz k0 -", "S J c= - http://j/"}
            << "";
        QTest::newRow("parenthesised country")
            << doc(G("Europe", G("Austria (Österreich)", S("O", "http://o/"))))
            << QStringList{"G Europe k2 -", "G Europe/Austria k3 f",
                           "S O c=Austria (Österreich) f http://o/"}
            << "";
        QTest::newRow("stations outside groups make Root")
            << doc(S("Loose", "http://l/") + G("Later", S("In", "http://i/")))
            << QStringList{"G Root k1 -", "S Loose c= - http://l/", "G Root/Later k0 -",
                           "S In c= - http://i/"}
            << "";
        QTest::newRow("sources: lines, commas, repeats")
            << doc(G("G", "<Station title='M'><Source>http://a/\nhttp://b/</Source>"
                          "<Source>http://c/, http://d/</Source><Source>http://a/</Source>"
                          "<Source></Source></Station>"))
            << QStringList{"G G k2 -", "S M c= - http://a/ http://b/ http://c/ http://d/"} << "";
        QTest::newRow("station without a source stays")
            << doc(G("G", "<Station title='Silent'/>")) << QStringList{"G G k2 -", "S Silent c= - "}
            << "";
        QTest::newRow("no declaration: no root check")
            << QByteArray("<Whatever>" + G("G", S("S", "http://s/")) + "</Whatever>")
            << QStringList{"G G k2 -", "S S c= - http://s/"} << "";
        QTest::newRow("wrong root stops reading")
            << doc(G("G", S("S", "http://s/")), "Presets") << QStringList{}
            << "Presets file is invalid. Please update your presets file.";
        QTest::newRow("malformed: what was read stays")
            << doc(G("G", S("Good", "http://g/") + "<Station title='Cut'><Source>x</Source>"))
            << QStringList{"G G k2 -", "S Good c= - http://g/"}
            << "Failed to load presets.\nOpening and ending tag mismatch.";
    }

    void directoryTree() {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);

        DirectoryList list;
        list.version = 3;
        list.load(writeFile(QStringLiteral("tree.xml"), xml));
        QCOMPARE(dumpStations(list), expected);
        QCOMPARE(list.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        // The version is taken only from a checked root.
        QCOMPARE(list.version, xml.startsWith(kDecl + "<Quillowave") ? 7 : 3);
    }

    void indexesAndLists() {
        DirectoryList list;
        const QString path = writeFile(
            QStringLiteral("idx.xml"),
            doc("<genre>Jazz</genre><genre>Jazz</genre><ethnic>Fado</ethnic><network>N</network>" +
                G("Europe", G("Portugal", S("One", "http://same/", "genre='Fado'") +
                                              S("Two", "http://same/", "genre='Pop'")))));
        list.load(path);
        QCOMPARE(list.genres, (QStringList{"Jazz", "Jazz"}));
        QCOMPARE(list.ethnicGenres, QStringList{"Fado"});
        QCOMPARE(list.networks, QStringList{"N"});
        QCOMPARE(list.countries.keys(), QStringList{"Portugal"});
        QCOMPARE(list.genreNames.keys(), (QStringList{"Fado", "Pop"}));
        // Same addresses, same key: both records stay, the later one owns the indexes.
        QCOMPARE(list.allPresets.size(), 2);
        QCOMPARE(list.byId.size(), 1);
        QCOMPARE(list.byId.cbegin().value()->title, QStringLiteral("Two"));
        QCOMPARE(list.byUrl.value("http://same/")->title, QStringLiteral("Two"));
        QCOMPARE(list.topGroups.first()->children.first()->stationCount, 2);

        // A second load adds to the list; the name lists start again.
        list.load(path);
        QCOMPARE(list.allPresets.size(), 4);
        QCOMPARE(list.topGroups.size(), 2);
        QCOMPARE(list.genres, (QStringList{"Jazz", "Jazz"}));
    }

    void gzipForms_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("stations");
        QTest::addColumn<QString>("message");

        const QByteArray xml = doc(G("G", S("S", "http://s/")));
        const QByteArray gz = gzipBytes(xml);
        QByteArray corrupt = gz;
        for (qsizetype i = 12; i < corrupt.size() - 8; ++i)
            corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5a);
        const QString unreadable = QStringLiteral("Failed to load presets.\n%1\n\nReason: ");
        const QString cutShort =
            QStringLiteral("Failed to load presets.\nPremature end of document.");

        QTest::newRow("valid") << gz << 1 << "";
        QTest::newRow("bytes after the member are ignored") << gz + "trailing junk" << 1 << "";
        QTest::newRow("corrupt") << corrupt << 0
                                 << unreadable + "The file is not a valid gzip file";
        QTest::newRow("not gzip") << xml << 0 << unreadable + "The file is not a valid gzip file";
        QTest::newRow("header only") << gz.left(10) << 0 << cutShort;
        QTest::newRow("empty file") << QByteArray() << 0 << cutShort;
    }

    void gzipForms() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, stations);
        QFETCH(QString, message);

        const QString path = writeFile(QStringLiteral("d.xml.gz"), bytes);
        DirectoryList list;
        list.load(path);
        QCOMPARE(list.allPresets.size(), stations);
        QCOMPARE(list.messages().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(list.messages().first().startsWith(message.arg(path)),
                     qPrintable(list.messages().first()));
    }

    void gzipAcrossBlocks() {
        // Several 256 KiB blocks in and out: the inflater must carry its state across reads.
        QByteArray xml;
        for (int i = 0; i < 6000; ++i)
            xml += S("Station", "http://h/" + QByteArray::number(i),
                     "comment='" + QByteArray::number(qHash(i), 36).repeated(8) + "'");
        xml = doc(G("G", xml));
        QVERIFY(xml.size() > 3 * 0x40000);
        const QByteArray gz = gzipBytes(xml);
        QByteArray out;
        QVERIFY(BramblerStations::gunzipFile(writeFile("big.xml.gz", gz), out));
        QCOMPARE(out, xml);

        // Cut in the middle: the stations before the cut load, and the cut is reported.
        DirectoryList list;
        list.load(writeFile("cut.xml.gz", gz.left(gz.size() / 2)));
        QVERIFY(list.allPresets.size() > 100 && list.allPresets.size() < 6000);
        QCOMPARE(list.messages().size(), 1);
        QVERIFY(list.messages().first().startsWith("Failed to load presets.\n"));
    }

    void compressedForm() {
        const QString in = writeFile(QStringLiteral("src.xml"),
                                     doc(G("Europe", G("Norway", S("P1", "http://p1/")))));
        const QString out = m_dir.filePath(QStringLiteral("out.qwd"));
        DirectoryList tool;
        tool.compressPresets(in, out);
        QCOMPARE(tool.messages(), QStringList{"Presets Compressed"});

        DirectoryList list;
        list.load(out);
        QCOMPARE(list.version, 7);
        QCOMPARE(dumpStations(list), (QStringList{"G Europe k2 -", "G Europe/Norway k3 f",
                                                  "S P1 c=Norway f http://p1/"}));

        tool.compressPresets(m_dir.filePath(QStringLiteral("absent.xml")), out);
        QCOMPARE(tool.messages().last(), QStringLiteral("Failed to open input file"));
        tool.compressPresets(in, m_dir.filePath(QStringLiteral("no/such/dir/x.qwd")));
        QCOMPARE(tool.messages().last(), QStringLiteral("Failed to create output file"));
    }

    // Only finished stations reach the address index: a station cut short by the end of the file
    // or by a nested "Station" must leave nothing behind that points at a freed record.
    void unfinishedStationsLeaveNoIndex_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("urls");

        const QByteArray done = G("G", S("Done", "http://done/"));
        QTest::newRow("cut inside a station")
            << kDecl + "<Quillowave>" + done + "<Station title='Cut'><Source>http://cut/</Source>"
            << QStringList{"http://done/"};
        QTest::newRow("nested station")
            << doc(done + "<Station title='Outer'><Source>http://outer/</Source>" +
                   S("Inner", "http://inner/") + "</Station>")
            << QStringList{"http://done/", "http://inner/"};
        QTest::newRow("cut gzip") << gzipBytes(kDecl + "<Quillowave>" + done +
                                               "<Station title='Cut'><Source>http://cut/</Source>")
                                         .chopped(8)
                                  << QStringList{"http://done/"};
    }

    void unfinishedStationsLeaveNoIndex() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, urls);

        DirectoryList list;
        const bool gzip = bytes.startsWith("\x1f\x8b");
        list.load(writeFile(
            gzip ? QStringLiteral("unfinished.xml.gz") : QStringLiteral("unfinished.xml"), bytes));
        QStringList indexed = list.byUrl.keys();
        indexed.sort();
        QCOMPARE(indexed, urls);
        for (const Preset* p : std::as_const(list.byUrl)) {
            QVERIFY(std::any_of(list.allPresets.cbegin(), list.allPresets.cend(),
                                [p](const QSharedPointer<Preset>& own) { return own.get() == p; }));
        }
    }

    // Sizes written in a file are bounded by what the file can hold: a 30-byte ".qwd" claiming
    // 4 GiB, or a gzip trailer claiming 200 MiB, must not make the reader reserve that much.
    void hostileSizes() {
        QByteArray claim("\xff\xff\xff\xff", 4);
        claim += QByteArray(22, 'x');
        QByteArray qwd;
        QDataStream stream(&qwd, QIODevice::WriteOnly);
        stream << claim;
        QCOMPARE(qwd.size(), 30);
        DirectoryList list;
        list.load(writeFile(QStringLiteral("hostile.qwd"), qwd));
        QVERIFY(list.allPresets.isEmpty());
        QCOMPARE(list.messages().size(), 1);
        QVERIFY(list.messages().first().startsWith("Failed to load presets.\n"));

        // Bytes after the gzip member are ignored, so the last four can claim any size.
        QByteArray gz = gzipBytes(doc(G("G", S("S", "http://s/")))) + QByteArray(4, '\0');
        const quint32 claimed = 200u << 20;
        qToLittleEndian(claimed, gz.data() + gz.size() - 4);
        QByteArray out;
        QVERIFY(BramblerStations::gunzipFile(writeFile(QStringLiteral("hostile.xml.gz"), gz), out));
        QVERIFY(out.contains("http://s/"));
        QVERIFY2(out.capacity() < 1 << 20, QByteArray::number(out.capacity()));
    }

    void missingAndEmptyFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("messageStart");

        QTest::newRow("missing plain") << "none.xml" << false << "Failed to open presets file.\n";
        QTest::newRow("missing gzip")
            << "none.xml.gz" << false
            << "Failed to load presets.\n" + m_dir.filePath("none.xml.gz") +
                   "\n\nReason: No such file";
        QTest::newRow("missing qwd") << "none.qwd" << false << "";
        QTest::newRow("empty plain") << "empty.xml" << true << "Failed to load presets.\n";
        QTest::newRow("empty qwd") << "empty.qwd" << true << "Failed to load presets.\n";
    }

    void missingAndEmptyFiles() {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(QString, messageStart);

        DirectoryList list;
        list.load(exists ? writeFile(name, QByteArray()) : m_dir.filePath(name));
        QVERIFY(list.allPresets.isEmpty());
        QCOMPARE(list.messages().size(), messageStart.isEmpty() ? 0 : 1);
        if (!messageStart.isEmpty())
            QVERIFY2(list.messages().first().startsWith(messageStart),
                     qPrintable(list.messages().first()));
    }

    void personalMode_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<int>("messages");

        const QByteArray other = "<Brambler version=\"Brambler Radio Favorites\">";
        QTest::newRow("other program, bare ampersands")
            << kDecl + other + G("Rock & Roll", S("Tom & Jerry &amp; Co", "http://x/?a=1&b=2")) +
                   "</Brambler>"
            << QStringList{"Tom & Jerry & Co"} << 0;
        QTest::newRow("other program, entity shown literally")
            << other + G("G", S("A &lt; B", "http://x/")) + "</Brambler>" << QStringList{"A &lt; B"}
            << 0;
        QTest::newRow("own file keeps entities")
            << "<Quillowave>" + G("G", S("A &lt; B", "http://x/")) + "</Quillowave>"
            << QStringList{"A < B"} << 0;
        QTest::newRow("own file with a bare ampersand")
            << "<Quillowave>" + G("G", S("A", "http://x/") + S("B & C", "http://y/")) +
                   "</Quillowave>"
            << QStringList{"A"} << 1;
        QTest::newRow("empty file is silent") << QByteArray() << QStringList{} << 0;
    }

    void personalMode() {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, titles);
        QFETCH(int, messages);

        PersonalList list;
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
        PersonalList first;
        first.load(writeFile(
            QStringLiteral("personal.xml"),
            "<Quillowave>" +
                G("Morning", "<Station title='One' genre='News' url='http://one.example/' "
                             "KeyPadNum='3' SplitDelay='7'><Source>http://one/a</Source>"
                             "<Source>http://one/b</Source></Station>" +
                                 S("Two", "http://two/")) +
                G("Night", S("One", "http://one/a") + G("Inner", S("Deep", "http://deep/"))) +
                "</Quillowave>"));
        QCOMPARE(first.allPresets.size(), 4);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        first.write(&buffer);
        PersonalList second;
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

    void writeSkipsRemovedStations() {
        PersonalList list;
        list.load(writeFile(
            QStringLiteral("rm.xml"),
            "<Quillowave>" + G("Gone", S("A", "http://a/") + G("Child", S("B", "http://b/"))) +
                G("Kept", S("C", "http://c/") + S("D", "http://d/")) + "</Quillowave>"));
        QCOMPARE(list.allPresets.size(), 4);
        list.removePreset(list.allPresets.at(0).get());
        list.removePreset(list.allPresets.at(2).get());

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        list.write(&buffer);
        const QByteArray text = buffer.data();
        QVERIFY(text.startsWith(kDecl + "<Quillowave>"));
        QVERIFY(!text.contains("Gone") && !text.contains("Child"));
        QVERIFY(text.contains("<Group title=\"Kept\">") && text.contains("title=\"C\""));
        QVERIFY(!text.contains("title=\"D\""));
    }

    void exportText() {
        // An empty directory reloads its own file first.
        writeFile(AppSettings::instance()->PresetsFileUncompressed(),
                  gzipBytes(doc(G("America", G("USA", G("Ohio", "<Station title='O' genre='Rock' "
                                                                "url='http://o.example/'><Source>"
                                                                "http://o/1\nhttp://o/2</Source>"
                                                                "</Station>"))) +
                                G("Europe", G("Spain", S("E", "http://e/", "genre='Pop'"))))));
        DirectoryList list;
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
