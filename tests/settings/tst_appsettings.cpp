// Tests of the settings store on a scratch profile: HOME and the XDG folders point into a
// temporary folder, and the program folder (and for installed cases the install prefix) is faked.

#include "settings/appsettings.h"
#include "settings/userfolders.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>

namespace {

using Pairs = QList<QPair<QString, QString>>;

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAppSettings : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;

    QString path(const QString& relative) const { return m_root->filePath(relative); }
    QString portableFolder() const { return path(QStringLiteral("app")); }
    QString portableIni() const { return path(QStringLiteral("app/Hollowmere/Quillowave.ini")); }
    QString prefix() const { return path(QStringLiteral("prefix")); }
    QString installedFolder() const { return path(QStringLiteral("prefix/bin")); }
    QString xdgData() const { return path(QStringLiteral("xdg-data")); }

    std::unique_ptr<AppSettings> portableStore() {
        return std::make_unique<AppSettings>(portableFolder(), QStringList{prefix()});
    }
    std::unique_ptr<AppSettings> installedStore() {
        return std::make_unique<AppSettings>(installedFolder(), QStringList{prefix()});
    }

private slots:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        QDir().mkpath(portableFolder());
        QDir().mkpath(installedFolder());
        QDir().mkpath(path(QStringLiteral("home")));
        qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(xdgData()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("xdg-config"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("xdg-cache"))));
    }
    void cleanup() { m_root.reset(); }

    void freshProfileReadsDefaultsAndCreatesNoFile() {
        auto store = portableStore();
        QCOMPARE(store->Volume(), 25);
        QCOMPARE(store->UpdateInterval(), 75);
        QCOMPARE(store->RecBuffer(), 5120000);
        QCOMPARE(store->TreeStationsSortColumn(), -1);
        QCOMPARE(store->BalloonTooltip(), true);
        QCOMPARE(store->AlwaysOnTop(), false);
        QCOMPARE(store->MonoOutput(), false);
        QCOMPARE(store->ProxyPort(), QStringLiteral("0"));
        QCOMPARE(store->FilePattern(), QStringLiteral("%station%/%track%"));
        QCOMPARE(store->Editor(), QStringLiteral("xdg-open"));
        QCOMPARE(store->IRQString(), QStringLiteral("Listening to %station% playing %track%"));
        QCOMPARE(store->PresetsFileUncompressed(), QStringLiteral("presets.xml.gz"));
        QVERIFY(!store->LastPresetCheckDate().isValid());
        QCOMPARE(store->AppFont(), QFont());
        QVERIFY(store->altPresetFiles().isEmpty());
        QCOMPARE(store->defaults().size(), 91);
        QCOMPARE(store->WebSiteHost(), QStringLiteral("https://www.quillowave.com"));
        QVERIFY(!store->defaults().contains(QStringLiteral("MonoOutput")));
        QVERIFY(!QFile::exists(portableIni()));
    }

    // Raw INI lines as a user or an older version may have left them.
    void storedValues_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("iniLine");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("int stored") << "Volume" << QByteArray("Volume=80") << QVariant(80);
        QTest::newRow("int unconvertible") << "Volume" << QByteArray("Volume=loud") << QVariant(0);
        QTest::newRow("int empty is not missing")
            << "Volume" << QByteArray("Volume=") << QVariant(0);
        QTest::newRow("bool stored false")
            << "BalloonTooltip" << QByteArray("BalloonTooltip=false") << QVariant(false);
        QTest::newRow("bool empty is null")
            << "BalloonTooltip" << QByteArray("BalloonTooltip=") << QVariant(false);
        QTest::newRow("string quoted")
            << "InfoBackColor" << QByteArray("InfoBackColor=\"rgb(1, 2, 3)\"")
            << QVariant(QStringLiteral("rgb(1, 2, 3)"));
        QTest::newRow("string with bare commas")
            << "InfoBackColor" << QByteArray("InfoBackColor=rgb(1, 2, 3)")
            << QVariant(QStringLiteral("rgb(1, 2, 3)"));
        QTest::newRow("string escaped backslash")
            << "FilePattern" << QByteArray("FilePattern=%genre%\\\\%track%")
            << QVariant(QStringLiteral("%genre%\\%track%"));
        QTest::newRow("malformed line ignored")
            << "Volume" << QByteArray("=[=\nVolume 12") << QVariant(25);
    }
    void storedValues() {
        QFETCH(QString, key);
        QFETCH(QByteArray, iniLine);
        QFETCH(QVariant, expected);
        const QHash<QString, std::function<QVariant(const AppSettings&)>> getters = {
            {"Volume", [](const AppSettings& s) { return QVariant(s.Volume()); }},
            {"BalloonTooltip", [](const AppSettings& s) { return QVariant(s.BalloonTooltip()); }},
            {"InfoBackColor", [](const AppSettings& s) { return QVariant(s.InfoBackColor()); }},
            {"FilePattern", [](const AppSettings& s) { return QVariant(s.FilePattern()); }},
        };
        writeFile(portableIni(), "[General]\n" + iniLine + "\n");
        auto store = portableStore();
        QCOMPARE(getters.value(key)(*store), expected);
    }

    void settersWriteThroughAndKeepDefaults() {
        auto store = portableStore();
        store->setVolume(60);
        store->setAlwaysOnTop(true);
        store->setProxy(QStringLiteral("proxy.local"));
        store->setMonoOutput(true);
        QCOMPARE(store->defaults().value(QStringLiteral("Volume")), QStringLiteral("60"));
        QCOMPARE(store->defaults().value(QStringLiteral("AlwaysOnTop")), QStringLiteral("true"));
        QVERIFY(!store->defaults().contains(QStringLiteral("MonoOutput")));
        const QByteArray ini = readFile(portableIni());
        QVERIFY2(ini.contains("Volume=60"), ini);
        QVERIFY2(ini.contains("AlwaysOnTop=true"), ini);
        QVERIFY2(ini.contains("Proxy=proxy.local"), ini);
        store.reset();
        auto reopened = portableStore();
        QCOMPARE(reopened->Volume(), 60);
        QCOMPARE(reopened->MonoOutput(), true);
    }

    void togglesStoreTheNegation() {
        auto store = portableStore();
        QCOMPARE(store->toggleAlwaysOnTop(), true);
        QCOMPARE(store->AlwaysOnTop(), true);
        QCOMPARE(store->toggleAlwaysOnTop(), false);
        QVERIFY(readFile(portableIni()).contains("AlwaysOnTop=false"));
        QCOMPARE(store->toggleBalloonTooltip(), false);
        QCOMPARE(store->toggleMonoOutput(), true);
    }

    void dates_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime invalid;
        QTest::newRow("pattern") << QByteArray("5-03-2026 14:07:09")
                                 << QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9));
        QTest::newRow("two-digit day")
            << QByteArray("25-12-2025 00:00:00") << QDateTime(QDate(2025, 12, 25), QTime(0, 0, 0));
        QTest::newRow("ISO text") << QByteArray("2026-03-05T14:07:09") << invalid;
        QTest::newRow("no seconds") << QByteArray("5-03-2026 14:07") << invalid;
        QTest::newRow("impossible day") << QByteArray("31-02-2026 10:00:00") << invalid;
        QTest::newRow("empty") << QByteArray("") << invalid;
        QTest::newRow("garbage") << QByteArray("yesterday") << invalid;
    }
    void dates() {
        QFETCH(QByteArray, stored);
        QFETCH(QDateTime, expected);
        writeFile(portableIni(), "[General]\nLastPresetCheckDate=" + stored +
                                     "\nLastVersionCheckDate=" + stored + "\n");
        auto store = portableStore();
        QCOMPARE(store->LastPresetCheckDate().isValid(), expected.isValid());
        QCOMPARE(store->LastVersionCheckDate().isValid(), expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(store->LastPresetCheckDate(), expected);
        }
    }

    void dateRoundTripUsesThePattern() {
        auto store = portableStore();
        const QDateTime time(QDate(2026, 3, 5), QTime(9, 8, 7));
        store->setLastVersionCheckDate(time);
        QVERIFY(readFile(portableIni()).contains("LastVersionCheckDate=5-03-2026 09:08:07"));
        QCOMPARE(store->LastVersionCheckDate(), time);
        QCOMPARE(AppSettings::displayDate(time), QStringLiteral("5-03-2026 09:08"));
        store->setLastVersionCheckDate(QDateTime());
        QVERIFY(!store->LastVersionCheckDate().isValid());
    }

    void altPresetFilesStopAtTheFirstGap_data() {
        QTest::addColumn<Pairs>("keys");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none") << Pairs{} << QStringList{};
        QTest::newRow("gap at 2") << Pairs{{"AltPresetFile1", "a.xml"}, {"AltPresetFile3", "c.xml"}}
                                  << QStringList{"a.xml"};
        QTest::newRow("starts at 2") << Pairs{{"AltPresetFile2", "b.xml"}} << QStringList{};
        QTest::newRow("empty 1") << Pairs{{"AltPresetFile1", ""}, {"AltPresetFile2", "b.xml"}}
                                 << QStringList{};
        QTest::newRow("six keys") << Pairs{{"AltPresetFile1", "1"}, {"AltPresetFile2", "2"},
                                           {"AltPresetFile3", "3"}, {"AltPresetFile4", "4"},
                                           {"AltPresetFile5", "5"}, {"AltPresetFile6", "6"}}
                                  << QStringList{"1", "2", "3", "4", "5"};
    }
    void altPresetFilesStopAtTheFirstGap() {
        QFETCH(Pairs, keys);
        QFETCH(QStringList, expected);
        {
            QSettings ini(portableIni(), QSettings::IniFormat);
            for (const auto& [key, value] : keys) {
                ini.setValue(key, value);
            }
        }
        auto store = portableStore();
        QCOMPARE(store->altPresetFiles(), expected);
    }

    void addingAltPresetFiles() {
        auto store = portableStore();
        store->addAltPresetFile(QStringLiteral("/lists/a.xml"));
        store->addAltPresetFile(QStringLiteral("/lists/b.xml"));
        store->addAltPresetFile(QStringLiteral("/lists/a.xml"));
        QCOMPARE(store->altPresetFiles(), QStringList({"/lists/a.xml", "/lists/b.xml"}));
        for (const char* name : {"c", "d", "e", "f"}) {
            store->addAltPresetFile(QStringLiteral("/lists/%1.xml").arg(QLatin1String(name)));
        }
        const QStringList newestFive = {"/lists/b.xml", "/lists/c.xml", "/lists/d.xml",
                                        "/lists/e.xml", "/lists/f.xml"};
        QCOMPARE(store->altPresetFiles(), newestFive);
        store.reset();
        QCOMPARE(portableStore()->altPresetFiles(), newestFive);
    }

    void portableFolders() {
        auto store = portableStore();
        const QString app = portableFolder() + QLatin1Char('/');
        QVERIFY(store->isPortable());
        QCOMPARE(store->programFolder(), app);
        QCOMPARE(store->dataFolder(), app);
        QCOMPARE(store->favoritesFile(), app + QStringLiteral("favorites.xml"));
        QCOMPARE(store->historyFile(), app + QStringLiteral("history.xml"));
        QCOMPARE(store->wishListFile(), app + QStringLiteral("wishlist.txt"));
        QCOMPARE(store->presetsFile(), app + QStringLiteral("presets.xml.gz"));
        QCOMPARE(store->languageFolder(), app + QStringLiteral("Languages/"));
        QCOMPARE(store->recordingFolder(), app + QStringLiteral("Recordings/"));
        QCOMPARE(store->programFilePath(QStringLiteral("x.lng")), app + QStringLiteral("x.lng"));
        QCOMPARE(store->settingsFile(), portableIni());
        QVERIFY(!QDir(xdgData()).exists());
    }

    void installedFolders() {
        auto store = installedStore();
        const QString data = xdgData() + QStringLiteral("/Quillowave/");
        QVERIFY(!store->isPortable());
        QCOMPARE(store->dataFolder(), data);
        QVERIFY(QDir(data).exists());
        QCOMPARE(store->settingsFile(),
                 path(QStringLiteral("xdg-config/Quillowave/Hollowmere/Quillowave.ini")));
        QCOMPARE(store->favoritesFile(), data + QStringLiteral("favorites.xml"));
        QCOMPARE(store->recordingFolder(), path(QStringLiteral("home/Music/Quillowave/")));
        const UserFolders folders(store->programFolder(), store->isPortable());
        QCOMPARE(folders.cache(), path(QStringLiteral("xdg-cache/Quillowave/")));
        QCOMPARE(folders.config(), path(QStringLiteral("xdg-config/Quillowave/")));
        QCOMPARE(folders.bundled(), prefix() + QStringLiteral("/share/quillowave/"));
        QCOMPARE(store->languageFolder(),
                 prefix() + QStringLiteral("/share/quillowave/languages/"));
    }

    void installedWithoutXdgDataHomeUsesHome() {
        qunsetenv("XDG_DATA_HOME");
        auto store = installedStore();
        QCOMPARE(store->dataFolder(), path(QStringLiteral("home/.local/share/Quillowave/")));
        QVERIFY(QDir(store->dataFolder()).exists());
    }

    void portableRule_data() {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<bool>("portable");
        QTest::newRow("/usr/bin") << "/usr/bin" << false;
        QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false;
        QTest::newRow("/opt/quillowave") << "/opt/quillowave" << false;
        QTest::newRow("/opt itself") << "/opt" << false;
        QTest::newRow("prefix-like name") << "/usrlocal/bin" << true;
        QTest::newRow("opt inside home") << "/home/u/opt/bin" << true;
        QTest::newRow("build tree") << "/work/main/build/src/app" << true;
        QTest::newRow("dotted path") << "/usr/../home/u/bin" << true;
    }
    void portableRule() {
        QFETCH(QString, programFolder);
        QFETCH(bool, portable);
        AppSettings store(programFolder);
        QCOMPARE(store.isPortable(), portable);
    }

    void dataFolderOption() {
        auto store = installedStore();
        const QString settingsFile = store->settingsFile();
        store->setDataFolder(path(QStringLiteral("missing")));
        QCOMPARE(store->dataFolder(), xdgData() + QStringLiteral("/Quillowave/"));
        QDir().mkpath(path(QStringLiteral("chosen")));
        store->setDataFolder(path(QStringLiteral("chosen")));
        QCOMPARE(store->dataFolder(), path(QStringLiteral("chosen/")));
        QCOMPARE(store->historyFile(), path(QStringLiteral("chosen/history.xml")));
        QCOMPARE(store->settingsFile(), settingsFile);
        store->setAppRecordingFolder(path(QStringLiteral("rec")));
        QCOMPARE(store->recordingFolder(), path(QStringLiteral("rec/")));
    }

    void stationListCopiedWhenMissing() {
        writeFile(prefix() + QStringLiteral("/share/quillowave/presets.xml.gz"), "shipped");
        auto store = installedStore();
        QCOMPARE(store->presetsFile(), xdgData() + QStringLiteral("/Quillowave/presets.xml.gz"));
        QCOMPARE(readFile(store->presetsFile()), QByteArray("shipped"));
        writeFile(store->presetsFile(), "updated");
        store.reset();
        store = installedStore();
        QCOMPARE(readFile(store->presetsFile()), QByteArray("updated"));
    }

    void infoStyleSheet() {
        auto store = portableStore();
        QCOMPARE(store->infoStyleSheet(),
                 QStringLiteral(
                     "QFrame#frameInfo { border: 1px solid lightgray; border-radius: 8px; }"));
        store->setUseInfoStyleSheet(true);
        store->setInfoBackColor(QStringLiteral("red"));
        store->setInfoBorderColor(QStringLiteral("blue"));
        const QString sheet = store->infoStyleSheet();
        QVERIFY(sheet.startsWith(QStringLiteral("QFrame#frameInfo\n\t\t\t\t{\n")));
        QCOMPARE(sheet.count(QStringLiteral("background-color: red;")), 2);
        QCOMPARE(sheet.count(QStringLiteral("color: white;")), 2);
        QVERIFY(sheet.contains(QStringLiteral("border: 1px solid blue;")));
        QVERIFY(!sheet.contains(QStringLiteral("_COLOR}")));
    }

    void computedKeys() {
        auto store = portableStore();
        QCOMPARE(store->columnWidth(QStringLiteral("TreeStations"), 2, 140), 140);
        store->setColumnWidth(QStringLiteral("TreeStations"), 2, 95);
        QCOMPARE(store->columnWidth(QStringLiteral("TreeStations"), 2, 140), 95);
        QVERIFY(readFile(portableIni()).contains("TreeStations_ColWidth2=95"));

        store->setEqualizerPreset(QStringLiteral("Rock"), QStringLiteral("3,2,0,-1"));
        QCOMPARE(store->equalizerPreset(QStringLiteral("Rock")), QStringLiteral("3,2,0,-1"));
        QCOMPARE(store->equalizerPreset(QStringLiteral("Jazz")), QString());
        QSettings(portableIni(), QSettings::IniFormat)
            .setValue(QStringLiteral("EQPreset_"), QStringLiteral("stray"));
        QCOMPARE(store->equalizerPreset(QString()), QString());

        QFont font(QStringLiteral("Serif"), 13);
        font.setBold(true);
        store->setAppFont(font);
        QCOMPARE(portableStore()->AppFont(), font);
    }

    void windowGeometry() {
        auto store = portableStore();
        QWidget window;
        window.setObjectName(QStringLiteral("QuillowaveWindow"));
        QVERIFY(!store->restoreWindowGeometry(&window));
        window.setGeometry(40, 50, 320, 240);
        store->saveWindowGeometry(&window);
        window.setGeometry(60, 70, 200, 90);
        store->saveWindowGeometryMini(&window);
        const QByteArray ini = readFile(portableIni());
        QVERIFY(ini.contains("WindowQuillowaveWindow="));
        QVERIFY(ini.contains("WindowQuillowaveWindowMiniSize="));

        QWidget restored;
        restored.setObjectName(QStringLiteral("QuillowaveWindow"));
        QVERIFY(store->restoreWindowGeometry(&restored));
        QCOMPARE(restored.size(), QSize(320, 240));
        QVERIFY(store->restoreWindowGeometryMini(&restored));
        QCOMPARE(restored.size(), QSize(200, 90));
    }
};

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
