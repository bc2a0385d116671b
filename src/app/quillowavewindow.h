#pragma once

// The main window: the now-playing panel, the main buttons and volume, the station pages, the
// menus, the status bar, the tray icon and the keyboard. It wires the user's actions to the
// playback controller and shows what the controller reports; the decisions live there and in
// the other widget-free classes of this folder.
// GUI thread; created by main() and owning every dialog, the directory and the engine.

#include "app/keyboardrules.h"
#include "app/playbackcontroller.h"
#include "app/playercontrol.h"
#include "app/settingsapplier.h"
#include "app/windowtray.h"
#include "stations/radiostations.h"
#include "ui/mainbuttonbar.h"
#include "ui/nowplayingpanel.h"
#include "ui/playerstatusbar.h"
#include "ui/stationpages.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

class AppSettings;
class AppStream;
class Favorites;
class History;
class PopupInfo;
class QAction;
class QLabel;
class QMenu;
class QSlider;
class QStackedWidget;
class QTimer;
class StationTreeView;

class MprisService;
class OnlineSearchPage;
class RemoteControl;
class TreeStationsMenu;
class WindowPlayerControl;
class WindowAddressInput;
class WindowKeyActions;
class WindowLanguage;
class WindowMenus;
class WindowRemote;
class WindowCoverArt;
class WindowSound;
class WindowStartup;
class WindowWeb;
class SearchController;
class SearchLineEdit;
class TreeStations;

class PlayedTitles;
class RecordingController;
class WishWatcher;
class QuillowaveWindow : public QMainWindow {
    Q_OBJECT
public:
    // The pages of the station stack.
    enum Page {
        PageDirectory = StationPages::PageDirectory,
        PageFavorites = StationPages::PageFavorites,
        PageHistory = StationPages::PageHistory,
        PageSearch = StationPages::PageSearch,
        PageOnline = StationPages::PageOnline
    };
    // Notification kinds; a negative kind takes the user's choice.
    enum NotifyKind {
        NotifyDefault = WindowTray::NotifyDefault,
        NotifyBalloon = WindowTray::NotifyBalloon,
        NotifyPopup = WindowTray::NotifyPopup
    };

    explicit QuillowaveWindow(AppSettings* settings, QWidget* parent = nullptr);
    ~QuillowaveWindow() override;

    PlaybackController* playback() const { return m_playback; }
    RadioStations* directory() const { return m_directory; }
    WindowWeb* web() const { return m_web; }
    Favorites* favorites() const { return m_favorites; }
    History* history() const { return m_history; }
    StationTreeView* directoryView() const { return m_pages->directoryView(); }
    TreeStations* searchView() const { return m_pages->searchView(); }
    OnlineSearchPage* onlinePage() const { return m_pages->onlinePage(); }
    SearchLineEdit* searchEdit() const { return m_buttonBar->searchEdit(); }
    SearchController* searchController() const { return m_search; }
    QLabel* searchCountLabel() const { return m_pages->searchCountLabel(); }
    QMenu* presetsMenu() const;
    QMenu* favoritesMenu() const;
    QMenu* historyMenu() const;
    QStackedWidget* stationStack() const { return m_pages; }
    QSlider* volumeSlider() const { return m_buttonBar->volumeSlider(); }
    QLabel* statusLabel() const { return m_statusBar->statusLabel(); }
    QLabel* songLabel() const { return m_panel->songLabel(); }
    QLabel* stationLabel() const { return m_panel->stationLabel(); }
    QLabel* streamInfoLabel() const { return m_panel->streamInfoLabel(); }
    QLabel* counterLabel(int index) const { return m_statusBar->counterLabel(index); }
    QSystemTrayIcon* trayIcon() const { return m_tray ? m_tray->icon() : nullptr; }
    PopupInfo* popupInfo() const { return m_tray->popupInfo(); }
    const KeyboardRules& keyboardRules() const { return m_keys; }
    const WindowKeyActions* keyActions() const { return m_keyActions; }
    // The equaliser, effects, plug-in and output device wiring.
    WindowSound* sound() const { return m_sound; }
    WindowLanguage* language() const { return m_language; }
    // The song's cover in the panel and the cover-art window.
    WindowCoverArt* coverArt() const { return m_coverArt; }
    // Texts of things that do not work here (no tray, no sound device), each said once.
    QStringList missingParts() const { return m_missing; }
    // What the command line, the remote control and the media controls drive.
    WindowPlayerControl* playerControl() const;
    RemoteControl* remoteControl() const;
    MprisService* mpris() const;
    // The menus a remote client can open or send keys to; null for a value without a menu.
    QMenu* mainMenu(PlayerControl::Menu menu) const;
    QMenu* directoryContextMenu() const { return m_menuDirectoryContext; }
    TreeStationsMenu* stationsPopup() const { return m_stationsPopup; }

    void setStatusText(const QString& text, bool withEllipsis = false);
    void notify(const QString& title, const QString& text, int kind = NotifyDefault);
    void applySettings();
    void applyButtonStyle();
    bool isMiniMode() const { return m_miniMode; }
    // Starts the program again and ends this process; with ask, only when the user agrees.
    void restartApplication(bool ask);
    // False when the user would rather not leave now (a recording runs and they said No).
    bool confirmExit();
    RecordingController* recording() const { return m_recording; }
    // The audio library, the directory and the remote control are there (they come after the
    // first paint); the command line and hand-overs wait for this.
    bool isReady() const;
    WindowStartup* startup() const { return m_startup; }

public slots:
    // Start-up and remote control.
    void slot_Init();
    // A command line handed over by a later start of the program.
    void slot_oneInstance(const QString& message);
    void processCommandLine(const QStringList& arguments);
    void playStation(const Preset& station, bool ask);
    // Plays a new station record made of the address and name.
    void playAddress(const QString& url, const QString& name, bool ask);
    void slot_Play();
    void slot_Stop();
    void slot_Record();
    void slot_recordSingleSong();
    void slot_recordNoSplit();
    void slot_openRecFolder();
    void slot_recordOptions();
    // The next file of a split recording is open: the recording label names it.
    void slot_streamRecordSplit(AppStream* stream);
    // The wish list's editor ("Recording list").
    void slot_recWishList();
    void slot_openURL();
    void slot_connectStation();
    void slot_volumeChanged(int value);
    void slot_volumeMute();
    void setVolume(int volume);
    void volumeUp();
    void volumeDown();
    void slot_Back();
    void slot_Forward();
    void slot_BackPlaylist();
    void slot_ForwardPlaylist();
    void slot_alwaysOnTop();
    void slot_menuClipboard(QAction* action);
    void slot_iconActivated(QSystemTrayIcon::ActivationReason reason);
    void slot_trayMouseWheel(int steps, int degrees);
    void slot_restoreMainWindow();
    void slot_messageClicked();
    void slot_statusLabelChanged();
    void slot_toggleCollapse();
    void slot_displayTimerUpdate();
    void slot_quickTimerUpdate();
    void slot_options();
    void slot_showShortcuts();
    void slot_hideApp();
    void slot_Exit();
    void slot_Uninstall();
    void addToFavorites();
    void slot_editFavorites();
    void slot_scheduleStation(Preset* station);
    void slot_sleepTimer();
    void slot_Search(const QString& text);
    // The Language menu: filled when it opens, switching at once when an entry is picked.
    void slot_langAboutToShow();
    void slot_langMenu(QAction* action);
    void slot_langChanged();

    // The list in use for the directory, from fileName; the views, menus and search follow it.
    void setDirectory(RadioStations* list, const QString& fileName);
    // The directory's stations were read again.
    void refreshDirectory();

signals:
    void signal_langChanged();

protected:
    // Starts the program detached with the arguments; false when it could not be started.
    virtual bool startProgram(const QStringList& arguments);
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Set-up, one step each.
    void setupInfoPanel();
    void setupCentralLayout();
    void setupKeys();
    // The normal or the mini geometry, as the window was left.
    void restoreSavedGeometry();
    void setupButtons();
    void setupStationPages();
    void setupStatusBar();
    // Once the audio library runs: a lasting warning when it plays on "No sound" only.
    void showSoundWarning();
    void setupMenus();
    void setupRecording();
    // The wish list and the log of played titles, with its page beside the history.
    void setupSongs();
    // The Record controls, the status bar's recording label and the tray as a recording
    // starts or ends.
    void showRecording(bool recording, const QString& fileName);
    // Record enabled only when a recording can start or stop, its tool tip saying why.
    void updateRecordControl();
    // The record-options dialog; false when it was cancelled.
    bool askRecordOptions();
    // The recording settings to the engine, the Recording menu and the Record control.
    void applyRecordingSettings();
    // A timed recording the command line asked for starts as its station plays.
    void startTimedRecording();
    void setupSearch();
    // The online directory's page, reached from the Presets menu and the search results.
    void setupOnlinePage();
    void refreshFavorites();
    // The sleep timer's end action, after it has stopped playback.
    void runSleepAction(int action);
    void setupTray();
    void setupPlayback();
    void setupPlaybackDisplay();
    void setupTimers();
    void setupRemote();
    void setupCoverArt();
    void setupDirectoryPopup();
    // Registers the media controls while ProcessMediaKeys is on.
    void applyMediaKeys();
    // Gives up what a new instance needs (the single-instance socket, the bus names), starts the
    // program detached with the arguments and ends the event loop with exit code 0.
    void leaveFor(const QStringList& arguments);
    // What starts after the first paint, and what the window does as each part arrives.
    void setupStartup();
    // The directory file to read at start; empty (and said) when there is none.
    QString directoryFile();
    // The directory read at start takes the place of the empty one the window was built with.
    void adoptDirectory(RadioStations* list, const QString& fileName);
    void loadLists();
    void switchDirectory(RadioStations* list);
    void fillHistory();
    void addToHistory(const Preset& station);

    void showStation(const Preset& station);
    void showSong(const QString& title);
    void showError(const QString& text);
    void clearError();
    void resetCounters();
    void updatePlayButton(bool busy);
    void updateMuteButton(bool muted);
    void updateTitles();
    void placePeakMeters();
    bool mainAreaFocused() const;
    void sayMissing(const QString& text);

    AppSettings* m_settings;
    WindowLanguage* m_language;
    PlaybackController* m_playback;
    RadioStations* m_directory;
    // The empty directory until the one read at start takes its place.
    RadioStations* m_startDirectory;
    Favorites* m_favorites;
    History* m_history;
    SettingsApplier m_applier;
    SettingsApplier::BuiltWith m_builtWith;
    KeyboardRules m_keys;
    QStringList m_missing;
    bool m_miniMode = false;
    bool m_quitting = false;
    // Cleared when the data folder goes away with the program (uninstall).
    bool m_saveOnExit = true;
    int m_buttonsStyle = -1;
    int m_recordingMode = -1;
    RecordingController* m_recording = nullptr;
    WishWatcher* m_wishes = nullptr;
    PlayedTitles* m_playedTitles = nullptr;

    NowPlayingPanel* m_panel = nullptr;
    MainButtonBar* m_buttonBar = nullptr;
    SearchController* m_search = nullptr;
    StationPages* m_pages = nullptr;
    PlayerStatusBar* m_statusBar = nullptr;

    WindowMenus* m_menus = nullptr;
    WindowSound* m_sound = nullptr;
    WindowCoverArt* m_coverArt = nullptr;
    WindowKeyActions* m_keyActions = nullptr;
    WindowAddressInput* m_addressInput = nullptr;
    QMenu* m_menuDirectoryContext = nullptr;
    TreeStationsMenu* m_stationsPopup = nullptr;
    WindowRemote* m_remote = nullptr;
    WindowWeb* m_web = nullptr;
    WindowStartup* m_startup = nullptr;

    WindowTray* m_tray = nullptr;
    QTimer* m_displayTimer = nullptr;
    QTimer* m_quickTimer = nullptr;
};
