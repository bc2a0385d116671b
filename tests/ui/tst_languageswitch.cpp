// The window in another language: it opens in the stored one, and picking a language from the
// menu re-translates at once what is open (menus, buttons, headers, an open dialog) while the
// user's own texts stay as they are.

#include "windowprofile.h"

#include "app/clangmanager.h"
#include "app/windowlanguage.h"
#include "ui/optionsdialog.h"
#include "ui/searchlineedit.h"
#include "ui/stationtreeview.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

namespace {

bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

const QByteArray German = "&File|&Datei\n"
                          "&Play|&Wiedergabe\n"
                          "Play|Abspielen\n"
                          "Play the last station|Zuletzt gehörten Sender spielen\n"
                          "Type to search|Suchbegriff eingeben\n"
                          "Station|Sender\n"
                          "Options|Optionen\n"
                          "General|Allgemein\n"
                          "Stop|Stopp\n"
                          "German|Deutsch\n"
                          "Russian|Russisch\n";
const QByteArray Russian = "&File|&Файл\n"
                           "&Play|&Играть\n"
                           "Options|Настройки\n"
                           "General|Общие\n"
                           "Station|Станция\n"
                           "German|Немецкий\n"
                           "Russian|Русский\n";

} // namespace

class TestLanguageSwitch : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;

    QString fileMenuTitle() const {
        return m_window->menuBar()->actions().constFirst()->text();
    }

    // The File menu's Play item, which names its key.
    QString playMenuItem() const {
        const QList<QAction*> items =
            m_window->menuBar()->actions().constFirst()->menu()->actions();
        for (QAction* action : items) {
            if (action->text().endsWith(QStringLiteral("\tF2")))
                return action->text();
        }
        return {};
    }

    QToolButton* playButton() const { return m_window->findChild<QToolButton*>("btPlay"); }

    QAction* languageAction(const QString& shown) {
        QMenu* menu = m_window->language()->menu();
        m_window->slot_langAboutToShow();
        for (QAction* action : menu->actions()) {
            if (action->text() == shown)
                return action;
        }
        return nullptr;
    }

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
        const QString folder = m_settings->languageFolder();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "English.lng", "; English\n"));
        QVERIFY(writeFile(folder + "German.lng", German));
        QVERIFY(writeFile(folder + "Russian.lng", Russian));
    }

    void cleanup() {
        m_window.reset();
        CLangManager::instance()->clear();
    }

    void switchRetranslatesTheOpenWindow() {
        m_settings->setLanguageFile("English.lng");
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
        auto* options = new OptionsDialog(m_settings, m_window.get());
        options->setAttribute(Qt::WA_DeleteOnClose);
        options->show();
        auto* tabs = options->findChild<QTabWidget*>();
        QVERIFY(tabs);
        m_window->songLabel()->setText("Stop");
        QCOMPARE(fileMenuTitle(), QString("&File"));
        QCOMPARE(playButton()->text(), QString("&Play"));
        QCOMPARE(playMenuItem(), QString("Play\tF2"));
        QCOMPARE(tabs->tabText(0), QString("General"));

        QSignalSpy changed(m_window.get(), &QuillowaveWindow::signal_langChanged);
        QAction* german = languageAction("German");
        QVERIFY(german);
        german->trigger();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_settings->LanguageFile(), QString("German.lng"));
        QCOMPARE(fileMenuTitle(), QString("&Datei"));
        QCOMPARE(playButton()->text(), QString("&Wiedergabe"));
        QCOMPARE(playMenuItem(), QString("Abspielen\tF2"));
        QCOMPARE(playButton()->toolTip(), QString("Zuletzt gehörten Sender spielen"));
        QCOMPARE(m_window->searchEdit()->placeholderText(), QString("Suchbegriff eingeben"));
        QCOMPARE(m_window->directoryView()->headerItem()->text(0), QString("Sender"));
        QCOMPARE(options->windowTitle(), QString("Optionen"));
        QCOMPARE(tabs->tabText(0), QString("Allgemein"));
        QCOMPARE(german->text(), QString("Deutsch"));
        QVERIFY(german->isChecked());
        QCOMPARE(m_window->songLabel()->text(), QString("Stop"));

        // The menu itself is in German now.
        QAction* russian = languageAction("Russisch");
        QVERIFY(russian);
        russian->trigger();
        QCOMPARE(fileMenuTitle(), QString("&Файл"));
        QCOMPARE(playButton()->text(), QString("&Играть"));
        QCOMPARE(options->windowTitle(), QString("Настройки"));
        QCOMPARE(tabs->tabText(0), QString("Общие"));
        QCOMPARE(m_window->directoryView()->headerItem()->text(0), QString("Станция"));
        // Texts the new language lacks fall back to English, not to the previous language.
        QCOMPARE(playButton()->toolTip(), QString("Play the last station"));
        QCOMPARE(playMenuItem(), QString("Play\tF2"));
        QCOMPARE(m_window->searchEdit()->placeholderText(), QString("Type to search"));

        QAction* english = languageAction("English");
        QVERIFY(english);
        english->trigger();
        QCOMPARE(fileMenuTitle(), QString("&File"));
        QCOMPARE(options->windowTitle(), QString("Options"));
        QCOMPARE(m_settings->LanguageFile(), QString("English.lng"));
        QCOMPARE(changed.count(), 3);
    }

    void opensInTheStoredLanguage() {
        // As "/lang=russian" stores it: lower case.
        m_settings->setLanguageFile("russian.lng");
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
        QCOMPARE(fileMenuTitle(), QString("&Файл"));
        QCOMPARE(playButton()->text(), QString("&Играть"));
        QAction* russian = languageAction("Русский");
        QVERIFY(russian);
        QVERIFY(russian->isChecked());
        QAction* german = languageAction("Немецкий");
        QVERIFY(german);
        QVERIFY(!german->isChecked());
    }
};

QTEST_MAIN(TestLanguageSwitch)
#include "tst_languageswitch.moc"
