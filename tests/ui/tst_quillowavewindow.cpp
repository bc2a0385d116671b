// The main window as a user meets it, on the offscreen platform: the bundled directory, playing a
// station from the tree, the panel and status bar, the volume keys, options and mini mode.

#include "settings/appsettings.h"
#include "app/quillowavewindow.h"
#include "audio/bass.h"
#include "stations/bramblerstations.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "support/fixture.h"
#include "ui/favoritedlg.h"
#include "ui/optionsdialog.h"
#include "ui/peakmeter.h"
#include "ui/popupinfo.h"
#include "ui/questionanswerer.h"
#include "ui/stationpages.h"
#include "ui/stationtreeview.h"
#include "ui/windowprofile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QNetworkProxy>
#include <QPointer>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

constexpr int kWaitMs = 20000;

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

// A one-station list whose only station plays the fixture's MP3 mount.
class LoopbackStations : public RadioStations {
public:
    explicit LoopbackStations(const QString& url) {
        auto group = QSharedPointer<Group>::create();
        group->name = group->title = QStringLiteral("Loopback");
        group->kind = Group::KindTop;
        auto preset = QSharedPointer<Preset>::create();
        preset->title = QStringLiteral("Loopback Radio");
        preset->website = QStringLiteral("http://127.0.0.1/");
        preset->addSource(url);
        preset->setGroup(group.data());
        group->stations << preset.data();
        allPresets << preset;
        topGroups << group;
    }
};

// The window with the start of a new process recorded instead of done, so that restarting and
// uninstalling can be followed without a second program on the screen.
class LeavingWindow : public QuillowaveWindow {
public:
    using QuillowaveWindow::QuillowaveWindow;
    QList<QStringList> started;

protected:
    bool startProgram(const QStringList& arguments) override {
        started << arguments;
        return true;
    }
};

const QString kRestartQuestion = QStringLiteral("Restart is required. Do it now?");

} // namespace

class TestQuillowaveWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;

    // Handles the modal windows that open next, one step each, from inside their own loops; a
    // window the step did not close (not the kind it expected) is closed, so the test goes on.
    void answerModals(QList<std::function<void(QWidget*)>> steps) {
        auto* poll = new QTimer(this);
        poll->setInterval(20);
        QPointer<QWidget> handled;
        connect(poll, &QTimer::timeout, this, [poll, handled, steps]() mutable {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == handled)
                return;
            handled = modal;
            steps.takeFirst()(modal);
            if (modal->isVisible())
                modal->close();
            if (steps.isEmpty())
                poll->deleteLater();
        });
        poll->start();
    }

    void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
    }

    void init() {
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
    }

    void cleanup() { m_window.reset(); }

    void opensWithTheBundledDirectory() {
        StationTreeView* tree = m_window->directoryView();
        QVERIFY(tree->topLevelItemCount() > 0);
        QTreeWidgetItem* region = tree->topLevelItem(0);
        QVERIFY(region->text(0).contains(QLatin1Char('(')));
        tree->expandItem(region);
        QVERIFY(region->childCount() > 0);
        bool flagged = false;
        for (int i = 0; i < region->childCount(); ++i)
            flagged |= !region->child(i)->icon(0).isNull();
        QVERIFY2(flagged, "no country of the first region shows a flag");
        QVERIFY(m_window->missingParts().isEmpty());
    }

    void playsTheStationChosenInTheTree() {
        LoopbackStations stations(icecast("/mp3"));
        StationTreeView* tree = m_window->directoryView();
        tree->setStations(&stations);
        QTreeWidgetItem* group = tree->topLevelItem(0);
        tree->expandItem(group);
        tree->setCurrentItem(group->child(0));
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(m_window->statusLabel()->text(), QStringLiteral("Connecting..."));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QVERIFY(m_window->stationLabel()->text().contains(QLatin1String("Loopback Radio")));
        QVERIFY(m_window->stationLabel()->text().contains(QLatin1String("href")));
        QVERIFY(m_window->streamInfoLabel()->text().contains(QLatin1String("128 kbps")));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->songLabel()->text(),
                                  QStringLiteral("Quillowave Test - Sine 440"), kWaitMs);
        QCOMPARE(m_window->windowTitle(),
                 QStringLiteral("Loopback Radio - Quillowave Test - Sine 440"));
        auto* play = m_window->findChild<QToolButton*>(QStringLiteral("btPlay"));
        QCOMPARE(play->text(), QStringLiteral("&Stop"));

        // A station that plays goes to the front of the history; F5 opens the favourite's editor
        // prefilled with it, and asks first when the station is a favourite already.
        QVERIFY(!m_window->history()->recent().isEmpty());
        QCOMPARE(m_window->history()->recent().first()->title, QStringLiteral("Loopback Radio"));
        const qsizetype favorites = m_window->favorites()->favorites().size();
        QString prefilled;
        QString title;
        answerModals({[&](QWidget* modal) {
            if (auto* editor = qobject_cast<FavoriteDlg*>(modal)) {
                prefilled = editor->nameEdit()->text();
                title = editor->windowTitle();
                editor->accept();
            }
        }});
        press(tree, Qt::Key_F5);
        QCOMPARE(prefilled, QStringLiteral("Loopback Radio"));
        QCOMPARE(title, QStringLiteral("Add to favorites"));
        QCOMPARE(m_window->favorites()->favorites().size(), favorites + 1);
        QString question;
        answerModals({[&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(QMessageBox::No)->click();
            }
        }});
        press(tree, Qt::Key_F5);
        QCOMPARE(question, QStringLiteral("Station already exists in your favorites. Add anyway?"));
        answerModals({[](QWidget* modal) {
                          if (auto* box = qobject_cast<QMessageBox*>(modal))
                              box->button(QMessageBox::Yes)->click();
                      },
                      [](QWidget* modal) {
                          if (auto* editor = qobject_cast<FavoriteDlg*>(modal))
                              editor->reject();
                      }});
        press(tree, Qt::Key_F5);
        QCOMPARE(m_window->favorites()->favorites().size(), favorites + 1);

        m_window->slot_displayTimerUpdate();
        QVERIFY(!m_window->counterLabel(0)->text().isEmpty());
        QVERIFY(!m_window->counterLabel(2)->text().isEmpty());

        m_window->slot_Stop();
        QVERIFY(m_window->counterLabel(0)->text().isEmpty());
        QCOMPARE(play->text(), QStringLiteral("&Play"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Stopped"),
                                  kWaitMs);
        // Stopped shows as stopped: the station stays, the song and the title do not.
        QVERIFY(m_window->stationLabel()->text().contains(QLatin1String("Loopback Radio")));
        QCOMPARE(m_window->songLabel()->text(), QStringLiteral("Stopped"));
        QVERIFY(!m_window->songLabel()->isEnabled());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillowave"));
        tree->setStations(m_window->directory());
    }

    // After a restart the last station is the front of the history, ready for Play and F2.
    void lastStationComesFromTheHistoryAtStart() {
        Preset last;
        last.title = QStringLiteral("Last Night's Radio");
        last.addSource(icecast("/ogg"));
        m_window->history()->add(last);
        QVERIFY(m_window->history()->save());
        m_window.reset();
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
        QCOMPARE(m_window->playback()->currentStation().title, last.title);
        QVERIFY(m_window->stationLabel()->text().contains(last.title));
        QCOMPARE(m_window->songLabel()->text(), QStringLiteral("Stopped"));
        press(m_window->directoryView(), Qt::Key_F2);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QVERIFY(m_window->songLabel()->isEnabled());
        m_window->slot_Stop();
    }

    // The favourites page shows the user's stations, not the holder group they live in; with
    // one selected there, Ctrl+F5 edits it and Shift+Play plays it.
    void favoritesPageActsOnItsSelection() {
        Preset loose;
        loose.title = QStringLiteral("Morning Radio");
        loose.addSource(icecast("/mp3"));
        m_window->favorites()->add(loose);
        auto* pages = qobject_cast<StationPages*>(m_window->stationStack());
        pages->showFavorites(m_window->favorites());
        pages->setCurrentIndex(StationPages::PageFavorites);
        StationTreeView* view = pages->favoritesView();
        QTreeWidgetItem* station = nullptr;
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = view->topLevelItem(i);
            QVERIFY2(!item->text(0).startsWith(QLatin1String("Root")), qPrintable(item->text(0)));
            if (item->text(0) == loose.title)
                station = item;
        }
        QVERIFY(station);
        view->setCurrentItem(station);

        QString edited;
        const auto editOnly = [&edited](QWidget* modal) {
            if (auto* editor = qobject_cast<FavoriteDlg*>(modal)) {
                edited = editor->nameEdit()->text();
                editor->reject();
            }
        };
        answerModals({editOnly, editOnly});
        press(view, Qt::Key_F5, Qt::ControlModifier);
        QCOMPARE(edited, loose.title);

        auto* play = m_window->findChild<QToolButton*>(QStringLiteral("btPlay"));
        QTest::mouseClick(play, Qt::LeftButton, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        QCOMPARE(m_window->playback()->currentStation().title, loose.title);
        m_window->slot_Stop();
    }

    void deadStationShowsItsErrorInRed() {
        Preset dead;
        dead.title = QStringLiteral("Dead");
        dead.addSource(QString::fromStdString(qwtest::httpUrl("/status/404")));
        m_window->playStation(dead, true);
        QTRY_VERIFY_WITH_TIMEOUT(
            m_window->statusLabel()->styleSheet().contains(QLatin1String("red")), kWaitMs);
        QCOMPARE(m_window->statusLabel()->text(), m_window->playback()->lastErrorText());
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playback()->isConnecting(), kWaitMs);
    }

    void volumeKeys() {
        QSlider* slider = m_window->volumeSlider();
        StationTreeView* tree = m_window->directoryView();
        m_window->setVolume(50);
        QCOMPARE(slider->value(), 50);
        press(tree, Qt::Key_F8);
        QCOMPARE(m_window->playback()->volume(), 40);
        press(tree, Qt::Key_F9);
        press(tree, Qt::Key_F9);
        QCOMPARE(m_window->playback()->volume(), 60);
        QCOMPARE(slider->value(), 60);
        // In the list "+" is the list's own key; with Ctrl it is the volume's.
        press(tree, Qt::Key_Plus);
        QCOMPARE(m_window->playback()->volume(), 60);
        press(tree, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(m_window->playback()->volume(), 65);
        auto* options = m_window->findChild<QToolButton*>(QStringLiteral("btOptions"));
        press(options, Qt::Key_Minus);
        QCOMPARE(m_window->playback()->volume(), 60);
        press(options, Qt::Key_Home);
        QCOMPARE(m_window->playback()->volume(), 100);
        press(options, Qt::Key_F9);
        QCOMPARE(m_window->playback()->volume(), 100);
        press(options, Qt::Key_End);
        QCOMPARE(m_window->playback()->volume(), 0);
        press(options, Qt::Key_F8);
        QCOMPARE(m_window->playback()->volume(), 0);
    }

    void muteKeepsTheVolume() {
        m_window->setVolume(35);
        press(m_window->directoryView(), Qt::Key_F7);
        QVERIFY(m_window->playback()->isMuted());
        QCOMPARE(m_window->volumeSlider()->value(), 35);
        press(m_window->directoryView(), Qt::Key_F7);
        QVERIFY(!m_window->playback()->isMuted());
        QCOMPARE(m_window->playback()->volume(), 35);
        QCOMPARE(m_settings->Volume(), 35);
    }

    void ctrlTabWalksTheStationPages() {
        QStackedWidget* stack = m_window->stationStack();
        QCOMPARE(stack->currentIndex(), int(QuillowaveWindow::PageDirectory));
        press(m_window->directoryView(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(stack->currentIndex(), int(QuillowaveWindow::PageFavorites));
        for (int i = 0; i < stack->count() - 1; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(stack->currentIndex(), int(QuillowaveWindow::PageDirectory));
    }

    void optionsApplyTheButtonStyle() {
        auto* play = m_window->findChild<QToolButton*>(QStringLiteral("btPlay"));
        QVERIFY(!play->text().isEmpty());
        {
            OptionsDialog dialog(m_settings, m_window.get());
            auto* style = qobject_cast<QComboBox*>(dialog.editor(QStringLiteral("ButtonsStyle")));
            QVERIFY(style);
            style->setCurrentIndex(style->findData(0));
            dialog.save();
        }
        QCOMPARE(m_settings->ButtonsStyle(), 0);
        m_window->applySettings();
        QVERIFY(play->text().isEmpty());
        QCOMPARE(play->toolButtonStyle(), Qt::ToolButtonIconOnly);
        // Shortcut letters still come from the captions of the other buttons.
        QCOMPARE(m_window->keyboardRules().shortcutLetters().value(QLatin1Char('O')),
                 QStringLiteral("btOptions"));
        m_settings->setButtonsStyle(2);
        m_window->applySettings();
        QCOMPARE(play->text(), QStringLiteral("&Play"));
    }

    void optionsDialogKeepsEveryValueItDoesNotTouch() {
        const QMap<QString, QString> before = m_settings->defaults();
        OptionsDialog dialog(m_settings, m_window.get());
        dialog.save();
        for (auto it = before.constBegin(); it != before.constEnd(); ++it)
            QCOMPARE(m_settings->defaults().value(it.key()), it.value());
    }

    // Options speak the user's units: fields as check boxes, the buffer in KB; and an untouched
    // font is not stored, so the desktop's font keeps being followed.
    void optionsShowFieldsAndSizesNotRawNumbers() {
        auto* streamInfo = m_window->findChild<QLabel*>(QStringLiteral("labelStatusInfo"));
        auto* songTime = m_window->findChild<QLabel*>(QStringLiteral("labelSongTime"));
        QVERIFY(!streamInfo->isVisibleTo(m_window.get()));
        QVERIFY(songTime->isVisibleTo(m_window.get()));
        {
            OptionsDialog dialog(m_settings, m_window.get());
            auto* info = dialog.findChild<QCheckBox*>(QStringLiteral("StatusBarLabels2"));
            auto* song = dialog.findChild<QCheckBox*>(QStringLiteral("StatusBarLabels8"));
            QVERIFY(info && song);
            QVERIFY(!info->isChecked());
            info->setChecked(true);
            song->setChecked(false);
            auto* buffer = qobject_cast<QSpinBox*>(dialog.editor(QStringLiteral("RecBuffer")));
            QCOMPARE(buffer->value(), 5000);
            QCOMPARE(buffer->suffix(), QStringLiteral(" KB"));
            buffer->setValue(100);
            dialog.save();
        }
        QCOMPARE(m_settings->StatusBarLabels(), 1 | 2 | 4 | 16 | 32);
        QCOMPARE(m_settings->RecBuffer(), 100 * 1024);
        QVERIFY(!QSettings(m_settings->settingsFile(), QSettings::IniFormat)
                     .contains(QStringLiteral("AppFont")));
        m_window->applySettings();
        QVERIFY(streamInfo->isVisibleTo(m_window.get()));
        QVERIFY(!songTime->isVisibleTo(m_window.get()));
        m_settings->setStatusBarLabels(0);
        m_settings->setRecBuffer(5120000);
        m_window->applySettings();
        QVERIFY(songTime->isVisibleTo(m_window.get()));
    }

    void meterColoursFollowTheSettings() {
        m_settings->setPeakMeterEnabled(false);
        m_window->applySettings();
        auto* meter = m_window->findChild<PeakMeter*>(QStringLiteral("peakLeft"));
        QVERIFY(!meter->isEnabled());
        m_settings->setPeakMeterEnabled(true);
        m_window->applySettings();
        QVERIFY(meter->isEnabled());
        meter->setLevel(PeakMeter::MaximumLevel * 2);
        QCOMPARE(meter->level(), PeakMeter::MaximumLevel);
    }

    void popupNotificationUsesTheColours() {
        m_settings->setBalloonTooltip(true);
        m_settings->setPopupBackColor(QStringLiteral("#102030"));
        m_window->notify(QStringLiteral("Station"), QStringLiteral("Song"),
                         QuillowaveWindow::NotifyPopup);
        PopupInfo* popup = m_window->popupInfo();
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->heading(), QStringLiteral("Station"));
        QCOMPARE(popup->text(), QStringLiteral("Song"));
        QVERIFY(popup->styleSheet().contains(QLatin1String("#102030")));
        // Without the option nothing is shown, not even on request.
        popup->hide();
        m_settings->setBalloonTooltip(false);
        m_window->notify(QStringLiteral("Other"), QStringLiteral("Text"),
                         QuillowaveWindow::NotifyPopup);
        QVERIFY(!popup->isVisible());
        QCOMPARE(popup->heading(), QStringLiteral("Station"));
        m_settings->setBalloonTooltip(true);
    }

    void proxyIsAppliedAndOnlyItsRemovalNeedsARestart() {
        SettingsApplier applier;
        m_settings->setProxy(QString());
        QVERIFY(!applier.applyEngine(*m_settings, nullptr));
        m_settings->setProxy(QStringLiteral("proxy.example"));
        m_settings->setProxyPort(QStringLiteral("3128"));
        m_settings->setProxyUsername(QStringLiteral("me"));
        m_settings->setProxyPassword(QStringLiteral("pw"));
        QVERIFY(!applier.applyEngine(*m_settings, nullptr));
        const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
        QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);
        QCOMPARE(proxy.hostName(), QStringLiteral("proxy.example"));
        QCOMPARE(proxy.port(), quint16(3128));
        QCOMPARE(proxy.user(), QStringLiteral("me"));
        m_settings->setProxy(QString());
        QVERIFY(applier.applyEngine(*m_settings, nullptr));
        // What the restart would do: later tests connect without the made-up proxy.
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
    }

    void droppedTextPlaysTheAddressConfirmedInIt() {
        const QString address = icecast("/mp3");
        QMimeData mime;
        // A browser's drag: the address, then the page title after a bar.
        mime.setText(QStringLiteral("  ") + address + QStringLiteral("|Loopback Radio\n"));
        QString offered;
        answerModals({[&](QWidget* modal) {
            if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                offered = input->textValue();
                input->accept();
            }
        }});
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application delivers drops only during a real drag.
        QObject* target = m_window.get();
        target->event(&drop);
        QCOMPARE(offered, address);
        QTRY_COMPARE_WITH_TIMEOUT(
            PlaybackController::currentUrl(m_window->playback()->currentStation()), address,
            kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusLabel()->text(), QStringLiteral("Playing"),
                                  kWaitMs);
        m_window->slot_Stop();

        // Cancelling the box plays nothing, and Open URL no longer offers the address.
        answerModals({[](QWidget* modal) {
            if (auto* input = qobject_cast<QInputDialog*>(modal))
                input->reject();
        }});
        target->event(&drop);
        QString reoffered = QStringLiteral("unset");
        answerModals({[&](QWidget* modal) {
            if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                reoffered = input->textValue();
                input->reject();
            }
        }});
        m_window->slot_openURL();
        QCOMPARE(reoffered, QString());
        QVERIFY(!m_window->playback()->isActive());
    }

    void closingFollowsMinimizeOnExit() {
        QApplication::setQuitOnLastWindowClosed(false);
        m_settings->setMinimizeOnExit(true);
        QVERIFY(!m_window->close());
        QVERIFY(m_window->isMinimized());
        m_settings->setMinimizeOnExit(false);
        // Nothing records, so leaving needs no question.
        QVERIFY(m_window->confirmExit());
        QVERIFY(m_window->close());
        QVERIFY(!m_window->isVisible());
        QApplication::setQuitOnLastWindowClosed(true);
    }

    void aChangedListOptionAsksForARestartOncePerChange() {
        m_window.reset();
        auto* window = new LeavingWindow(m_settings);
        m_window.reset(window);
        const bool groupsFirst = m_settings->ShowGroupsFirst();
        QuestionAnswerer no(QMessageBox::No);
        window->applySettings();
        QVERIFY(no.asked.isEmpty());
        m_settings->setShowGroupsFirst(!groupsFirst);
        window->applySettings();
        QCOMPARE(no.asked, QStringList{kRestartQuestion});
        window->applySettings();
        QCOMPARE(no.asked.size(), 1);
        // Going back is a change of its own from what the window now counts as built.
        m_settings->setShowGroupsFirst(groupsFirst);
        window->applySettings();
        QCOMPARE(no.asked.size(), 2);
        QVERIFY(window->started.isEmpty());
    }

    void miniModeHidesTheListsAndComesBack() {
        QStackedWidget* stack = m_window->stationStack();
        QVERIFY(stack->isVisible());
        press(m_window->directoryView(), Qt::Key_F12);
        QVERIFY(m_window->isMiniMode());
        QVERIFY(!stack->isVisible());
        QVERIFY(m_settings->MiniMode());
        // Compact, with its way back in a context menu and on a double-click.
        QVERIFY(m_window->width() < 520);
        auto* menu = m_window->findChild<QMenu*>(QStringLiteral("menuMiniMode"));
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Normal mode\tF12"));
        QTest::mouseDClick(m_window->songLabel(), Qt::LeftButton);
        QVERIFY(!m_window->isMiniMode());
        QVERIFY(stack->isVisible());
        QVERIFY(!m_settings->MiniMode());
        // Outside mini mode a double-click is the widget's own.
        QTest::mouseDClick(m_window->songLabel(), Qt::LeftButton);
        QVERIFY(!m_window->isMiniMode());
    }

    // The last two: once the window has asked the event loop to end, no modal loop blocks any
    // more, so no test that answers a question may follow them.
    void restartLeavesOnlyWhenTheUserAgrees() {
        m_window.reset();
        auto* window = new LeavingWindow(m_settings);
        m_window.reset(window);
        {
            QuestionAnswerer no(QMessageBox::No);
            window->restartApplication(true);
            QCOMPARE(no.asked, QStringList{kRestartQuestion});
        }
        QVERIFY(window->started.isEmpty());
        {
            QuestionAnswerer yes(QMessageBox::Yes);
            window->restartApplication(true);
            QCOMPARE(yes.asked, QStringList{kRestartQuestion});
            QCOMPARE(window->started, QList<QStringList>{QStringList()});
            // A window on its way out starts no second program.
            window->restartApplication(false);
        }
        QCOMPARE(window->started.size(), 1);
    }

    void uninstallHandsOverWithoutSavingAnything() {
        const QString tree = m_window->directoryView()->objectName();
        m_window->directoryView()->setColumnWidth(0, 321);
        m_window.reset();
        QCOMPARE(m_settings->columnWidth(tree, 0, -1), 321);

        auto* window = new LeavingWindow(m_settings);
        m_window.reset(window);
        window->directoryView()->setColumnWidth(0, 333);
        window->slot_Uninstall();
        QCOMPARE(window->started, QList<QStringList>{QStringList{QStringLiteral("/uninstall")}});
        // The new process removes the data folder; this one must not write into it afterwards.
        m_window.reset();
        QCOMPARE(m_settings->columnWidth(tree, 0, -1), 321);
    }
};

QTEST_MAIN(TestQuillowaveWindow)
#include "tst_quillowavewindow.moc"
