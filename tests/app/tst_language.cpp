// The language files as the program reads them: the line rules of the reader, the main file and
// its supplement, the lookup with counts and through the installed translator, the files the
// Language menu offers, and the fall-back to English for a "/lang=" naming no file.

#include "settings/appsettings.h"
#include "app/apptranslator.h"
#include "app/clangmanager.h"
#include "app/languagefiles.h"
#include "app/windowlanguage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// "source=translation" pairs, sorted, for comparing tables in one line.
QStringList pairs(const CLangManager::Table& table) {
    QStringList result;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it)
        result << it.key() + QLatin1Char('=') + it.value();
    result.sort();
    return result;
}

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        AppSettings::setInstanceProgramFolder(m_folder.path());
        QVERIFY(QDir(m_folder.path()).mkpath(QStringLiteral("Languages")));
    }

    void cleanup() { CLangManager::instance()->clear(); }

    void readEntries_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("entry") << QByteArray("Play|Wiedergabe\n") << QStringList{"Play=Wiedergabe"};
        QTest::newRow("no final line break")
            << QByteArray("Play|Wiedergabe") << QStringList{"Play=Wiedergabe"};
        QTest::newRow("comment") << QByteArray("; Play|Wiedergabe\nStop|Stopp")
                                 << QStringList{"Stop=Stopp"};
        QTest::newRow("semicolon not first")
            << QByteArray(" ;Play|x") << QStringList{" ;Play=x"};
        QTest::newRow("empty lines") << QByteArray("\n\nPlay|Wiedergabe\n\n")
                                     << QStringList{"Play=Wiedergabe"};
        QTest::newRow("no separator") << QByteArray("Play Wiedergabe\nStop|Stopp")
                                      << QStringList{"Stop=Stopp"};
        QTest::newRow("empty translation") << QByteArray("Play|\nStop|Stopp")
                                           << QStringList{"Stop=Stopp"};
        QTest::newRow("later entry wins") << QByteArray("Play|Spielen\nPlay|Wiedergabe")
                                          << QStringList{"Play=Wiedergabe"};
        QTest::newRow("separator in translation")
            << QByteArray("A|B|C") << QStringList{"A=B|C"};
        QTest::newRow("spaces kept") << QByteArray("8-bit |8 Bit ") << QStringList{"8-bit =8 Bit "};
        QTest::newRow("byte order mark")
            << QByteArray("\xef\xbb\xbfPlay|Wiedergabe") << QStringList{"Play=Wiedergabe"};
        QTest::newRow("byte order mark before comment")
            << QByteArray("\xef\xbb\xbf; comment\nPlay|Wiedergabe")
            << QStringList{"Play=Wiedergabe"};
        QTest::newRow("CRLF") << QByteArray("Play|Wiedergabe\r\nStop|Stopp\r\n")
                              << QStringList{"Play=Wiedergabe", "Stop=Stopp"};
        QTest::newRow("CRLF empty translation") << QByteArray("Play|\r\n") << QStringList{};
        QTest::newRow("UTF-8") << QByteArray("Search|Поиск") << QStringList{"Search=Поиск"};
        QTest::newRow("line break escape")
            << QByteArray("One\\nTwo|Eins\\nZwei") << QStringList{"One\nTwo=Eins\nZwei"};
        QTest::newRow("only garbage") << QByteArray("\x01\x02|") << QStringList{};
    }

    void readEntries() {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, expected);
        CLangManager::Table table;
        CLangManager::readEntries(contents, table);
        QCOMPARE(pairs(table), expected);
    }

    void supplementOverridesMainFile() {
        const QString folder = m_folder.filePath(QStringLiteral("Languages/"));
        QVERIFY(writeFile(folder + "German.lng", "Play|Spielen\nStop|Stopp\n"));
        QVERIFY(writeFile(folder + "German.ex.lng", "Play|Wiedergabe\n"));
        CLangManager* manager = CLangManager::instance();
        manager->load(folder + "German.xml");
        QCOMPARE(manager->translated("Play"), QString("Wiedergabe"));
        QCOMPARE(manager->translated("Stop"), QString("Stopp"));
        QCOMPARE(manager->sourceOf("Wiedergabe"), QString("Play"));
        QCOMPARE(manager->sourceOf("unknown"), QString("unknown"));
        QVERIFY(manager->hasTranslation("Stop"));
        QVERIFY(!manager->hasTranslation("Record"));
        QCOMPARE(manager->fileName(), folder + "German.lng");
    }

    void missingFileLeavesEnglish() {
        const QString folder = m_folder.filePath(QStringLiteral("Languages/"));
        QVERIFY(writeFile(folder + "Dutch.lng", "Play|Afspelen\n"));
        CLangManager* manager = CLangManager::instance();
        manager->load(folder + "Dutch.lng");
        QCOMPARE(manager->count(), 1);
        manager->load(folder + "Klingon.lng");
        QCOMPARE(manager->count(), 0);
        QCOMPARE(manager->translated("Play"), QString("Play"));
    }

    void countsAndTranslator() {
        const QString folder = m_folder.filePath(QStringLiteral("Languages/"));
        QVERIFY(writeFile(folder + "Counting.lng",
                          "%n stations|%n Sender\n%Ln songs|%Ln Lieder\nPlay|Wiedergabe\n"));
        CLangManager* manager = CLangManager::instance();
        manager->load(folder + "Counting.lng");
        QCOMPARE(manager->translate("%n stations", nullptr, 3), QString("3 Sender"));
        QCOMPARE(manager->translate("%Ln songs", nullptr, 1234),
                 QLocale().toString(1234) + " Lieder");
        QCOMPARE(manager->translate("%n untranslated", nullptr, 2), QString("2 untranslated"));
        QCOMPARE(manager->translate("", nullptr, -1), QString());
        QCOMPARE(manager->translate(nullptr, nullptr, -1), QString());

        AppTranslator translator;
        QVERIFY(QCoreApplication::installTranslator(&translator));
        // The context does not matter: one text, one translation.
        QCOMPARE(QCoreApplication::translate("AnyContext", "Play"), QString("Wiedergabe"));
        QCOMPARE(QCoreApplication::translate("Other", "%n stations", nullptr, 1),
                 QString("1 Sender"));
        QCoreApplication::removeTranslator(&translator);
    }

    void listedFiles_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("plain") << "German.lng" << true << "German";
        QTest::newRow("lower case") << "german.lng" << true << "German";
        QTest::newRow("supplement") << "German.ex.lng" << false << "German";
        QTest::newRow("temporary") << "Germantmp.lng" << false << "Germantmp";
        QTest::newRow("ex at the start") << "ex.lng" << true << "Ex";
        QTest::newRow("traditional chinese")
            << "Traditional Chinese.lng" << false << "Traditional Chinese";
        QTest::newRow("chinese (traditional)")
            << "chinese (traditional).lng" << true << "Chinese (traditional)";
        QTest::newRow("serbian latin") << "Serbian Latin.lng" << false << "Serbian Latin";
        QTest::newRow("old name") << "lang.german.lng" << true << "Lang";
    }

    void listedFiles() {
        QFETCH(QString, fileName);
        QFETCH(bool, listed);
        QFETCH(QString, displayName);
        QCOMPARE(LanguageFiles::isListed(fileName), listed);
        QCOMPARE(LanguageFiles::displayName(fileName), displayName);
    }

    void flagCountries_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("country");
        QTest::newRow("english") << "English" << "UK";
        QTest::newRow("german") << "German" << "Germany";
        QTest::newRow("brazilian") << "Portuguese (Brazilian)" << "Brazil";
        QTest::newRow("chinese contained") << "Chinese (simplified)" << "China";
        QTest::newRow("croatian contained") << "Old croatian" << "Croatia";
        QTest::newRow("serbian contained") << "SERBIAN" << "Serbia";
        QTest::newRow("exact only") << "german" << "";
        QTest::newRow("unknown") << "Klingon" << "";
    }

    void flagCountries() {
        QFETCH(QString, language);
        QFETCH(QString, country);
        QCOMPARE(LanguageFiles::flagCountry(language), country);
    }

    void filesOfSeveralFolders() {
        QTemporaryDir user;
        QTemporaryDir shipped;
        QVERIFY(writeFile(shipped.filePath("German.lng"), "Play|Wiedergabe\n"));
        QVERIFY(writeFile(shipped.filePath("German.ex.lng"), "Play|Abspielen\n"));
        QVERIFY(writeFile(shipped.filePath("Russian.lng"), "Play|Играть\n"));
        QVERIFY(writeFile(user.filePath("german.lng"), "Play|Los\n"));
        QVERIFY(writeFile(user.filePath("Basque.lng"), "Play|Jo\n"));
        const LanguageFiles files({user.path(), shipped.path()});
        QStringList names;
        for (const LanguageFiles::Entry& entry : files.entries())
            names << entry.fileName;
        QCOMPARE(names, QStringList({"Basque.lng", "Russian.lng", "german.lng"}));
        QCOMPARE(files.find("GERMAN.xml"), user.filePath("german.lng"));
        QCOMPARE(files.find("russian.lng"), shipped.filePath("Russian.lng"));
        QVERIFY(files.find("Klingon.lng").isEmpty());
    }

    void unknownStartLanguageFallsBackToEnglish() {
        AppSettings* settings = AppSettings::instance();
        const QString folder = settings->languageFolder();
        QVERIFY(writeFile(folder + "Polish.lng", "Play|Odtwórz\n"));
        settings->setLanguageFile("polish.lng");
        QVERIFY(WindowLanguage::fallBackToEnglish(settings).isEmpty());
        QCOMPARE(settings->LanguageFile(), QString("polish.lng"));

        settings->setLanguageFile("klingon.lng");
        const QString message = WindowLanguage::fallBackToEnglish(settings);
        QVERIFY2(message.contains("klingon.lng"), qPrintable(message));
        QVERIFY(message.contains("English"));
        QCOMPARE(settings->LanguageFile(), QString("English.lng"));
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
