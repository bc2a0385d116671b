#include "app/quillowavewindow.h"

#include "app/commandline.h"
#include "app/mprisservice.h"
#include "app/soundcontroller.h"
#include "app/windowaddressinput.h"
#include "app/windowclipboard.h"
#include "app/windowcoverart.h"
#include "app/windowkeyactions.h"
#include "app/windowlanguage.h"
#include "app/windowmenus.h"
#include "app/windowminimode.h"
#include "app/windowplayercontrol.h"
#include "app/windowremote.h"
#include "app/windowsound.h"
#include "app/windowstartup.h"
#include "app/windowtray.h"
#include "app/windowweb.h"
#include "audio/bass.h"
#include "bass/bassqt.h"
#include "qtext/exceptionhandler.h"
#include "qtext/qtsingleapplication.h"
#include "app/recordingcontroller.h"
#include "recording/appstream.h"
#include "recording/csystemshutdown.h"
#include "recording/playedtitles.h"
#include "recording/sleeptimer.h"
#include "recording/songlogger.h"
#include "recording/wishwatcher.h"
#include "settings/appsettings.h"
#include "settings/userfolders.h"
#include "stations/bramblerstations.h"
#include "stations/countryflags.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "ui/favoritedlg.h"
#include "ui/favoritesdlg.h"
#include "ui/onlinesearchpage.h"
#include "ui/optionsdialog.h"
#include "ui/playedtitlesview.h"
#include "ui/recoptions.h"
#include "ui/schedulestationdlg.h"
#include "ui/searchcontroller.h"
#include "ui/searchlineedit.h"
#include "ui/shutdowndlg.h"
#include "ui/stationpages.h"
#include "ui/stationtreeview.h"
#include "ui/themeicon.h"
#include "ui/wishlistdlg.h"
#include "ui/treestations.h"
#include "ui/treestationsmenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSlider>
#include <QStatusBar>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kInitDelayMs = 500;
constexpr int kHideDelayMs = 100;

// The last station stays named; the song gives way to a greyed "Stopped".
void showStopped(NowPlayingPanel& panel) {
    panel.showSong(QuillowaveWindow::tr("Stopped"));
    panel.songLabel()->setEnabled(false);
    panel.showStreamInfo(QString());
    panel.setLevels(0, 0);
}

// The station selected on the page shown, if any.
const Preset* selectedStation(const StationPages& pages, const History& history) {
    switch (pages.currentIndex()) {
    case StationPages::PageFavorites:
        return pages.favoritesView()->currentPreset();
    case StationPages::PageHistory: {
        const QTreeWidget* view = pages.historyView();
        return history.recent().value(view->indexOfTopLevelItem(view->currentItem()));
    }
    case StationPages::PageSearch:
        return pages.searchView()->currentPreset();
    default:
        return pages.directoryView()->currentPreset();
    }
}

// The crash handler goes in before the window does any other work, so that a fault anywhere in
// building it is reported too.
AppSettings* withCrashHandler(AppSettings* settings) {
    QT_EXT::ExceptionHandler::install(QStringLiteral("CrashReport"), QStringLiteral("1.40.1"),
                                      QString());
    return settings;
}

} // namespace

QuillowaveWindow::QuillowaveWindow(AppSettings* settings, QWidget* parent)
    : QMainWindow(parent), m_settings(withCrashHandler(settings)),
      m_language(new WindowLanguage(settings, this)),
      m_playback(new PlaybackController(settings, this)), m_directory(new BramblerStations(this)),
      m_startDirectory(m_directory), m_favorites(new Favorites(this)), m_history(new History(this)),
      m_builtWith(SettingsApplier::snapshot(*settings)) {
    setObjectName(QStringLiteral("QuillowaveWindow"));
    setWindowTitle(QStringLiteral("Quillowave"));
    setAcceptDrops(true);
    CountryFlags::initResources();
    // The icon installed into the hicolor theme, as menus and docks show it.
    setWindowIcon(ThemeIcon::get(QStringLiteral("quillowave"),
                                 ThemeIcon::resource(QStringLiteral("quillowave.svg")),
                                 ThemeIcon::resource(QStringLiteral("Station.ico"))));
    setupInfoPanel();
    setupButtons();
    setupStationPages();
    setupSearch();
    setupCentralLayout();
    setupStatusBar();
    setupRecording();
    m_web = new WindowWeb(this, m_settings);
    setupSongs();
    setupMenus();
    setupOnlinePage();
    setupTray();
    setupPlayback();
    setupRemote();
    setupCoverArt();
    setupDirectoryPopup();
    setupKeys();
    m_addressInput = new WindowAddressInput(this);
    new WindowMiniMode(this, m_menus->trayMenus());
    loadLists();
    setupStartup();
    applySettings();
    setupTimers();
    restoreSavedGeometry();
    volumeSlider()->setValue(m_playback->volume());
    QTimer::singleShot(kInitDelayMs, this,
                       [this] { m_startup->whenReady([this] { slot_Init(); }); });
}

void QuillowaveWindow::setupStartup() {
    m_startup = new WindowStartup(this, m_settings, directoryFile());
    connect(m_startup, &WindowStartup::sig_directoryRead, this,
            &QuillowaveWindow::adoptDirectory);
    connect(m_startup, &WindowStartup::sig_engineStarted, this,
            [this] { m_applier.applyEngine(*m_settings, m_playback->engine()); });
    connect(m_startup, &WindowStartup::sig_warning, this, [this](const QString& warning) {
        const QString earlier = statusLabel()->text();
        setStatusText(earlier.isEmpty() ? warning : earlier + QLatin1Char(' ') + warning);
    });
    // Calls over the bus find the names from the first paint on; those that need the audio
    // library or the directory wait for them.
    m_remote->setReadyGate(m_startup);
    connect(m_startup, &WindowStartup::sig_begun, this, [this] {
        for (const QString& text : m_remote->registerRemote())
            sayMissing(text);
        applyMediaKeys();
    });
    connect(m_startup, &WindowStartup::sig_ready, this, &QuillowaveWindow::showSoundWarning);
}

bool QuillowaveWindow::isReady() const {
    return m_startup->isReady();
}

void QuillowaveWindow::setupCentralLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setSpacing(6);
    layout->addWidget(m_panel);
    layout->addWidget(m_buttonBar);
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
}

void QuillowaveWindow::setupKeys() {
    m_keyActions =
        new WindowKeyActions(this, {m_settings, m_playback, m_panel, m_buttonBar, m_pages});
}

void QuillowaveWindow::restoreSavedGeometry() {
    m_miniMode = m_settings->MiniMode();
    const bool restored = m_miniMode ? m_settings->restoreWindowGeometryMini(this)
                                     : m_settings->restoreWindowGeometry(this);
    if (!restored)
        resize(760, 560);
    if (m_miniMode) {
        m_miniMode = false;
        slot_toggleCollapse();
        m_settings->restoreWindowGeometryMini(this);
    }
}

QuillowaveWindow::~QuillowaveWindow() {
    m_quitting = true;
    if (!m_saveOnExit)
        return;
    if (m_miniMode)
        m_settings->saveWindowGeometryMini(this);
    else
        m_settings->saveWindowGeometry(this);
    m_pages->saveColumnWidths(*m_settings);
}

void QuillowaveWindow::sayMissing(const QString& text) {
    if (m_missing.contains(text))
        return;
    m_missing << text;
    qWarning().noquote() << "QuillowaveWindow" << text;
    if (m_statusBar)
        setStatusText(text);
}

// --- set-up -----------------------------------------------------------------------------------

void QuillowaveWindow::setupInfoPanel() {
    m_panel = new NowPlayingPanel(this);
}

void QuillowaveWindow::setupButtons() {
    m_buttonBar = new MainButtonBar(this);
    MainButtonBar* bar = m_buttonBar;
    connect(bar->play(), &QToolButton::clicked, this, &QuillowaveWindow::slot_Play);
    connect(bar->stop(), &QToolButton::clicked, this, &QuillowaveWindow::slot_Stop);
    connect(bar->record(), &QToolButton::clicked, this, &QuillowaveWindow::slot_Record);
    connect(bar->mute(), &QToolButton::clicked, this, &QuillowaveWindow::slot_volumeMute);
    connect(bar->options(), &QToolButton::clicked, this, &QuillowaveWindow::slot_options);
    connect(bar->browser(), &QToolButton::clicked, this, [this] {
        m_pages->setCurrentIndex(PageDirectory);
        m_pages->directoryView()->setFocus();
    });
    connect(bar->favorites(), &QToolButton::clicked, this,
            [this] { m_pages->setCurrentIndex(PageFavorites); });
    connect(bar->history(), &QToolButton::clicked, this,
            [this] { m_pages->setCurrentIndex(PageHistory); });
    connect(bar->search(), &QToolButton::clicked, this, [this] {
        m_pages->setCurrentIndex(PageSearch);
        m_buttonBar->searchEdit()->setFocus();
    });
    connect(bar->volumeSlider(), &QSlider::valueChanged, this,
            &QuillowaveWindow::slot_volumeChanged);
}

void QuillowaveWindow::setupStationPages() {
    m_pages = new StationPages(m_history, this);
    m_pages->loadColumnWidths(*m_settings);
    connect(m_pages, &StationPages::signal_itemActivated, this,
            [this](Preset* preset) { playStation(*preset, true); });
    connect(m_pages, &StationPages::signal_scheduleStation, this,
            &QuillowaveWindow::slot_scheduleStation);
}

void QuillowaveWindow::setupSearch() {
    m_search = new SearchController(this);
    m_search->setFallbackList(m_directory);
    m_search->loadHistory();
    connect(searchEdit(), &SearchLineEdit::signal_Search, this, &QuillowaveWindow::slot_Search);
    connect(m_search, &SearchController::signal_Started, this,
            [this] { m_pages->setCurrentIndex(PageSearch); });
    connect(m_search, &SearchController::signal_Finished, this,
            [this](const RadioStations::PresetList& results) {
                m_pages->searchView()->setPresets(m_directory, results);
            });
    connect(m_search, &SearchController::signal_Cleared, m_pages->searchView(),
            &TreeStations::clearStations);
    connect(m_search, &SearchController::signal_CountChanged, m_pages->searchCountLabel(),
            &QLabel::setText);
    // The arrow beside Search repeats an earlier search in the mode it ran with.
    auto* recent = new QMenu(m_buttonBar->search());
    connect(recent, &QMenu::aboutToShow, this,
            [this, recent] { m_search->buildSearchMenu(recent); });
    connect(recent, &QMenu::triggered, m_search, &SearchController::slot_menuSearch);
    m_buttonBar->search()->setMenu(recent);
    m_buttonBar->search()->setPopupMode(QToolButton::MenuButtonPopup);
}

void QuillowaveWindow::slot_Search(const QString& text) {
    if (text.isEmpty())
        m_search->slot_clearSearch();
    else
        m_search->search(text, SearchController::ModeText);
}

void QuillowaveWindow::setupStatusBar() {
    m_statusBar = new PlayerStatusBar(this);
    setStatusBar(m_statusBar);
    connect(m_statusBar->statusLabel(), &QLabel::linkActivated, this,
            &QuillowaveWindow::slot_statusLabelChanged);
}

void QuillowaveWindow::showSoundWarning() {
    // Playing in silence must not look like playing: the warning stays while it holds.
    if (BASS_GetDevice() != 0)
        return;
    m_statusBar->setWarning(tr("No sound"));
    m_statusBar->warningLabel()->setToolTip(
        tr("No sound device is in use: stations play in silence. Choose an output device "
           "in Options, Playback, and start Quillowave again."));
}

void QuillowaveWindow::setupMenus() {
    m_sound = new WindowSound(this, m_settings, m_playback);
    connect(m_sound->controller(), &SoundController::sig_status, this,
            [this](const QString& text) { setStatusText(text); });
    connect(m_sound->controller(), &SoundController::sig_error, this,
            &QuillowaveWindow::showError);
    m_menus = new WindowMenus(this, m_settings, m_buttonBar->favorites());
    m_menus->build(menuBar());
    QMenu* language = m_language->addMenu(m_menus->menu(PlayerControl::Menu::Settings));
    connect(language, &QMenu::aboutToShow, this, &QuillowaveWindow::slot_langAboutToShow);
    connect(language, &QMenu::triggered, this, &QuillowaveWindow::slot_langMenu);
    connect(m_language, &WindowLanguage::signal_langChanged, this,
            &QuillowaveWindow::signal_langChanged);
    connect(this, &QuillowaveWindow::signal_langChanged, this,
            &QuillowaveWindow::slot_langChanged);
    connect(m_menus, &WindowMenus::signal_historyCleared, this, &QuillowaveWindow::fillHistory);
}

void QuillowaveWindow::setupOnlinePage() {
    OnlineSearchPage* online = OnlineSearchPage::create(*m_settings, m_pages);
    m_pages->setOnlinePage(online);
    const auto show = [this] { m_pages->setCurrentIndex(PageOnline); };
    connect(m_pages, &StationPages::signal_searchOnline, this, [this, show, online] {
        show();
        online->searchFor(searchEdit()->text());
    });
    m_menus->presetsMenu()->addSeparator();
    m_menus->presetsMenu()->addAction(tr("Online directory"), this, show);
}

void QuillowaveWindow::setupTray() {
    m_tray = new WindowTray(this, m_settings);
    const QString missing = m_tray->create(m_menus->trayMenus());
    if (!missing.isEmpty())
        sayMissing(missing);
}

void QuillowaveWindow::setupPlayback() {
    PlaybackController* p = m_playback;
    // The controller, created before the web helper, is also destroyed before it.
    p->engine()->SetUserPrompt(m_web->prompt());
    connect(p, &PlaybackController::sig_status, this,
            [this](const QString& text) { setStatusText(text); });
    connect(p, &PlaybackController::sig_error, this, &QuillowaveWindow::showError);
    connect(p, &PlaybackController::sig_errorBox, this,
            [this](const QString& station, const QString& text) {
                QMessageBox::warning(this, tr("Quillowave"),
                                     station + QStringLiteral("\n\n") + text);
            });
    connect(p, &PlaybackController::sig_errorCleared, this, &QuillowaveWindow::clearError);
    connect(p, &PlaybackController::sig_noSources, this, [this] {
        setStatusText(tr("No Sources"));
        if (!m_quitting)
            QMessageBox::information(this, tr("Quillowave"), tr("No Sources"));
    });
    connect(p, &PlaybackController::sig_stationShown, this, &QuillowaveWindow::showStation);
    connect(p, &PlaybackController::sig_stopped, this, [this] {
        showStopped(*m_panel);
        setWindowTitle(QStringLiteral("Quillowave"));
        m_tray->setToolTip(windowTitle());
    });
    connect(p, &PlaybackController::sig_stationPlaying, this, &QuillowaveWindow::addToHistory);
    connect(p, &PlaybackController::sig_songChanged, this, &QuillowaveWindow::showSong);
    connect(p, &PlaybackController::sig_busyChanged, this, &QuillowaveWindow::updatePlayButton);
    connect(p, &PlaybackController::sig_muteChanged, this, &QuillowaveWindow::updateMuteButton);
    connect(p, &PlaybackController::sig_waitCursor, this, [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    setupPlaybackDisplay();
    updatePlayButton(false);
}

void QuillowaveWindow::setupPlaybackDisplay() {
    PlaybackController* p = m_playback;
    connect(p, &PlaybackController::sig_urlShown, m_statusBar, &PlayerStatusBar::showStreamInfo);
    connect(p, &PlaybackController::sig_streamInfo, m_panel, &NowPlayingPanel::showStreamInfo);
    connect(p, &PlaybackController::sig_streamInfo, m_statusBar, &PlayerStatusBar::showStreamInfo);
    connect(p, &PlaybackController::sig_countersChanged, m_statusBar,
            &PlayerStatusBar::setCounters);
    connect(p, &PlaybackController::sig_countersReset, this, &QuillowaveWindow::resetCounters);
    connect(p, &PlaybackController::sig_reportButton, m_panel->reportButton(),
            &QWidget::setVisible);
    connect(m_panel->reportButton(), &QToolButton::clicked, m_web,
            &WindowWeb::slot_reportBadStation);
    connect(p, &PlaybackController::sig_hourlyCheck, m_web, &WindowWeb::hourlyCheck);
    connect(p, &PlaybackController::sig_volumeChanged, this, [this](int volume) {
        QSlider* slider = volumeSlider();
        slider->blockSignals(true);
        slider->setValue(volume);
        slider->blockSignals(false);
        slider->setToolTip(QStringLiteral("%1 %2%").arg(tr("Volume")).arg(volume));
    });
    connect(p, &PlaybackController::sig_sleepChanged, this, [this, p](int remaining) {
        const SleepTimer* timer = p->sleepTimer();
        m_statusBar->setSleepText(
            timer->isRunning() ? tr("Sleep %1").arg(StatusCounters::elapsedText(remaining))
                               : QString(),
            timer->toolTip());
    });
    connect(p, &PlaybackController::sig_sleepExpired, this, &QuillowaveWindow::runSleepAction);
}

void QuillowaveWindow::setupRecording() {
    m_recording = new RecordingController(m_settings, m_playback->engine(), this);
    connect(m_recording, &RecordingController::sig_started, this,
            [this](const QString& fileName) { showRecording(true, fileName); });
    connect(m_recording, &RecordingController::sig_stopped, this,
            [this] { showRecording(false, QString()); });
    connect(m_recording, &RecordingController::sig_message, this,
            [this](const QString& text) { QMessageBox::warning(this, tr("Quillowave"), text); });
    connect(m_playback->engine(), &AppStream::signal_recordSplit, this,
            &QuillowaveWindow::slot_streamRecordSplit);
    m_playback->setQuestion([this](const QString& text) {
        return QMessageBox::question(this, tr("Quillowave"), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    // After the button bar's own reaction to the same signals, which knows nothing of recording.
    connect(m_playback, &PlaybackController::sig_busyChanged, this,
            &QuillowaveWindow::updateRecordControl);
    connect(m_playback, &PlaybackController::sig_stationPlaying, this,
            &QuillowaveWindow::updateRecordControl);
    updateRecordControl();
}

void QuillowaveWindow::slot_streamRecordSplit(AppStream*) {
    if (m_recording->isRecording())
        m_statusBar->showRecordingFile(m_recording->fileName());
}

void QuillowaveWindow::showRecording(bool recording, const QString& fileName) {
    QToolButton* record = m_buttonBar->record();
    const QIcon recordIcon = ThemeIcon::get(QStringLiteral("media-record"),
                                            ThemeIcon::resource(QStringLiteral("RecordStart.png")));
    record->setIcon(recording
                        ? ThemeIcon::get(QStringLiteral("media-playback-stop"),
                                         ThemeIcon::resource(QStringLiteral("RecordStop.png")))
                        : recordIcon);
    if (m_settings->ButtonsStyle() != 0)
        record->setText(recording ? tr("Stop") : tr("&Record"));
    m_menus->setRecordActionText(m_recording->actionText());
    m_statusBar->showRecording(recording ? recordIcon : QIcon(), fileName);
    m_tray->setRecording(recording);
    if (recording || m_playback->isActive())
        setStatusText(recording ? tr("Recording") : tr("Playing"));
    updateRecordControl();
}

void QuillowaveWindow::updateRecordControl() {
    QToolButton* record = m_buttonBar->record();
    record->setEnabled(m_recording->blockedReason().isEmpty());
    record->setToolTip(m_recording->toolTip());
    if (!m_recording->isRecording())
        return;
    const BASS::CRecord& state = m_playback->engine()->Record();
    m_statusBar->setRecordingCounters(StatusCounters::byteText(state.BytesWritten()),
                                      StatusCounters::elapsedText(state.RecordedSeconds()));
}

void QuillowaveWindow::setupTimers() {
    m_displayTimer = new QTimer(this);
    connect(m_displayTimer, &QTimer::timeout, this, &QuillowaveWindow::slot_displayTimerUpdate);
    m_displayTimer->start(1000);
}

void QuillowaveWindow::setupRemote() {
    m_remote = new WindowRemote(this, m_playback);
    connect(m_playback, &PlaybackController::sig_stationPlaying, this,
            &QuillowaveWindow::startTimedRecording);
}

void QuillowaveWindow::startTimedRecording() {
    // The engine's limit is set here, not when the command arrives: the stop before the new
    // station opens clears it. The playback controller ends playback once it is reached.
    const int seconds = m_remote->player()->takeTimedRecordingSeconds();
    if (seconds < RecordingController::MinTimedRecordingSeconds || m_recording->isRecording())
        return;
    m_playback->engine()->SetRecordingLimit(seconds);
    m_recording->start(m_settings->RecordNoSplit() ? RecordingController::Split::No
                                                   : RecordingController::Split::Yes);
    updateRecordControl();
}

void QuillowaveWindow::setupCoverArt() {
    m_coverArt = new WindowCoverArt(this, m_panel, m_playback->engine()->GetCoverArt());
    connect(m_coverArt, &WindowCoverArt::sig_coverChanged, m_remote->mpris(),
            &MprisService::playerStateChanged);
    connect(m_coverArt, &WindowCoverArt::sig_coverChanged, this, [this](const QString& file) {
        if (!file.isEmpty() && m_coverArt->isCoverOf(m_playback->engine()->CurrentSong()))
            m_tray->showSongCover(file);
    });
}

void QuillowaveWindow::applyMediaKeys() {
    // The desktop's controls find the player once the window is on screen.
    if (!m_startup->hasBegun())
        return;
    const QString failure = m_remote->setMediaKeys(m_settings->ProcessMediaKeys());
    if (!failure.isEmpty())
        sayMissing(failure);
}

void QuillowaveWindow::setupDirectoryPopup() {
    m_stationsPopup = new TreeStationsMenu(this);
    m_stationsPopup->setList(m_directory);
    connect(m_stationsPopup, &TreeStationsMenu::signal_itemActivated, this,
            [this](Preset* preset) { playStation(*preset, true); });
    // The directory tree's context menu opens the same stations as a tree of another order.
    m_menuDirectoryContext = new QMenu(this);
    m_menuDirectoryContext->setObjectName(QStringLiteral("menuDirectoryContext"));
    for (const int mode : {TreeStationsMenu::ModeRegions, TreeStationsMenu::ModeGenres,
                           TreeStationsMenu::ModeNationalMusic, TreeStationsMenu::ModeNetworks}) {
        m_menuDirectoryContext->addAction(TreeStationsMenu::headerText(mode), this, [this, mode] {
            m_stationsPopup->build(mode);
            m_stationsPopup->popup(m_menuDirectoryContext->pos());
        });
    }
    m_menuDirectoryContext->addSeparator();
    // A right click makes the station under the cursor the current one.
    QAction* schedule = m_menuDirectoryContext->addAction(tr("Schedule"), this, [this] {
        if (Preset* preset = m_pages->directoryView()->currentPreset())
            slot_scheduleStation(preset);
    });
    m_pages->directoryView()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pages->directoryView(), &QWidget::customContextMenuRequested, this,
            [this, schedule](const QPoint& at) {
                schedule->setEnabled(m_pages->directoryView()->currentPreset() != nullptr);
                m_menuDirectoryContext->popup(
                    m_pages->directoryView()->viewport()->mapToGlobal(at));
            });
}

WindowPlayerControl* QuillowaveWindow::playerControl() const {
    return m_remote->player();
}

RemoteControl* QuillowaveWindow::remoteControl() const {
    return m_remote->remote();
}

MprisService* QuillowaveWindow::mpris() const {
    return m_remote->mpris();
}

QMenu* QuillowaveWindow::mainMenu(PlayerControl::Menu menu) const {
    return m_menus->menu(menu);
}

QMenu* QuillowaveWindow::presetsMenu() const {
    return m_menus->presetsMenu();
}

QMenu* QuillowaveWindow::favoritesMenu() const {
    return m_menus->favoritesMenu();
}

QMenu* QuillowaveWindow::historyMenu() const {
    return m_menus->historyMenu();
}

QString QuillowaveWindow::directoryFile() {
    const QString file = m_settings->presetsFile();
    if (QFile::exists(file))
        return file;
    const QString bundled =
        UserFolders(m_settings->programFolder(), m_settings->isPortable()).bundled() +
        m_settings->PresetsFileUncompressed();
    if (QFile::exists(bundled))
        return bundled;
    sayMissing(tr("The station directory %1 was not found.").arg(file));
    m_web->start(bundled);
    return QString();
}

void QuillowaveWindow::adoptDirectory(RadioStations* list, const QString& fileName) {
    // A list dropped on the window while the directory was read stays in use.
    if (m_directory != m_startDirectory) {
        delete list;
        return;
    }
    list->setParent(this);
    switchDirectory(list);
    delete std::exchange(m_startDirectory, nullptr);
    m_web->start(fileName);
}

void QuillowaveWindow::loadLists() {
    m_favorites->load(m_favorites->fileName());
    m_pages->showFavorites(m_favorites);
    m_history->load(m_history->fileName());
    fillHistory();
    // After a restart Play, F2, /startlast and playing at start all mean the last station.
    if (const Preset* last = m_history->recent().value(0)) {
        m_playback->setLastStation(*last);
        showStation(m_playback->currentStation());
        showStopped(*m_panel);
    }
}

void QuillowaveWindow::setDirectory(RadioStations* list, const QString& fileName) {
    switchDirectory(list);
    // A list other than the own directory is named where the user sees what plays.
    if (fileName != m_settings->presetsFile())
        setStatusText(QFileInfo(fileName).fileName());
}

void QuillowaveWindow::switchDirectory(RadioStations* list) {
    if (m_search->list() == m_directory)
        m_search->setList(list);
    m_directory = list;
    m_search->setFallbackList(list);
    m_stationsPopup->setList(list);
    refreshDirectory();
}

void QuillowaveWindow::refreshDirectory() {
    // The search results point into the stations read before.
    m_search->slot_clearSearch();
    m_pages->directoryView()->setStations(m_directory);
}

void QuillowaveWindow::fillHistory() {
    m_pages->showHistory();
}

void QuillowaveWindow::addToHistory(const Preset& station) {
    if (PlaybackController::currentUrl(station).isEmpty())
        return;
    m_history->add(station);
    m_history->save();
    fillHistory();
}

void QuillowaveWindow::addToFavorites() {
    const Preset& station = m_playback->currentStation();
    if (PlaybackController::currentUrl(station).isEmpty()) {
        setStatusText(tr("No radio station is currently playing"));
        return;
    }
    if (const Preset* added = FavoriteDlg::addToFavorites(*m_favorites, station, this)) {
        refreshFavorites();
        setStatusText(tr("%1 added to favorites").arg(added->title));
    }
}

void QuillowaveWindow::refreshFavorites() {
    m_pages->showFavorites(m_favorites);
}

void QuillowaveWindow::slot_scheduleStation(Preset* station) {
    ScheduleStationDlg dialog(*station, this);
    dialog.exec();
}

void QuillowaveWindow::slot_sleepTimer() {
    SleepTimer* timer = m_playback->sleepTimer();
    ShutdownDlg dialog(this);
    dialog.selectLength(timer->length());
    dialog.selectAction(timer->endAction());
    if (dialog.exec() != QDialog::Accepted)
        return;
    timer->setEndAction(dialog.action());
    timer->start(dialog.lengthSeconds());
    m_settings->setShutdownComputerAction(dialog.action());
}

void QuillowaveWindow::runSleepAction(int action) {
    CSystemShutdown shutdown;
    switch (action) {
    case CSystemShutdown::ActionShutdown:
        shutdown.Shutdown(QString(), false, false, 30);
        break;
    case CSystemShutdown::ActionSleep:
        shutdown.Sleep();
        break;
    case CSystemShutdown::ActionHibernate:
        shutdown.Hibernate();
        break;
    case CSystemShutdown::ActionExitApplication:
        QTimer::singleShot(1000, this, &QuillowaveWindow::slot_Exit);
        break;
    default:
        break;
    }
}

void QuillowaveWindow::slot_editFavorites() {
    FavoritesDlg dialog(m_favorites, this);
    connect(&dialog, &FavoritesDlg::signal_Schedule, this,
            &QuillowaveWindow::slot_scheduleStation);
    if (m_pages->currentIndex() == PageFavorites)
        dialog.selectFavorite(m_pages->favoritesView()->currentPreset());
    connect(&dialog, &FavoritesDlg::signal_itemActivated, this,
            [this](Preset* preset) { playStation(*preset, true); });
    connect(&dialog, &FavoritesDlg::signal_FavoritesChanged, this,
            &QuillowaveWindow::refreshFavorites);
    dialog.exec();
}

// --- what the controller reports ------------------------------------------------------------

void QuillowaveWindow::setStatusText(const QString& text, bool withEllipsis) {
    m_statusBar->setStatusText(withEllipsis ? text + QStringLiteral("...") : text);
}

void QuillowaveWindow::showError(const QString& text) {
    m_statusBar->showError(text);
}

void QuillowaveWindow::clearError() {
    m_statusBar->clearError();
}

void QuillowaveWindow::resetCounters() {
    m_statusBar->resetCounters();
    m_panel->setLevels(0, 0);
}

void QuillowaveWindow::showStation(const Preset& station) {
    QStringList tip{station.title};
    for (const QString& part : {station.genre, station.country, station.city}) {
        if (!part.isEmpty())
            tip << part;
    }
    const QIcon* flag =
        station.flagIcon ? station.flagIcon : CountryFlags::flagIcon(station.country);
    m_panel->showStation(PlaybackController::stationLabel(station, m_settings->UseInfoStyleSheet()),
                         tip.join(QStringLiteral(" · ")),
                         flag && m_settings->ShowInfoIcon() ? flag->pixmap(16, 11) : QPixmap());
    m_panel->songLabel()->setEnabled(true);
    // A title read before playback started has already been shown; keep it.
    if (m_playback->songTitle().isEmpty())
        m_panel->showSong(QString());
    if (!m_playback->hasStream())
        m_panel->showStreamInfo(QString());
    updateTitles();
}

void QuillowaveWindow::showSong(const QString& title) {
    m_panel->songLabel()->setEnabled(true);
    m_panel->showSong(title);
    m_tray->notifySong(m_playback->stationName(),
                       title.isEmpty() ? m_playback->stationName() : title);
    updateTitles();
}

void QuillowaveWindow::updateTitles() {
    const QString title = m_playback->windowTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Quillowave") : title);
    m_tray->setToolTip(windowTitle());
}

void QuillowaveWindow::updatePlayButton(bool busy) {
    m_buttonBar->showBusy(busy, m_settings->ButtonsStyle());
}

void QuillowaveWindow::updateMuteButton(bool muted) {
    m_buttonBar->showMuted(muted);
}

void QuillowaveWindow::notify(const QString& title, const QString& text, int kind) {
    m_tray->notify(title, text, kind);
}

// --- settings ---------------------------------------------------------------------------------

void QuillowaveWindow::applySettings() {
    AppSettings* s = m_settings;
    m_playback->sleepTimer()->setEndAction(s->ShutdownComputerAction());
    m_panel->setMetersEnabled(s->PeakMeterEnabled());
    m_panel->setMeterColors(QColor(s->PeakBackColor()), QColor(s->PeakBarColorTop()),
                            QColor(s->PeakBarColorBottom()));
    bool restart = m_applier.applyEngine(*s, m_playback->engine());

    if (!m_quickTimer) {
        m_quickTimer = new QTimer(this);
        connect(m_quickTimer, &QTimer::timeout, this, &QuillowaveWindow::slot_quickTimerUpdate);
        connect(m_playback, &PlaybackController::sig_stationPlaying, m_quickTimer,
                qOverload<>(&QTimer::start));
    } else {
        m_quickTimer->stop();
    }
    m_quickTimer->start(qMax(10, s->UpdateInterval()));

    restart = restart || !(SettingsApplier::snapshot(*s) == m_builtWith);
    if (s->ButtonsStyle() != m_buttonsStyle)
        applyButtonStyle();
    applyRecordingSettings();
    m_keys.setAllowSingleKeyShortcuts(s->AllowSingleKeyShortcuts());
    m_keys.setPageStep(volumeSlider()->pageStep());
    m_keys.setMaximum(volumeSlider()->maximum());
    m_tray->applySettings();
    m_pages->searchView()->setSortable(s->SortSearchResults());
    applyMediaKeys();
    if (restart)
        restartApplication(true);
    m_buttonBar->record()->setAccessibleName(tr("Record the station"));
    // Without a font of the user's choice the desktop's font stays in charge.
    if (s->AppFont() != QFont())
        QApplication::setFont(s->AppFont());
    m_statusBar->showFields(s->StatusBarLabels());
    m_panel->setStyleSheet(s->UseInfoStyleSheet() ? s->infoStyleSheet() : QString());
    placePeakMeters();
}

void QuillowaveWindow::restartApplication(bool ask) {
    if (m_quitting)
        return;
    // Until the next start the window keeps the values it was built with; ask once per change.
    m_builtWith = SettingsApplier::snapshot(*m_settings);
    if (ask && QMessageBox::question(this, tr("Quillowave"), tr("Restart is required. Do it now?"),
                                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (m_miniMode)
        m_settings->saveWindowGeometryMini(this);
    else
        m_settings->saveWindowGeometry(this);
    leaveFor({});
}

void QuillowaveWindow::slot_Uninstall() {
    // The new process asks the question and removes the data; nothing of ours may follow it.
    m_saveOnExit = false;
    leaveFor({QStringLiteral("/uninstall")});
}

void QuillowaveWindow::leaveFor(const QStringList& arguments) {
    m_quitting = true;
    m_tray->hide();
    m_playback->stopPlayback(PlaybackController::Ask::No);
    // The new process must neither hand its command line back to us nor find our bus names.
    if (auto* app = qobject_cast<QT_EXT::QtSingleApplication*>(QCoreApplication::instance()))
        app->stopListening();
    m_remote->release();
    startProgram(arguments);
    QCoreApplication::exit(0);
}

bool QuillowaveWindow::startProgram(const QStringList& arguments) {
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}

bool QuillowaveWindow::confirmExit() {
    if (!m_remote->player()->isRecording())
        return true;
    return QMessageBox::question(this, tr("Quillowave"),
                                 tr("You are currently recording. Do you really want to exit?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QuillowaveWindow::applyButtonStyle() {
    m_buttonsStyle = m_settings->ButtonsStyle();
    m_buttonBar->setStyle(m_buttonsStyle);
    QMap<QChar, QString> letters;
    for (QToolButton* button : m_buttonBar->buttons()) {
        const QChar letter = KeyboardRules::shortcutLetter(button->text());
        if (!letter.isNull() && !letters.contains(letter))
            letters.insert(letter, button->objectName());
    }
    m_keys.setShortcutLetters(letters);
    updatePlayButton(m_playback->hasStream() || m_playback->isConnecting());
}

void QuillowaveWindow::placePeakMeters() {
    // 2 puts the meters on the left; 1 and the default keep them on the right.
    m_panel->placeMeters(m_settings->PeakmetersOrientation() == 2);
}

void QuillowaveWindow::slot_langAboutToShow() {
    m_language->buildMenu();
}

void QuillowaveWindow::slot_langMenu(QAction* action) {
    m_language->switchTo(action);
}

// The texts shown were re-applied already; what is composed at run time is composed again.
void QuillowaveWindow::slot_langChanged() {
    applyButtonStyle();
    updateTitles();
}

void QuillowaveWindow::slot_options() {
    OptionsDialog dialog(m_settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applySettings();
    m_sound->controller()->applySettings();
}

// --- start-up and remote control -------------------------------------------------------------

void QuillowaveWindow::slot_Init() {
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        if (m_settings->AutoPlayOnStart() &&
            !PlaybackController::currentUrl(m_playback->currentStation()).isEmpty())
            m_playback->playLast();
        return;
    }
    processCommandLine(arguments);
}

void QuillowaveWindow::slot_oneInstance(const QString& message) {
    const QStringList arguments = CommandLine::handOverArguments(message);
    m_startup->whenReady([this, arguments] { processCommandLine(arguments); });
}

void QuillowaveWindow::processCommandLine(const QStringList& arguments) {
    const QString problems =
        CommandLine::problems(CommandLine::process(arguments, m_remote->player()));
    if (!problems.isEmpty())
        setStatusText(problems);
}

void QuillowaveWindow::playAddress(const QString& url, const QString& name, bool ask) {
    Preset station;
    station.title = name;
    station.addSource(url);
    station.userMade = true;
    playStation(station, ask);
}

void QuillowaveWindow::playStation(const Preset& station, bool ask) {
    m_playback->playStation(station,
                            ask ? PlaybackController::Ask::Yes : PlaybackController::Ask::No);
}

// --- buttons, volume and navigation -----------------------------------------------------------

void QuillowaveWindow::slot_Play() {
    const Qt::KeyboardModifiers modifiers = QApplication::keyboardModifiers();
    // Alt plays the directory's selection, Shift the selection of the page shown.
    const Preset* chosen = nullptr;
    if (modifiers.testFlag(Qt::AltModifier))
        chosen = m_pages->directoryView()->currentPreset();
    else if (modifiers.testFlag(Qt::ShiftModifier))
        chosen = selectedStation(*m_pages, *m_history);
    if (chosen) {
        playStation(*chosen, true);
        return;
    }
    m_playback->playOrStop();
}

void QuillowaveWindow::slot_Stop() {
    m_playback->stopPlayback(PlaybackController::Ask::Yes);
}

void QuillowaveWindow::slot_Record() {
    // Control held: the options dialog chooses how this recording starts, or cancels it.
    const bool chooseFirst = !m_recording->isRecording() && m_playback->isActive() &&
                             QApplication::keyboardModifiers().testFlag(Qt::ControlModifier);
    if (chooseFirst && !askRecordOptions())
        return;
    m_recording->toggle(m_settings->RecordingMode());
    updateRecordControl();
}

void QuillowaveWindow::slot_recordOptions() {
    askRecordOptions();
}

bool QuillowaveWindow::askRecordOptions() {
    RecOptions dialog(m_settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    applyRecordingSettings();
    return true;
}

void QuillowaveWindow::applyRecordingSettings() {
    m_recording->applySettings();
    if (m_recordingMode != m_settings->RecordingMode() && m_recordingMode != -1)
        m_menus->buildRecording();
    m_recordingMode = m_settings->RecordingMode();
    updateRecordControl();
}

void QuillowaveWindow::slot_recordSingleSong() {
    if (m_playback->isActive() && !m_recording->isRecording())
        m_recording->recordSingleSong();
}

void QuillowaveWindow::slot_recordNoSplit() {
    m_recording->toggleNoSplit();
    m_menus->buildRecording();
    updateRecordControl();
}

void QuillowaveWindow::setupSongs() {
    AppStream* engine = m_playback->engine();
    m_wishes = new WishWatcher(engine, this);
    m_wishes->List().Load(QDir(m_settings->dataFolder()).filePath(WishList::FileName()));
    connect(m_wishes, &WishWatcher::sig_recordWish, this, &QuillowaveWindow::slot_recordSingleSong);
    m_playedTitles = new PlayedTitles(this);
    m_playedTitles->Load(QDir(m_settings->dataFolder()).filePath(PlayedTitles::FileName()));
    new SongLogger(engine, m_playedTitles, this);
    PlayedTitlesView* page = m_pages->setPlayedTitles(m_playedTitles);
    const auto warn = [this](const QString& text) {
        QMessageBox::warning(this, tr("Quillowave"), text);
    };
    connect(page, &PlayedTitlesView::sig_message, this, warn);
    // Once: a log that cannot be written would say so at every song.
    connect(m_playedTitles, &PlayedTitles::sig_saveFailed, this, warn, Qt::SingleShotConnection);
}

void QuillowaveWindow::slot_recWishList() {
    const QString path = QDir(m_settings->dataFolder()).filePath(WishList::FileName());
    m_wishes->List().Load(path);
    WishListDlg dialog(&m_wishes->List(), path, this);
    connect(&dialog, &WishListDlg::sig_message, &dialog, [&dialog](const QString& text) {
        QMessageBox::warning(&dialog, dialog.windowTitle(), text);
    });
    dialog.exec();
}

void QuillowaveWindow::slot_openRecFolder() {
    QString message;
    const QString folder = m_recording->resolveFolder(&message);
    if (folder.isEmpty())
        QMessageBox::warning(this, tr("Quillowave"), message);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QuillowaveWindow::slot_openURL() {
    m_addressInput->openUrl();
}

void QuillowaveWindow::slot_connectStation() {
    m_addressInput->playPending();
}

void QuillowaveWindow::slot_volumeChanged(int value) {
    setVolume(value);
}

void QuillowaveWindow::setVolume(int volume) {
    m_playback->setVolume(volume);
}

void QuillowaveWindow::volumeUp() {
    setVolume(m_playback->volume() + volumeSlider()->pageStep());
}

void QuillowaveWindow::volumeDown() {
    setVolume(m_playback->volume() - volumeSlider()->pageStep());
}

void QuillowaveWindow::slot_volumeMute() {
    m_playback->toggleMute();
}

void QuillowaveWindow::slot_Back() {
    m_playback->back();
}

void QuillowaveWindow::slot_Forward() {
    m_playback->forward();
}

void QuillowaveWindow::slot_BackPlaylist() {
    m_playback->backPlaylist();
}

void QuillowaveWindow::slot_ForwardPlaylist() {
    m_playback->forwardPlaylist();
}

void QuillowaveWindow::slot_alwaysOnTop() {
    const bool on = m_settings->toggleAlwaysOnTop();
    m_menus->alwaysOnTopAction()->setChecked(on);
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        show();
}

void QuillowaveWindow::slot_toggleCollapse() {
    if (m_miniMode)
        m_settings->saveWindowGeometryMini(this);
    else
        m_settings->saveWindowGeometry(this);
    m_miniMode = !m_miniMode;
    m_settings->setMiniMode(m_miniMode);
    m_menus->miniModeAction()->setChecked(m_miniMode);
    m_pages->setVisible(!m_miniMode);
    m_buttonBar->setMiniMode(m_miniMode);
    statusBar()->setVisible(!m_miniMode);
    menuBar()->setVisible(!m_miniMode);
    const bool restored = m_miniMode ? m_settings->restoreWindowGeometryMini(this)
                                     : m_settings->restoreWindowGeometry(this);
    // The hints must come from the layout without the hidden parts: the button bar's own
    // layout reports its smaller size through a posted request, taken here at once.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    centralWidget()->layout()->activate();
    layout()->activate();
    if (!restored) {
        // Mini mode is as small as its parts allow.
        if (m_miniMode)
            resize(minimumSizeHint());
        else
            resize(760, 560);
    }
}

void QuillowaveWindow::slot_showShortcuts() {
    QMessageBox::information(this, tr("Keyboard shortcuts"),
                             KeyboardRules::shortcutLines().join(QLatin1Char('\n')));
}

// --- timers -----------------------------------------------------------------------------------

void QuillowaveWindow::slot_displayTimerUpdate() {
    m_playback->displayTick();
    updateRecordControl();
}

void QuillowaveWindow::slot_quickTimerUpdate() {
    // Without a stream the meters have nothing to show until the next station plays, which
    // starts the timer again: an idle window does not wake up for them.
    if (!m_playback->hasStream()) {
        m_quickTimer->stop();
        return;
    }
    if (!m_settings->PeakMeterEnabled() || !m_playback->isActive())
        return;
    const DWORD level = m_playback->engine()->GetLevel();
    m_panel->setLevels(int(level & 0xffff), int(level >> 16));
}

// --- clipboard --------------------------------------------------------------------------------

void QuillowaveWindow::slot_menuClipboard(QAction* action) {
    m_menus->clipboard()->execute(action);
}

// --- tray -------------------------------------------------------------------------------------

void QuillowaveWindow::slot_iconActivated(QSystemTrayIcon::ActivationReason reason) {
    m_tray->activate(reason);
}

void QuillowaveWindow::slot_trayMouseWheel(int steps, int) {
    volumeSlider()->setValue(volumeSlider()->value() + steps);
}

void QuillowaveWindow::slot_restoreMainWindow() {
    showNormal();
    raise();
    activateWindow();
}

void QuillowaveWindow::slot_messageClicked() {
    slot_restoreMainWindow();
}

void QuillowaveWindow::slot_statusLabelChanged() {
    if (!m_playback->lastErrorText().isEmpty())
        QMessageBox::information(this, tr("Quillowave"), m_playback->lastErrorText());
}

void QuillowaveWindow::slot_hideApp() {
    hide();
}

void QuillowaveWindow::slot_Exit() {
    if (!m_settings->MinimizeOnExit() && !close())
        return;
    m_quitting = true;
    QCoreApplication::exit(0);
}

// --- events -----------------------------------------------------------------------------------

bool QuillowaveWindow::mainAreaFocused() const {
    const QWidget* focus = QApplication::focusWidget();
    return !focus || focus == this || m_pages->contains(focus);
}

void QuillowaveWindow::keyPressEvent(QKeyEvent* event) {
    KeyboardRules::KeyPress press;
    press.key = event->key();
    press.modifiers = event->modifiers();
    press.text = event->text();
    press.mainAreaFocused = mainAreaFocused();
    press.streamPlaying = m_playback->hasStream();
    const KeyboardRules::Result result = m_keys.decide(press);
    if (result.action == KeyboardRules::Action::Default) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    m_keyActions->execute(result);
}

void QuillowaveWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasText() || event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void QuillowaveWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    m_addressInput->drop(event->mimeData(), event->modifiers().testFlag(Qt::ControlModifier));
}

void QuillowaveWindow::closeEvent(QCloseEvent* event) {
    if (m_settings->MinimizeOnExit()) {
        event->ignore();
        showMinimized();
        // Without a tray a hidden window could not be brought back.
        if (trayIcon())
            hide();
        return;
    }
    if (!confirmExit()) {
        event->ignore();
        return;
    }
    m_quitting = true;
    m_sound->closeEqualizer();
    m_playback->stopPlayback(PlaybackController::Ask::No);
    event->accept();
}

void QuillowaveWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        m_settings->TrayOnMinimize() && trayIcon()) {
        QTimer::singleShot(kHideDelayMs, this, &QuillowaveWindow::slot_hideApp);
    } else if (event->type() == QEvent::FontChange && m_buttonsStyle >= 0) {
        applyButtonStyle();
    }
    QMainWindow::changeEvent(event);
}
