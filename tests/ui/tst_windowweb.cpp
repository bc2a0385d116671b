// The window's entry points to the directory update and the station lists of other programs:
// the hourly tick, the menu's check against the test web site, a list dropped on the window and
// the report form behind the report button.
#include "app/quillowavewindow.h"
#include "app/windowweb.h"
#include "settings/appsettings.h"
#include "stations/mirelightstations.h"
#include "stations/presetsupdate.h"
#include "support/fixture.h"
#include "ui/nowplayingpanel.h"
#include "ui/stationformdlg.h"
#include "ui/windowprofile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace {

constexpr int kWaitMs = 30000;

QString httpUrl(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Answers the modal windows that open while it lives, keeping the texts of the message boxes;
// a form dialog gets a comment and is sent.
class ModalAnswerer {
public:
    ModalAnswerer() {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts << box->text();
                box->button(box->buttons().contains(box->button(QMessageBox::No)) ? QMessageBox::No
                                                                                  : QMessageBox::Ok)
                    ->click();
            } else if (auto* form = qobject_cast<StationFormDlg*>(modal)) {
                form->commentsEdit()->setPlainText(QStringLiteral("silent since Monday"));
                form->newUrlEdit()->setText(QStringLiteral("http://new.example/stream"));
                form->accept();
            }
        });
        m_poll.start();
    }
    QStringList texts;

private:
    QTimer m_poll;
};

QAction* findAction(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestWindowWeb : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;
    QString m_tag;

    QString sitePath(const QString& name) const {
        return QString::fromStdString(qwtest::wwwDir()) + "/" + m_tag + "/" + name;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP test server is not running");
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
        m_tag = QStringLiteral("window%1").arg(QCoreApplication::applicationPid());
        m_settings->setWebSiteHost(httpUrl("/site/" + m_tag));
        m_settings->setCountry(QStringLiteral("France"));
        QVERIFY(writeFile(sitePath("downloads/presets.ini"),
                          "PresetsVersion=" + QByteArray::number(m_settings->PresetsVersion())));
    }

    void init() {
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
    }

    void cleanup() { m_window.reset(); }

    // Once an hour the display timer asks for the check, which runs when one is due.
    void hourlyTickChecks() {
        m_settings->setLastPresetCheckDate(QDateTime());
        QVERIFY(QMetaObject::invokeMethod(m_window->playback(), "sig_hourlyCheck"));
        QTRY_VERIFY_WITH_TIMEOUT(m_settings->LastPresetCheckDate().isValid(), kWaitMs);
    }

    void menuCheckTellsTheUser() {
        ModalAnswerer answerer;
        QMenu* presets = m_window->presetsMenu();
        QAction* check = findAction(presets, QStringLiteral("Check for new stations file"));
        QVERIFY(check);
        check->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts.size(), 1, kWaitMs);
        QCOMPARE(answerer.texts.first(),
                 QStringLiteral("No update found. You currently have the latest presets file."));
    }

    // A list of another program dropped on the window becomes the directory, and the Presets
    // menu and the recent files follow it.
    void droppedListBecomesTheDirectory() {
        const QString path = m_dir.filePath(QStringLiteral("dropped.mld"));
        QVERIFY(writeFile(path, "Dropped One\t\tRock\tFrance\tFrench\thttp://127.0.0.1:9/one\n"
                                "Dropped Two, TX\t\tPop\tUSA\tEnglish\thttp://127.0.0.1:9/two\n"));
        ModalAnswerer answerer;
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application delivers drops only during a real drag.
        QObject* target = m_window.get();
        target->event(&drop);
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<MirelightStations*>(m_window->directory()), kWaitMs);
        QCOMPARE(m_window->directory()->allPresets.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts, QStringList{"Presets file loaded."}, kWaitMs);
        QVERIFY(m_settings->altPresetFiles().contains(path));
        QMenu* regions = m_window->presetsMenu()->findChild<QMenu*>(QStringLiteral("menuRegions"));
        QVERIFY(regions);
        emit regions->aboutToShow();
        QStringList titles;
        for (QAction* action : regions->actions())
            titles << action->text();
        QVERIFY2(titles.contains(QStringLiteral("France (1)")), qPrintable(titles.join(',')));
        QVERIFY2(titles.contains(QStringLiteral("USA (1)")), qPrintable(titles.join(',')));
    }

    void reportButtonSendsTheForm() {
        ModalAnswerer answerer;
        m_window->findChild<NowPlayingPanel*>()->reportButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts, QStringList{"Station report sent. Thank you."},
                                  kWaitMs);
        QFile posts(QString::fromStdString(qwtest::fixtureDir()) + "/httpserver/posts.log");
        const auto posted = [&] {
            if (!posts.open(QIODevice::ReadOnly))
                return false;
            const QByteArray all = posts.readAll();
            posts.close();
            return all.contains(("/" + m_tag + "/add_failed_station_post.php").toUtf8()) &&
                   all.contains("new_url=http%3A%2F%2Fnew.example%2Fstream");
        };
        QTRY_VERIFY_WITH_TIMEOUT(posted(), kWaitMs);
    }
};

QTEST_MAIN(TestWindowWeb)
#include "tst_windowweb.moc"
