// Favourites and history: filing and keys, the files they write, the backup and its restore,
// the history order and length, and saving that never loses the previous file.
#include "listfiles.h"
#include "settings/appsettings.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "stations/listsaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QStringList titles(const RadioStations::PresetList& list) {
    QStringList out;
    for (const Preset* p : list)
        out << p->title;
    return out;
}

} // namespace

class TestPersonalLists : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    std::unique_ptr<Favorites> favorites(const QString& file) {
        auto f = std::make_unique<Favorites>();
        f->setInteractive(false);
        f->setFileName(path(file));
        f->reload();
        return f;
    }

    std::unique_ptr<History> history(const QString& file) {
        auto h = std::make_unique<History>();
        h->setInteractive(false);
        h->setFileName(path(file));
        h->reload();
        return h;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        AppSettings::instance();
    }

    void fileNames_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("swap");
        QTest::newRow("favourites") << "/d/favorites.xml"
                                    << "/d/favorites_bak.xml"
                                    << "/d/favorites.tmp.xml";
        QTest::newRow("folder named .xml") << "/d.xml/history.xml"
                                           << "/d.xml/history_bak.xml"
                                           << "/d.xml/history.tmp.xml";
    }

    void fileNames() {
        QFETCH(QString, file);
        QFETCH(QString, backup);
        QFETCH(QString, swap);
        QCOMPARE(ListSaver::backupName(file), backup);
        QCOMPARE(ListSaver::swapName(file), swap);
    }

    void addingFavorites() {
        auto favs = favorites(QStringLiteral("add.xml"));
        QCOMPARE(favs->topGroups.size(), 1);
        QCOMPARE(favs->topGroups.first()->kind, int(Group::KindRoot));

        QVERIFY(!favs->add(station(QStringLiteral("Silent"), QString())));

        // Same title and addresses in two groups: two favourites with different keys.
        Preset* morning =
            favs->add(station(QStringLiteral("Jazz"), QStringLiteral("http://j/"), "Morning"));
        Preset* evening =
            favs->add(station(QStringLiteral("Jazz"), QStringLiteral("http://j/"), "Evening"));
        QVERIFY(morning && evening);
        QVERIFY(morning->id != evening->id);
        QCOMPARE(favs->allPresets.size(), 2);
        QCOMPARE(favs->groupNames(), (QStringList{"Morning", "Evening"}));
        QCOMPARE(morning->group->name, QStringLiteral("Morning"));

        // Everything equal: the old entry is replaced, not doubled.
        Preset again = *evening;
        again.splitDelay = 2500;
        Preset* replaced = favs->add(again);
        QCOMPARE(favs->allPresets.size(), 2);
        QCOMPARE(replaced->splitDelay, 2500);
        QCOMPARE(titles(favs->favorites()).size(), 2);

        // A directory station (its key made of the addresses only) equal in title, group and
        // addresses to a favourite replaces it instead of doubling it.
        Preset directory = *replaced;
        directory.personal = false;
        directory.group = nullptr;
        directory.computeId(false);
        QVERIFY(directory.id != replaced->id);
        favs->add(directory);
        QCOMPARE(favs->allPresets.size(), 2);
        QCOMPARE(titles(favs->favorites()).size(), 2);

        // Without a group name: filed in the root group.
        Preset* loose = favs->add(station(QStringLiteral("Loose"), QStringLiteral("http://l/")));
        QVERIFY(favs->topGroups.first()->stations.contains(loose));

        QVERIFY(favs->contains(station(QStringLiteral("Jazz"), QString())));
        QVERIFY(!favs->contains(station(QStringLiteral("jazz"), QString())));
    }

    void saveAndReload() {
        auto favs = favorites(QStringLiteral("round.xml"));
        Preset a = station(QStringLiteral("A & B"), QStringLiteral("http://a/\nhttp://a2/"), "G1");
        a.website = QStringLiteral("http://site/");
        a.keyPadNum = 3;
        favs->add(a);
        Preset* gone =
            favs->add(station(QStringLiteral("Gone"), QStringLiteral("http://g/"), "G2"));
        favs->add(station(QStringLiteral("Root one"), QStringLiteral("http://r/")));
        favs->remove(gone);
        QVERIFY(favs->save());

        const QByteArray text = readFile(favs->fileName());
        QVERIFY(text.contains("<Quillowave>"));
        QVERIFY(!text.contains("G2"));
        QVERIFY(text.contains("title=\"A &amp; B\""));

        auto back = favorites(QStringLiteral("round.xml"));
        QCOMPARE(titles(back->favorites()), (QStringList{"Root one", "A & B"}));
        Preset* p = back->findByKeyPad(3);
        QVERIFY(p);
        QCOMPARE(p->sources, (QStringList{"http://a/", "http://a2/"}));
        QCOMPARE(p->website, QStringLiteral("http://site/"));
        QCOMPARE(p->groupNameText(), QStringLiteral("G1"));
        QVERIFY(!back->findByKeyPad(4));
    }

    void pruneGroups() {
        auto favs = favorites(QStringLiteral("prune.xml"));
        Preset* a = favs->add(station(QStringLiteral("A"), QStringLiteral("http://a/"), "G"));
        Preset* b = favs->add(station(QStringLiteral("B"), QStringLiteral("http://b/"), "G"));
        favs->byId.remove(a->id);
        favs->pruneGroups(favs->topGroups);
        Group* g = b->group;
        QCOMPARE(g->stations, QList<Preset*>{b});
    }

    void backupAndRestore() {
        auto favs = favorites(QStringLiteral("favorites.xml"));
        favs->add(station(QStringLiteral("First"), QStringLiteral("http://1/")));
        QVERIFY(favs->save());
        const QByteArray first = readFile(favs->fileName());
        favs->add(station(QStringLiteral("Second"), QStringLiteral("http://2/")));
        QVERIFY(favs->save());
        const QByteArray second = readFile(favs->fileName());
        QCOMPARE(readFile(path("favorites_bak.xml")), first);

        favs->restoreBackup();
        QCOMPARE(titles(favs->favorites()), QStringList{"First"});
        QCOMPARE(readFile(path("favorites_bak.xml")), second);
        favs->restoreBackup();
        QCOMPARE(titles(favs->favorites()), (QStringList{"First", "Second"}));
        QCOMPARE(readFile(favs->fileName()), second);
        QVERIFY(!QFile::exists(path("favorites.tmp.xml")));
    }

    void otherProgramsFile() {
        QVERIFY(writeFile(path("brambler.xml"),
                          "<?xml version=\"1.0\"?>\n<Brambler version=\"Brambler Radio Favorites\">"
                          "<Group title=\"Rock & Roll\"><Station title=\"R&B Hits &amp; more\">"
                          "<Source>http://rb/?a=1&b=2</Source></Station></Group></Brambler>"));
        auto favs = favorites(QStringLiteral("brambler.xml"));
        QCOMPARE(titles(favs->favorites()), QStringList{"R&B Hits & more"});
        QCOMPARE(favs->favorites().first()->firstUrl, QStringLiteral("http://rb/?a=1&b=2"));
        QVERIFY(favs->save());
        const QByteArray text = readFile(favs->fileName());
        QVERIFY(text.contains("<Quillowave>"));
        QVERIFY(!text.contains("Brambler"));
        auto back = favorites(QStringLiteral("brambler.xml"));
        QCOMPARE(titles(back->favorites()), QStringList{"R&B Hits & more"});
        QCOMPARE(back->groupNames().first(), QStringLiteral("Rock & Roll"));
        QVERIFY(back->messages().isEmpty());
    }

    void saveThatCannotOpen() {
        auto favs = favorites(QStringLiteral("none/favorites.xml"));
        favs->add(station(QStringLiteral("A"), QStringLiteral("http://a/")));
        QVERIFY(!favs->save());
        QCOMPARE(favs->messages().size(), 1);
        QVERIFY(favs->messages().first().startsWith(
            path("none/favorites.xml") + "\nFailed to open favorites file.\n\nReason: "));
        QCOMPARE(favs->allPresets.size(), 1);

        auto hist = history(QStringLiteral("none/history.xml"));
        hist->add(station(QStringLiteral("A"), QStringLiteral("http://a/")));
        QVERIFY(!hist->save());
        QCOMPARE(hist->messages().size(), 1);
        QVERIFY(hist->messages().first().startsWith(path("none/history.xml") +
                                                    "\nFailed to open history file.\n\nReason: "));
    }

    // The disk fills up while the new text is written: the write fails part-way (the file size
    // limit makes the kernel refuse the rest, as a full disk does), and the previous favourites
    // file must stay whole.
    void writeFailingMidwayKeepsTheOldFile() {
        auto favs = favorites(QStringLiteral("full/favorites.xml"));
        QVERIFY(QDir().mkpath(path("full")));
        favs->add(station(QStringLiteral("Kept"), QStringLiteral("http://kept/")));
        QVERIFY(favs->save());
        const QByteArray before = readFile(favs->fileName());
        QVERIFY(!before.isEmpty());

        // Far more text than the limit lets through.
        for (int i = 0; i < 400; ++i) {
            favs->add(station(QStringLiteral("Station %1 ").arg(i) + QString(200, u'x'),
                              QStringLiteral("http://s%1/").arg(i), "Full"));
        }
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 16 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = favs->save();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved);
        QCOMPARE(readFile(favs->fileName()), before);
        QVERIFY(favs->messages().last().contains("Failed to write favorites file"));
        QCOMPARE(favs->allPresets.size(), 401);
        // Nothing half-written is left beside the list, and the first version was never backed
        // up: the backup follows only a complete new file.
        QCOMPARE(QDir(path("full")).entryList(QDir::Files), QStringList{"favorites.xml"});
        // Once there is room again the same list saves.
        QVERIFY(favs->save());
        QCOMPARE(readFile(path("full/favorites_bak.xml")), before);
    }

    void historyOrder() {
        auto hist = history(QStringLiteral("order.xml"));
        hist->add(station(QStringLiteral("A"), QStringLiteral("http://a/")));
        hist->add(station(QStringLiteral("B"), QStringLiteral("http://b/")));
        Preset played = station(QStringLiteral("A"), QStringLiteral("http://a/"));
        hist->add(played);
        QCOMPARE(hist->presets().size(), 2);
        QCOMPARE(hist->presets().first()->title, QStringLiteral("A"));
        QVERIFY(hist->save());

        // After a restart the same station played again still moves to the front.
        auto back = history(QStringLiteral("order.xml"));
        QCOMPARE(titles(back->recent()), (QStringList{"A", "B"}));
        back->add(station(QStringLiteral("B"), QStringLiteral("http://b/")));
        QCOMPARE(titles(back->recent()), (QStringList{"B", "A"}));
        back->clear();
        QVERIFY(back->recent().isEmpty());
    }

    void historyLength() {
        AppSettings::instance()->setMaxHistoryLength(20);
        auto hist = history(QStringLiteral("long.xml"));
        for (int i = 0; i < 30; ++i)
            hist->add(station(QStringLiteral("S%1").arg(i), QStringLiteral("http://s%1/").arg(i)));
        QCOMPARE(hist->presets().size(), 30);
        QCOMPARE(hist->recent().size(), 20);
        QVERIFY(hist->save());
        QCOMPARE(readFile(hist->fileName()).count("<Station "), 20);
        QVERIFY(!readFile(hist->fileName()).contains("<Group"));

        auto back = history(QStringLiteral("long.xml"));
        QCOMPARE(back->presets().size(), 20);
        QCOMPARE(back->presets().first()->title, QStringLiteral("S29"));
        QCOMPARE(back->presets().last()->title, QStringLiteral("S10"));
        AppSettings::instance()->setMaxHistoryLength(5);
    }
};

QTEST_MAIN(TestPersonalLists)
#include "tst_personallists.moc"
