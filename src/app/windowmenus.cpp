#include "app/windowmenus.h"

#include "settings/appsettings.h"
#include "app/playbackcontroller.h"
#include "app/windowsound.h"
#include "app/quillowavewindow.h"
#include "app/recordingcontroller.h"
#include "app/windowclipboard.h"
#include "app/windowweb.h"
#include "stations/bramblerstations.h"
#include "stations/favorites.h"
#include "stations/history.h"
#include "ui/favoritesmenus.h"
#include "ui/historymenu.h"
#include "ui/sleepmenu.h"
#include "ui/stationmenus.h"

#include <QMenuBar>
#include <QMessageBox>
#include <QToolButton>

namespace {

// A menu text with the function key the window's key handler answers, shown as menus show keys
// (the text after the tab); the key itself stays with the handler, which works in mini mode too.
QString withKey(const QString& text, const char* key) {
    return text + u'\t' + QLatin1String(key);
}

} // namespace

WindowMenus::WindowMenus(QuillowaveWindow* window, AppSettings* settings,
                         QToolButton* showFavorites)
    : QObject(window), m_window(window), m_settings(settings), m_btFavs(showFavorites),
      m_clipboard(new WindowClipboard(window, window->playback(), settings)) {}

void WindowMenus::build(QMenuBar* bar) {
    buildFile(bar);
    buildSettings(bar);
    buildFavorites(bar);
    buildHistory(bar);
    buildPresets(bar);
    m_menuRecording = bar->addMenu(tr("&Recording"));
    buildRecording();
    m_menuClipboard = bar->addMenu(tr("&Clipboard"));
    m_clipboard->fillMenu(m_menuClipboard);
    buildHelp(bar);
}

void WindowMenus::buildRecording() {
    const RecordingController* recording = m_window->recording();
    m_menuRecording->clear();
    m_actionRecord =
        m_menuRecording->addAction(recording->actionText(), m_window, &QuillowaveWindow::slot_Record);
    m_menuRecording->addSeparator();
    if (m_settings->RecordingMode() != RecordingController::ModeSingleSong) {
        m_menuRecording->addAction(tr("Start recording single song"), m_window,
                                   &QuillowaveWindow::slot_recordSingleSong);
        m_menuRecording->addSeparator();
    }
    QAction* noSplit = m_menuRecording->addAction(recording->noSplitActionText(), m_window,
                                                  &QuillowaveWindow::slot_recordNoSplit);
    noSplit->setCheckable(true);
    noSplit->setChecked(m_settings->RecordNoSplit());
    m_menuRecording->addSeparator();
    m_menuRecording->addAction(tr("Open recording folder"), m_window,
                               &QuillowaveWindow::slot_openRecFolder);
    m_menuRecording->addSeparator();
    m_menuRecording->addAction(tr("Record options..."), m_window,
                               &QuillowaveWindow::slot_recordOptions);
    m_menuRecording->addAction(tr("Recording list"), m_window, &QuillowaveWindow::slot_recWishList);
}

void WindowMenus::setRecordActionText(const QString& text) {
    if (m_actionRecord)
        m_actionRecord->setText(text);
}

void WindowMenus::playChosen(Preset* preset) {
    m_window->playStation(*preset, true);
}

void WindowMenus::buildFile(QMenuBar* bar) {
    QuillowaveWindow* w = m_window;
    QMenu* file = bar->addMenu(tr("&File"));
    file->addAction(tr("&Open URL..."), QKeySequence(Qt::CTRL | Qt::Key_L), w,
                    &QuillowaveWindow::slot_openURL);
    file->addAction(withKey(tr("Play"), "F2"), w, &QuillowaveWindow::slot_Play);
    file->addAction(tr("Stop"), w, &QuillowaveWindow::slot_Stop);
    file->addSeparator();
    file->addAction(tr("Previous source"), w, &QuillowaveWindow::slot_Back);
    file->addAction(tr("Next source"), w, &QuillowaveWindow::slot_Forward);
    w->web()->addStationEntries(file);
    file->addSeparator();
    file->addAction(tr("Uninstall..."), w, &QuillowaveWindow::slot_Uninstall);
    file->addAction(tr("E&xit"), QKeySequence::Quit, w, &QuillowaveWindow::slot_Exit);
    m_menuFile = file;
}

void WindowMenus::buildSettings(QMenuBar* bar) {
    QuillowaveWindow* w = m_window;
    m_menuSettings = bar->addMenu(tr("&Settings"));
    m_menuSettings->addAction(tr("&Options..."), w, &QuillowaveWindow::slot_options);
    m_actAlwaysOnTop =
        m_menuSettings->addAction(tr("Always on top"), w, &QuillowaveWindow::slot_alwaysOnTop);
    m_actAlwaysOnTop->setCheckable(true);
    m_actAlwaysOnTop->setChecked(m_settings->AlwaysOnTop());
    m_actMiniMode = m_menuSettings->addAction(withKey(tr("Mini mode"), "F12"), w,
                                              &QuillowaveWindow::slot_toggleCollapse);
    m_actMiniMode->setCheckable(true);
    m_menuSettings->addAction(withKey(tr("Mute"), "F7"), w, &QuillowaveWindow::slot_volumeMute);
    m_menuSettings->addSeparator();
    m_menuSettings->addAction(tr("Sleep timer"), w, &QuillowaveWindow::slot_sleepTimer);
    m_menuSettings->addMenu(new SleepMenu(w->playback()->sleepTimer(), m_menuSettings));
    w->sound()->addMenuEntries(m_menuSettings);
}

void WindowMenus::buildFavorites(QMenuBar* bar) {
    m_menuFavorites = bar->addMenu(tr("F&avorites"));
    m_menuFavorites->setObjectName(QStringLiteral("menuFavorites"));
    Favorites* favorites = m_window->favorites();
    auto* stations = new FavoritesMenus(favorites, this);
    connect(stations, &StationMenus::signal_itemActivated, this, &WindowMenus::playChosen);
    // The favourites come first; building them empties the menu, so the actions follow each time.
    connect(m_menuFavorites, &QMenu::aboutToShow, this, [this, stations, favorites] {
        stations->buildGroupMenu(m_menuFavorites, favorites->topGroups);
        m_menuFavorites->addSeparator();
        m_menuFavorites->addAction(withKey(tr("Add to favorites"), "F5"), m_window,
                                   &QuillowaveWindow::addToFavorites);
        m_menuFavorites->addAction(withKey(tr("Edit favorites..."), "Ctrl+F5"), m_window,
                                   &QuillowaveWindow::slot_editFavorites);
        m_menuFavorites->addAction(tr("Show favorites"), m_btFavs, &QToolButton::click);
    });
}

void WindowMenus::buildHistory(QMenuBar* bar) {
    m_menuHistory = bar->addMenu(tr("H&istory"));
    m_menuHistory->setObjectName(QStringLiteral("menuHistory"));
    History* history = m_window->history();
    auto* stations = new HistoryMenu(history, this);
    connect(stations, &StationMenus::signal_itemActivated, this, &WindowMenus::playChosen);
    connect(m_menuHistory, &QMenu::aboutToShow, this, [this, stations, history] {
        stations->build(m_menuHistory);
        m_menuHistory->addSeparator();
        m_menuHistory->addAction(tr("Clear"), this, [this, history] {
            history->clear();
            history->save();
            emit signal_historyCleared();
        });
    });
}

void WindowMenus::buildPresets(QMenuBar* bar) {
    m_menuPresets = bar->addMenu(tr("&Presets"));
    m_menuPresets->setObjectName(QStringLiteral("menuPresets"));
    auto* stations = new StationMenus(m_window->directory(), this);
    connect(stations, &StationMenus::signal_itemActivated, this, &WindowMenus::playChosen);
    // Each is built when it opens, from the directory in use then: the directory is loaded after
    // the menus and may be reloaded or replaced by another list.
    const auto add = [this, stations](const QString& title, const char* name, auto build) {
        QMenu* menu = m_menuPresets->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        connect(menu, &QMenu::aboutToShow, this, [this, stations, menu, build] {
            RadioStations* directory = m_window->directory();
            stations->setList(directory);
            build(menu, directory);
        });
    };
    add(tr("Regions"), "menuRegions", [stations](QMenu* m, RadioStations* d) {
        stations->buildGroupMenu(m, d->topGroups);
    });
    add(tr("Genres"), "menuGenres",
        [stations](QMenu* m, RadioStations* d) { stations->buildGenreMenu(m, d->genres); });
    add(tr("Networks"), "menuNetworks",
        [stations](QMenu* m, RadioStations* d) { stations->buildTextMenu(m, d->networks); });
    add(tr("National music"), "menuNationalMusic", [stations](QMenu* m, RadioStations* d) {
        stations->buildTextMenu(m, d->ethnicGenres);
    });
    m_window->web()->addPresetsEntries(m_menuPresets);
}

void WindowMenus::buildHelp(QMenuBar* bar) {
    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(withKey(tr("Keyboard shortcuts"), "F1"), m_window,
                    &QuillowaveWindow::slot_showShortcuts);
    m_window->web()->addHelpEntries(help);
    help->addAction(tr("About Quillowave"), m_window, [this] {
        QMessageBox::about(m_window, tr("About Quillowave"),
                           tr("<b>Quillowave</b> 1.40.1<br>Internet radio player and recorder."));
    });
    m_trayMenus = {m_menuFile,    m_menuSettings, m_menuFavorites,
                   m_menuHistory, m_menuPresets,  m_menuRecording,
                   help};
}

QMenu* WindowMenus::menu(PlayerControl::Menu which) const {
    switch (which) {
    case PlayerControl::Menu::File:
        return m_menuFile;
    case PlayerControl::Menu::Settings:
        return m_menuSettings;
    case PlayerControl::Menu::Favorites:
        return m_menuFavorites;
    case PlayerControl::Menu::Presets:
        return m_menuPresets;
    case PlayerControl::Menu::Recording:
        return m_menuRecording;
    case PlayerControl::Menu::Clipboard:
        return m_menuClipboard;
    }
    return nullptr;
}
