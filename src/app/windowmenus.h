#pragma once

// The main window's menu bar: File, Settings, Favorites, History, Presets (regions, genres,
// networks, national music, built from the directory each time they open), Recording, Clipboard
// and Help. Each entry calls the window's own slot; the station menus report the station chosen.
// GUI thread; owned by the main window.

#include "app/playercontrol.h"

#include <QList>
#include <QObject>

class AppSettings;
class Preset;
class QAction;
class QMenu;
class QMenuBar;
class QToolButton;
class QuillowaveWindow;
class WindowClipboard;

class WindowMenus : public QObject {
    Q_OBJECT
public:
    // showFavorites is the button whose click shows the favourites page.
    WindowMenus(QuillowaveWindow* window, AppSettings* settings, QToolButton* showFavorites);

    // Fills the bar; the station menus read the window's directory and lists when they open.
    void build(QMenuBar* bar);
    // The Recording menu again, after its mode or the no-split choice changed.
    void buildRecording();
    // The first action of the Recording menu: "Start recording" or "Stop recording".
    void setRecordActionText(const QString& text);

    // The menu a remote client can open or send keys to; null for a value without a menu.
    QMenu* menu(PlayerControl::Menu which) const;
    QMenu* favoritesMenu() const { return m_menuFavorites; }
    QMenu* historyMenu() const { return m_menuHistory; }
    QMenu* presetsMenu() const { return m_menuPresets; }
    // The menus the tray menu repeats.
    const QList<QMenu*>& trayMenus() const { return m_trayMenus; }
    WindowClipboard* clipboard() const { return m_clipboard; }
    QAction* alwaysOnTopAction() const { return m_actAlwaysOnTop; }
    QAction* miniModeAction() const { return m_actMiniMode; }

signals:
    // The history was emptied from its menu.
    void signal_historyCleared();

private:
    void buildFile(QMenuBar* bar);
    void buildSettings(QMenuBar* bar);
    void buildFavorites(QMenuBar* bar);
    void buildHistory(QMenuBar* bar);
    void buildPresets(QMenuBar* bar);
    void buildHelp(QMenuBar* bar);
    void playChosen(Preset* preset);

    QuillowaveWindow* m_window; // the owner
    AppSettings* m_settings;    // the program's
    QToolButton* m_btFavs;      // the window's
    WindowClipboard* m_clipboard;
    QMenu* m_menuFile = nullptr;
    QMenu* m_menuSettings = nullptr;
    QMenu* m_menuFavorites = nullptr;
    QMenu* m_menuHistory = nullptr;
    QMenu* m_menuPresets = nullptr;
    QMenu* m_menuRecording = nullptr;
    QAction* m_actionRecord = nullptr;
    QMenu* m_menuClipboard = nullptr;
    QAction* m_actAlwaysOnTop = nullptr;
    QAction* m_actMiniMode = nullptr;
    QList<QMenu*> m_trayMenus;
};
