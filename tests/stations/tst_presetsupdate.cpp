// The directory update against the HTTP test server: "presets.ini" in both label forms, when a
// check is due, the download that replaces the directory file only once it is known good, and
// opening station list files of this and other programs.
#include "settings/appsettings.h"
#include "stations/bramblerstations.h"
#include "stations/countryflags.h"
#include "stations/mirelightstations.h"
#include "stations/ottersongsstations.h"
#include "stations/presetsupdate.h"
#include "support/fixture.h"
#include "support/scriptedprompt.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

using Answer = QT_EXT::UserPrompt::Answer;
Q_DECLARE_METATYPE(QT_EXT::UserPrompt::Answer)

namespace {

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

// A directory whose stations are all called "<name> <n>"; large enough to pass the minimum size
// once compressed.
QByteArray directoryXml(const QByteArray& name) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Quillowave version='1'>"
                     "<Group title='Europe'><Group title='France'>";
    for (int i = 0; i < 300; ++i) {
        const QByteArray n = QByteArray::number(i * 7919 % 100003);
        xml += "<Station title='" + name + " " + n + "' genre='g" + n + "'><Source>http://s/" +
               name + "/" + n + "</Source></Station>";
    }
    return xml + "</Group></Group></Quillowave>";
}

QByteArray qwdBytes(const QByteArray& xml) {
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << qCompress(xml, -1);
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString httpUrl(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

} // namespace

class TestPresetsUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    QByteArray m_oldDirectory;
    int m_site = 0;
    QString m_siteTag;

    // A fresh folder of the test web site; the program's web site points at it.
    void newSite() {
        m_siteTag =
            QStringLiteral("presets%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_site);
        m_settings->setWebSiteHost(httpUrl(QStringLiteral("/site/") + m_siteTag));
    }
    QString sitePath(const QString& name) const {
        return QString::fromStdString(qwtest::wwwDir()) + "/" + m_siteTag + "/" + name;
    }
    QString siteFileUrl(const QString& name) const {
        return httpUrl(QStringLiteral("/files/") + m_siteTag + "/" + name);
    }
    QString dataFile(const QString& name) const { return m_settings->dataFilePath(name); }

    QStringList leftovers() const {
        return QDir(m_settings->dataFolder())
            .entryList({QStringLiteral(".presets-*")}, QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP test server is not running");
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_settings = AppSettings::instance();
        CountryFlags::initResources();
        m_oldDirectory = gzipBytes(directoryXml("Old"));
    }

    void init() {
        newSite();
        m_settings->setPresetsVersion(200);
        m_settings->setPresetsFileUncompressed(QStringLiteral("presets.xml.gz"));
        m_settings->setLastPresetCheckDate(QDateTime());
        m_settings->setAutoCheckPresets(true);
        QFile::remove(dataFile(QStringLiteral("presets.qwd")));
        QVERIFY(writeFile(dataFile(QStringLiteral("presets.xml.gz")), m_oldDirectory));
    }

    void parsePresetsIni_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<bool>("newer");

        QTest::newRow("current labels") << "PresetsVersion=201\nPresetsSource=http://h/"
                                           "p.xml.gz\nPresetsChanged=<b>New</b> list\n"
                                        << 201 << "http://h/p.xml.gz"
                                        << "<b>New</b> list" << true;
        QTest::newRow("older labels with blanks, colons and CR LF")
            << "Actual version : 250\r\nPresets source:\thttp://h/p.qwd\r\n"
            << 250 << "http://h/p.qwd"
            << "" << true;
        QTest::newRow("current labels win over older ones")
            << "Actual version=999\nPresets source=http://old\nPresetsVersion=150\n"
               "PresetsSource=http://new\n"
            << 150 << "http://new"
            << "" << false;
        QTest::newRow("with the current version label, older source labels are not read")
            << "PresetsVersion=300\nPresets source=http://old\n"
            << 300 << ""
            << "" << true;
        QTest::newRow("equal version is not newer")
            << "PresetsVersion = 200\nPresetsSource = http://h/p.xml.gz\n"
            << 200 << "http://h/p.xml.gz"
            << "" << false;
        QTest::newRow("last line without line feed")
            << "PresetsSource=http://x\nPresetsVersion=201" << 201 << "http://x"
            << "" << true;
        QTest::newRow("version not a number") << "PresetsVersion=new\n"
                                              << 0 << ""
                                              << "" << false;
        QTest::newRow("no known label") << "Hello\nWorld\n"
                                        << 0 << ""
                                        << "" << false;
        QTest::newRow("empty text") << "" << 0 << ""
                                    << "" << false;
        QTest::newRow("label without separator loses the first character") << "PresetsVersion 205\n"
                                                                           << 5 << ""
                                                                           << "" << false;
        QTest::newRow("label at the end of the text") << "PresetsVersion" << 0 << ""
                                                      << "" << false;
    }

    void parsePresetsIni() {
        QFETCH(QString, text);
        QFETCH(bool, newer);
        PresetsUpdate::CheckRecord record;
        QCOMPARE(PresetsUpdate::parsePresetsIni(text, 200, record), newer);
        QTEST(record.version, "version");
        QTEST(record.source, "source");
        QTEST(record.changes, "changes");
    }

    void offerText() {
        ScriptedPrompt prompt;
        PresetsUpdate update(m_settings, &prompt);
        PresetsUpdate::CheckRecord record{
            201, QStringLiteral("Fixed. More information available from x"), QString()};
        QCOMPARE(update.offerText(record),
                 QStringLiteral("<html>Current presets file <b>200.</b><br>New presets file <b>201."
                                "</b><br><br>Fixed. More information available from x<br><br>"
                                "Do you want to download it now?</html>"));
        record.changes.clear();
        const QString news = m_settings->WebSiteHost() + QStringLiteral("/news.php");
        QVERIFY(update.offerText(record).contains(
            QStringLiteral("<br><br>More information available from <a href=\"%1\">%1</a><br><br>")
                .arg(news)));
    }

    void checkPresets_data() {
        QTest::addColumn<int>("daysAgo"); // -1: never checked
        QTest::addColumn<bool>("autoCheck");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("scheduled");

        QTest::newRow("never checked") << -1 << true << false << false << true;
        QTest::newRow("six days ago") << 6 << true << false << false << false;
        QTest::newRow("seven days ago") << 7 << true << false << false << true;
        QTest::newRow("forced although recent") << 1 << true << false << true << true;
        QTest::newRow("option off") << -1 << false << false << false << false;
        QTest::newRow("engine busy") << -1 << true << true << false << false;
    }

    void checkPresets() {
        QFETCH(int, daysAgo);
        QFETCH(bool, autoCheck);
        m_settings->setAutoCheckPresets(autoCheck);
        m_settings->setLastPresetCheckDate(
            daysAgo < 0 ? QDateTime() : QDateTime::currentDateTime().addDays(-daysAgo));
        ScriptedPrompt prompt;
        PresetsUpdate update(m_settings, &prompt);
        QFETCH(bool, busy);
        QFETCH(bool, force);
        QTEST(update.checkPresets(force, busy), "scheduled");
    }

    // The scheduled check fetches the file itself and says nothing when it announces the
    // installed version.
    void scheduledCheckRuns() {
        QVERIFY(writeFile(sitePath("downloads/presets.ini"), "PresetsVersion=200\n"));
        ScriptedPrompt prompt;
        PresetsUpdate update(m_settings, &prompt);
        QSignalSpy idle(&update, &PresetsUpdate::sig_idle);
        QVERIFY(update.checkPresets(false, false));
        QVERIFY(idle.wait(30000));
        QVERIFY(m_settings->LastPresetCheckDate().isValid());
        QCOMPARE(prompt.calls, QStringList());
        // A second tick finds the check done.
        QVERIFY(!update.checkPresets(false, false));
    }

    void update_data() {
        QTest::addColumn<QByteArray>("ini");     // "%1" is the download's address
        QTest::addColumn<QString>("served");     // file name on the site
        QTest::addColumn<QByteArray>("content"); // what that file holds
        QTest::addColumn<bool>("manual");
        QTest::addColumn<bool>("control");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QStringList>("said"); // the start of each of the prompt's calls
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("loaded");   // PresetsFileUncompressed afterwards
        QTest::addColumn<QString>("stations"); // name of the directory's stations

        const QByteArray good = gzipBytes(directoryXml("New"));
        const QByteArray current = "PresetsVersion=201\nPresetsSource=%1\n";
        const QByteArray same = "PresetsVersion=200\nPresetsSource=%1\n";
        const QString failed = "error|Quillowave|Failed to download presets file";
        const QString offered = "question|Quillowave|<html>Current presets file <b>200.</b><br>"
                                "New presets file <b>201.</b><br><br>More information";
        const QString updated = "information|Finished|Stations file updated - Version 201";
        const QString latest = "No update found. You currently have the latest presets file.";

        QTest::newRow("same version, automatic: silent")
            << same << "p.xml.gz" << good << false << false << Answer::Yes << QStringList{} << 200
            << "presets.xml.gz"
            << "Old";
        QTest::newRow("same version, manual: told so")
            << same << "p.xml.gz" << good << true << false << Answer::Yes
            << QStringList{"information|Quillowave|" + latest} << 200 << "presets.xml.gz"
            << "Old";
        QTest::newRow("same version, manual with Control: downloads anyway")
            << same << "p.xml.gz" << good << true << true << Answer::Yes
            << QStringList{"question|Quillowave|" + latest + "\n\nDownload anyway?",
                           "information|Finished|Stations file updated - Version 200"}
            << 200 << "presets.qwd"
            << "New";
        QTest::newRow("newer gzip, accepted")
            << current << "p.xml.gz" << good << false << false << Answer::Yes
            << QStringList{offered, updated} << 201 << "presets.qwd"
            << "New";
        QTest::newRow("newer in older labels, .qwd form")
            << QByteArray("Actual version: 201\nPresets source: %1\n") << "p.qwd"
            << qwdBytes(directoryXml("New")) << true << false << Answer::Yes
            << QStringList{offered, updated} << 201 << "presets.qwd"
            << "New";
        QTest::newRow("newer, declined")
            << current << "p.xml.gz" << good << false << false << Answer::No << QStringList{offered}
            << 200 << "presets.xml.gz"
            << "Old";
        QTest::newRow("gzip cut short")
            << current << "p.xml.gz" << good.left(good.size() - 100) << false << false
            << Answer::Yes
            << QStringList{offered, failed + ".\n\nThe download is cut short or damaged."} << 200
            << "presets.xml.gz"
            << "Old";
        QTest::newRow("not gzip") << current << "p.xml.gz" << QByteArray(4096, 'x') << false
                                  << false << Answer::Yes
                                  << QStringList{offered,
                                                 failed + ".\n\nThe download is not a gzip file."}
                                  << 200 << "presets.xml.gz"
                                  << "Old";
        QTest::newRow("shorter than 1024 bytes")
            << current << "p.xml.gz" << good.left(1023) << false << false << Answer::Yes
            << QStringList{offered, failed} << 200 << "presets.xml.gz"
            << "Old";
        QTest::newRow("gzip of a broken document")
            << current << "p.xml.gz"
            << gzipBytes(directoryXml("New").replace("</Station>", "</Statio>")) << false << false
            << Answer::Yes
            << QStringList{offered, failed + ".\n\nThe downloaded stations file could not be read."}
            << 200 << "presets.xml.gz"
            << "Old";
        QTest::newRow("gzip of a document without stations")
            << current << "p.xml.gz" << gzipBytes(directoryXml("New").replace("Station", "Group"))
            << false << false << Answer::Yes
            << QStringList{offered, failed + ".\n\nThe downloaded stations file could not be read."}
            << 200 << "presets.xml.gz"
            << "Old";
    }

    void update() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, served);
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(sitePath(served), content));
        QVERIFY(writeFile(sitePath("downloads/presets.ini"),
                          QString::fromUtf8(ini).arg(siteFileUrl(served)).toUtf8()));
        QFETCH(bool, manual);
        QFETCH(bool, control);
        QFETCH(Answer, answer);
        runCheck(manual, control, answer);
        QFETCH(QStringList, said);
        QCOMPARE(m_prompt.calls.size(), said.size());
        for (int i = 0; i < said.size(); ++i)
            QVERIFY2(m_prompt.calls.at(i).startsWith(said.at(i)), qPrintable(m_prompt.calls.at(i)));
        QTEST(m_settings->PresetsVersion(), "version");
        QTEST(m_settings->PresetsFileUncompressed(), "loaded");
        QFETCH(QString, stations);
        QVERIFY(!m_directory->allPresets.isEmpty());
        QVERIFY2(m_directory->allPresets.first()->title.startsWith(stations + " "),
                 qPrintable(m_directory->allPresets.first()->title));
        // The file that was in use is untouched and nothing is left behind.
        QCOMPARE(readFile(dataFile(QStringLiteral("presets.xml.gz"))), m_oldDirectory);
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(QFile::exists(dataFile(QStringLiteral("presets.qwd"))), stations == "New");
        delete m_directory;
    }

    void httpFailures_data() {
        QTest::addColumn<QString>("ini");    // address of presets.ini's folder, "" = site
        QTest::addColumn<QString>("source"); // the download's address
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("said");

        QTest::newRow("presets.ini missing, automatic") << "missing"
                                                        << "" << false << "";
        QTest::newRow("presets.ini missing, manual") << "missing"
                                                     << "" << true << "error|";
        QTest::newRow("download missing")
            << ""
            << "/files/no-such-presets.xml.gz" << false << "question|\nerror|";
        QTest::newRow("connection closed early")
            << ""
            << "/truncated/%1/p.xml.gz?keep=2000" << false << "question|\nerror|";
    }

    // Whatever goes wrong on the way, the directory in use and its version stay.
    void httpFailures() {
        QFETCH(QString, ini);
        QFETCH(QString, source);
        QVERIFY(writeFile(sitePath("p.xml.gz"), gzipBytes(directoryXml("New"))));
        if (ini.isEmpty()) {
            QVERIFY(writeFile(sitePath("downloads/presets.ini"),
                              ("PresetsVersion=201\nPresetsSource=" +
                               httpUrl(source.contains("%1") ? source.arg(m_siteTag) : source))
                                  .toUtf8()));
        }
        QFETCH(bool, manual);
        runCheck(manual, false, Answer::Yes);
        QFETCH(QString, said);
        QStringList kinds;
        for (const QString& call : std::as_const(m_prompt.calls))
            kinds << call.section('|', 0, 0) + '|';
        QCOMPARE(kinds.join('\n'), said);
        QCOMPARE(m_settings->PresetsVersion(), 200);
        QCOMPARE(m_settings->PresetsFileUncompressed(), QStringLiteral("presets.xml.gz"));
        QVERIFY(m_directory->allPresets.first()->title.startsWith("Old "));
        QVERIFY(!QFile::exists(dataFile(QStringLiteral("presets.qwd"))));
        QCOMPARE(leftovers(), QStringList());
        delete m_directory;
    }

    void createReader_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reader");
        QTest::newRow("xml") << "/a/list.xml"
                             << "BramblerStations";
        QTest::newRow("gzip xml") << "presets.xml.gz"
                                  << "BramblerStations";
        QTest::newRow("qwd") << "presets.qwd"
                             << "BramblerStations";
        QTest::newRow("mld") << "/a/stations.mld"
                             << "MirelightStations";
        QTest::newRow("osd") << "stations.osd"
                             << "OttersongsStations";
        QTest::newRow("xml wins over osd") << "stations.osd.xml"
                                           << "BramblerStations";
        QTest::newRow("upper case is not known") << "STATIONS.MLD"
                                                 << "";
        QTest::newRow("other") << "/music/song.mp3"
                               << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void createReader() {
        QFETCH(QString, name);
        std::unique_ptr<RadioStations> reader(PresetsUpdate::createReader(name));
        QTEST(reader ? QString::fromLatin1(reader->metaObject()->className()) : QString(),
              "reader");
    }

    void loadPresetsFile() {
        ScriptedPrompt prompt;
        PresetsUpdate update(m_settings, &prompt);
        QPointer<RadioStations> old = new BramblerStations(this);
        update.setDirectory(old, QStringLiteral("presets.xml.gz"));
        QSignalSpy replaced(&update, &PresetsUpdate::sig_directoryReplaced);

        // A list that yields nothing leaves the directory as it is.
        const QString empty = m_dir.filePath(QStringLiteral("empty.mld"));
        QVERIFY(writeFile(empty, "\n\n"));
        update.loadPresetsFile(empty);
        QCOMPARE(prompt.calls, QStringList{"information|Quillowave|File not supported."});
        QCOMPARE(update.directory(), old.data());
        QCOMPARE(replaced.size(), 0);

        // The other program's list takes its place and joins the recent files.
        prompt.reset();
        QByteArray packed;
        QDataStream stream(&packed, QIODevice::WriteOnly);
        stream << qCompress(QByteArray("k1\tOne\t\tRock\tFrance\t\t\thttp://one\n"));
        const QString osd = m_dir.filePath(QStringLiteral("other.osd"));
        QVERIFY(writeFile(osd, packed));
        update.loadPresetsFile(osd);
        QCOMPARE(prompt.calls, QStringList{"information|Quillowave|Presets file loaded."});
        QCOMPARE(replaced.size(), 1);
        auto* list = qobject_cast<OttersongsStations*>(update.directory());
        QVERIFY(list);
        QCOMPARE(replaced.first().at(0).value<RadioStations*>(), list);
        QCOMPARE(update.loadedFile(), osd);
        QVERIFY(old.isNull());
        QCOMPARE(list->topGroups.size(), 1);
        QVERIFY(m_settings->altPresetFiles().contains(osd));

        // A file no reader knows is played.
        QSignalSpy played(&update, &PresetsUpdate::sig_playFile);
        update.loadPresetsFile(QStringLiteral("/music/song.mp3"));
        QCOMPARE(played.size(), 1);
        const Preset station = played.first().at(0).value<Preset>();
        QCOMPARE(station.title, QStringLiteral("song.mp3"));
        QCOMPARE(station.sources, QStringList{"/music/song.mp3"});
        QCOMPARE(update.directory(), list);
        delete list;
    }

    // After another program's list was opened, an update brings back a directory of the own
    // format.
    void updateReplacesImportedList() {
        QVERIFY(writeFile(sitePath("p.xml.gz"), gzipBytes(directoryXml("New"))));
        QVERIFY(
            writeFile(sitePath("downloads/presets.ini"),
                      ("PresetsVersion=201\nPresetsSource=" + siteFileUrl("p.xml.gz")).toUtf8()));
        ScriptedPrompt prompt;
        prompt.answers = {Answer::Yes};
        PresetsUpdate update(m_settings, &prompt);
        QPointer<RadioStations> imported = new MirelightStations(this);
        update.setDirectory(imported, QStringLiteral("x.mld"));
        QSignalSpy idle(&update, &PresetsUpdate::sig_idle);
        update.slot_updatePresetsNow();
        QVERIFY(idle.wait(30000));
        QVERIFY(imported.isNull());
        QCOMPARE(QString::fromLatin1(update.directory()->metaObject()->className()),
                 QStringLiteral("BramblerStations"));
        QVERIFY(update.directory()->allPresets.first()->title.startsWith("New "));
        QCOMPARE(update.loadedFile(), dataFile(QStringLiteral("presets.qwd")));
        delete update.directory();
    }

private:
    ScriptedPrompt m_prompt;
    RadioStations* m_directory = nullptr;

    // One check as the user or the timer starts it, with the directory loaded from the data
    // folder; returns once nothing is pending. m_directory is the directory afterwards.
    void runCheck(bool manual, bool control, Answer answer) {
        m_prompt.reset();
        m_prompt.control = control;
        m_prompt.answers = {answer};
        auto* directory = new BramblerStations;
        directory->setInteractive(false);
        directory->load(m_settings->presetsFile());
        QVERIFY(!directory->allPresets.isEmpty());
        PresetsUpdate update(m_settings, &m_prompt);
        update.setDirectory(directory, m_settings->presetsFile());
        QSignalSpy idle(&update, &PresetsUpdate::sig_idle);
        if (manual)
            update.slot_updatePresetsNow();
        else
            update.slot_autoCheckPresetsFile();
        QVERIFY(idle.wait(30000));
        m_directory = update.directory();
    }
};

QTEST_MAIN(TestPresetsUpdate)
#include "tst_presetsupdate.moc"
