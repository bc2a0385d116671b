#pragma once

// The main window's presence outside itself: the tray icon with its menu (the window's main
// menus and the playing controls), the tool tip, and notifications either through the desktop's
// notification service, a song's with its cover (the tray balloon where it has none), or in the
// PopupInfo window.
// GUI thread; owned by the main window.

#include <QObject>
#include <QSystemTrayIcon>

class AppSettings;
class DesktopNotifier;
class PopupInfo;
class QMenu;
class QuillowaveWindow;

class WindowTray : public QObject {
    Q_OBJECT
public:
    // Notification kinds; a negative kind takes the user's choice.
    enum NotifyKind { NotifyDefault = -1, NotifyBalloon = 1, NotifyPopup = 2 };

    WindowTray(QuillowaveWindow* window, AppSettings* settings);

    // Shows the icon while the ShowTrayIcon option asks for it, its menu repeating menus; the
    // text of what is missing when there is no tray host, else an empty text.
    QString create(const QList<QMenu*>& menus);
    QSystemTrayIcon* icon() const { return m_tray; }
    PopupInfo* popupInfo() const { return m_popup; }

    void notify(const QString& title, const QString& text, int kind = NotifyDefault);
    // A new song's notification, the kind the user chose; its cover may follow.
    void notifySong(const QString& title, const QString& text);
    // The cover of the song last notified, into its notification while that is still shown
    // by the desktop's service.
    void showSongCover(const QString& file);
    void setToolTip(const QString& text);
    // With TrayClickMuteVolume a right click mutes instead of opening the menu.
    void applySettings();
    // What a click on the icon does: mute, the menu or the window, as the options say.
    void activate(QSystemTrayIcon::ActivationReason reason);
    void hide();
    // The recording picture while a recording runs, else the program's icon.
    void setRecording(bool recording);

protected:
    // The wheel over the icon changes the volume, where the tray host delivers the wheel (the
    // XEmbed tray does; the StatusNotifierItem one has no way to).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenu* makeMenu(const QList<QMenu*>& menus);
    // True when the desktop's notification service took it.
    bool show(const QString& title, const QString& text, int kind);

    QuillowaveWindow* m_window; // the owner
    AppSettings* m_settings;    // the program's
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menuTray = nullptr;
    PopupInfo* m_popup = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    bool m_songNotified = false; // the last notification went to the desktop, for a song
};
