// The personal lists never lose a station: a full disk, a read-only folder, a path that is a
// folder and a file that fails to parse all leave the file and its backup whole and say why; no
// text the user gives a station can make a list unreadable.
#include "listfiles.h"
#include "settings/appsettings.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "stations/listsaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

namespace {

QStringList titles(const RadioStations& list) {
    QStringList out;
    for (const auto& p : list.allPresets)
        out << p->title;
    return out;
}

// A small tmpfs of its own, so that the disk really fills up (or is really read-only). Needs
// root; the tests that use it skip otherwise.
class SmallFilesystem {
public:
    SmallFilesystem(const QString& path, const char* options) : m_path(path.toLocal8Bit()) {
        QDir().mkpath(path);
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, options) == 0;
    }
    ~SmallFilesystem() {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool remountReadOnly() {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

} // namespace

class TestListSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    template <typename List> std::unique_ptr<List> list(const QString& file) {
        auto l = std::make_unique<List>();
        l->setInteractive(false);
        l->setFileName(path(file));
        l->reload();
        return l;
    }

    // Far more text than 64 KiB.
    static void fill(Favorites& favs) {
        for (int i = 0; i < 400; ++i)
            favs.add(station(QStringLiteral("Station %1 ").arg(i) + QString(400, u'x'),
                             QStringLiteral("http://s%1/").arg(i), "Full"));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        AppSettings::instance();
    }

    // A really full disk: the write fails late, when buffered text reaches the disk.
    void fullDiskKeepsFileAndBackup() {
        if (geteuid() != 0)
            QSKIP("Mounting a small tmpfs needs root");
        SmallFilesystem fs(path("full"), "size=64k");
        QVERIFY(fs.mounted());
        auto favs = list<Favorites>(QStringLiteral("full/favorites.xml"));
        favs->add(station(QStringLiteral("Old"), QStringLiteral("http://old/")));
        QVERIFY(favs->save());
        favs->add(station(QStringLiteral("Kept"), QStringLiteral("http://kept/")));
        QVERIFY(favs->save());
        const QByteArray file = readFile(favs->fileName());
        const QByteArray backup = readFile(path("full/favorites_bak.xml"));
        QVERIFY(file.contains("Kept") && !backup.contains("Kept"));

        fill(*favs);
        QVERIFY(!favs->save());
        QCOMPARE(readFile(favs->fileName()), file);
        QCOMPARE(readFile(path("full/favorites_bak.xml")), backup);
        QVERIFY2(favs->messages().last().startsWith(
                     favs->fileName() + "\nFailed to write favorites file.\n\nReason: "),
                 qPrintable(favs->messages().last()));
        QVERIFY2(favs->messages().last().contains("space", Qt::CaseInsensitive),
                 qPrintable(favs->messages().last()));
        QCOMPARE(QDir(path("full")).entryList(QDir::Files),
                 (QStringList{"favorites.xml", "favorites_bak.xml"}));
        QCOMPARE(favs->allPresets.size(), 402);
    }

    void readOnlyFolderGivesTheReason() {
        if (geteuid() != 0)
            QSKIP("Mounting a read-only tmpfs needs root (root ignores file modes)");
        SmallFilesystem fs(path("ro"), "size=64k");
        QVERIFY(fs.mounted());
        auto favs = list<Favorites>(QStringLiteral("ro/favorites.xml"));
        favs->add(station(QStringLiteral("A"), QStringLiteral("http://a/")));
        QVERIFY(favs->save());
        QVERIFY(fs.remountReadOnly());
        favs->add(station(QStringLiteral("B"), QStringLiteral("http://b/")));
        QVERIFY(!favs->save());
        QVERIFY2(favs->messages().last().startsWith(favs->fileName() +
                                                    "\nFailed to open favorites file.\n\nReason: "),
                 qPrintable(favs->messages().last()));
        QVERIFY2(favs->messages().last().contains("Read-only file system"),
                 qPrintable(favs->messages().last()));
    }

    void pathThatIsAFolder() {
        QVERIFY(QDir().mkpath(path("folder/favorites.xml")));
        QVERIFY(writeFile(path("folder/favorites_bak.xml"), "backup"));
        auto favs = list<Favorites>(QStringLiteral("folder/favorites.xml"));
        QCOMPARE(favs->messages().size(), 1);
        QVERIFY(favs->messages().first().contains("is a folder"));
        favs->add(station(QStringLiteral("A"), QStringLiteral("http://a/")));
        QVERIFY(!favs->save());
        QVERIFY(favs->messages().last().endsWith("Reason: The path is a folder, not a file"));
        QCOMPARE(readFile(path("folder/favorites_bak.xml")), QByteArray("backup"));
        QVERIFY(QFileInfo(path("folder/favorites.xml")).isDir());
    }

    void corruptFileIsSetAside_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("read");

        const QByteArray two = "<Quillowave><Group title=\"G\">"
                               "<Station title=\"One\"><Source>http://1/</Source></Station>"
                               "<Station title=\"Two\"><Source>http://2/</Source></Station>";
        const QByteArray rest = "<Station title=\"Three\"><Source>http://3/</Source></Station>"
                                "</Group></Quillowave>";
        QTest::newRow("favourites, broken in the middle")
            << "favorites" << two + "<Station title=\"Bad & Co\">" + rest
            << QStringList{"One", "Two"};
        QTest::newRow("history, cut short") << "history" << two << QStringList{"One", "Two"};
        QTest::newRow("favourites, binary junk")
            << "favorites" << QByteArray("\x1f\x8b\x08\x00junk", 8) << QStringList{};
    }

    void corruptFileIsSetAside() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, read);

        const QString folder = QStringLiteral("corrupt-") + QTest::currentDataTag();
        QVERIFY(QDir().mkpath(path(folder)));
        const QString file = folder + "/" + kind + ".xml";
        const QString backupFile = path(folder + "/" + kind + "_bak.xml");
        QVERIFY(writeFile(path(file), text));
        QVERIFY(writeFile(backupFile, "older good backup"));

        std::unique_ptr<BramblerStations> lst;
        if (kind == QLatin1String("favorites"))
            lst = list<Favorites>(file);
        else
            lst = list<History>(file);
        QCOMPARE(titles(*lst), read);

        // Set aside before anything is written, under a dated name, and the user is told where.
        QVERIFY(!QFile::exists(path(file)));
        const QStringList aside = QDir(path(folder)).entryList({kind + "_20*.xml"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(readFile(path(folder + "/" + aside.first())), text);
        QCOMPARE(lst->messages().size(), 1);
        QVERIFY2(lst->messages().first().startsWith("Failed to load favorites.\n"),
                 qPrintable(lst->messages().first()));
        QVERIFY2(lst->messages().first().contains(aside.first()),
                 qPrintable(lst->messages().first()));

        // Two saves of what was read leave the older backup alone.
        auto* favs = qobject_cast<Favorites*>(lst.get());
        QVERIFY(favs ? favs->save() : qobject_cast<History*>(lst.get())->save());
        QVERIFY(favs ? favs->save() : qobject_cast<History*>(lst.get())->save());
        QCOMPARE(readFile(backupFile), QByteArray("older good backup"));
        QCOMPARE(readFile(path(folder + "/" + aside.first())), text);
    }

    // Titles come from streams and other programs: whatever they hold, the list reads back.
    void textThatXmlCannotHold_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("readBack");

        const QChar high(char16_t(0xD83C));
        const QChar low(char16_t(0xDFB5));
        const QString replacement(QChar::ReplacementCharacter);
        QTest::newRow("lone high surrogate") << QString("A") + high + "B"
                                             << "A" + replacement + "B";
        QTest::newRow("lone low surrogate at the end") << QString("A") + low << "A" + replacement;
        QTest::newRow("pair stays") << QString("A") + high + low << QString("A") + high + low;
        QTest::newRow("control characters")
            << QStringLiteral("A\x01\x1b\tB") << "A" + replacement + replacement + "\tB";
        QTest::newRow("non-characters")
            << QString("A") + QChar(char16_t(0xFFFF)) << "A" + replacement;
    }

    void textThatXmlCannotHold() {
        QFETCH(QString, title);
        QFETCH(QString, readBack);

        const QString file = QStringLiteral("text-%1.xml").arg(QTest::currentDataTag());
        auto favs = list<Favorites>(file);
        favs->add(station(title, QStringLiteral("http://t/") + title, "G" + title));
        favs->add(station(QStringLiteral("Plain"), QStringLiteral("http://p/")));
        QVERIFY(favs->save());
        // A second save must work as well: the bad text does not stick to the writer.
        QVERIFY(favs->save());
        auto back = list<Favorites>(file);
        QCOMPARE(back->messages(), QStringList());
        QCOMPARE(titles(*back), (QStringList{"Plain", readBack}));
        QCOMPARE(back->allPresets.last()->firstUrl, "http://t/" + readBack);
    }
};

QTEST_MAIN(TestListSafety)
#include "tst_listsafety.moc"
