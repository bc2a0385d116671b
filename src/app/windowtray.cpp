#include "app/windowtray.h"

#include "app/desktopnotifier.h"
#include "app/quillowavewindow.h"
#include "settings/appsettings.h"
#include "ui/popupinfo.h"
#include "ui/themeicon.h"

#include <QCursor>
#include <QMenu>
#include <QWheelEvent>

namespace {

constexpr int kBalloonMs = 10000;

} // namespace

WindowTray::WindowTray(QuillowaveWindow* window, AppSettings* settings)
    : QObject(window), m_window(window), m_settings(settings) {}

QString WindowTray::create(const QList<QMenu*>& menus) {
    if (!m_settings->ShowTrayIcon())
        return {};
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return tr("No system tray is available; the tray icon is not shown.");
    m_tray = new QSystemTrayIcon(m_window->windowIcon(), m_window);
    m_menuTray = makeMenu(menus);
    m_tray->setToolTip(m_window->windowTitle());
    connect(m_tray, &QSystemTrayIcon::activated, m_window, &QuillowaveWindow::slot_iconActivated);
    connect(m_tray, &QSystemTrayIcon::messageClicked, m_window,
            &QuillowaveWindow::slot_messageClicked);
    m_tray->installEventFilter(this);
    m_tray->show();
    return {};
}

QMenu* WindowTray::makeMenu(const QList<QMenu*>& menus) {
    QuillowaveWindow* w = m_window;
    auto* menu = new QMenu(w);
    menu->addAction(tr("Show main window"), w, &QuillowaveWindow::slot_restoreMainWindow);
    menu->addSeparator();
    menu->addAction(tr("Play"), w, &QuillowaveWindow::slot_Play);
    menu->addAction(tr("Stop"), w, &QuillowaveWindow::slot_Stop);
    menu->addAction(tr("Record"), w, &QuillowaveWindow::slot_Record);
    menu->addSeparator();
    for (QMenu* main : menus)
        menu->addMenu(main);
    menu->addSeparator();
    menu->addAction(tr("Exit"), w, &QuillowaveWindow::slot_Exit);
    return menu;
}

void WindowTray::notify(const QString& title, const QString& text, int kind) {
    show(title, text, kind);
    m_songNotified = false;
}

void WindowTray::notifySong(const QString& title, const QString& text) {
    m_songNotified = show(title, text, NotifyDefault);
}

void WindowTray::showSongCover(const QString& file) {
    if (m_songNotified)
        m_notifier->showImage(file);
}

bool WindowTray::show(const QString& title, const QString& text, int kind) {
    if (!m_settings->BalloonTooltip())
        return false;
    if (kind < 0)
        kind = m_settings->TrayNotification();
    if (kind == NotifyBalloon) {
        // The desktop's own notifications first; the tray balloon only where there are none.
        if (!m_notifier)
            m_notifier = new DesktopNotifier(this);
        if (m_notifier->notify(title, text))
            return true;
        if (m_tray) {
            m_tray->showMessage(title, text, QSystemTrayIcon::Information, kBalloonMs);
            return false;
        }
    }
    if (!m_popup)
        m_popup = new PopupInfo(m_window);
    m_popup->showMessage(title, text, m_settings->PopupBackColor(), m_settings->PopupTextColor1(),
                         m_settings->PopupTextColor2());
    return false;
}

void WindowTray::setToolTip(const QString& text) {
    if (m_tray)
        m_tray->setToolTip(text);
}

void WindowTray::applySettings() {
    if (m_tray)
        m_tray->setContextMenu(m_settings->TrayClickMuteVolume() ? nullptr : m_menuTray);
}

void WindowTray::activate(QSystemTrayIcon::ActivationReason reason) {
    const bool clickMutes = m_settings->TrayClickMuteVolume();
    if (reason == QSystemTrayIcon::Context) {
        if (clickMutes)
            m_window->slot_volumeMute();
        return;
    }
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick &&
        reason != QSystemTrayIcon::MiddleClick)
        return;
    if (!clickMutes)
        m_window->slot_restoreMainWindow();
    else if (m_menuTray)
        m_menuTray->popup(QCursor::pos());
}

bool WindowTray::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_tray || event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    const int degrees = static_cast<QWheelEvent*>(event)->angleDelta().y() / 8;
    m_window->slot_trayMouseWheel(degrees / 15, degrees);
    return true;
}

void WindowTray::hide() {
    if (m_tray)
        m_tray->hide();
}

void WindowTray::setRecording(bool recording) {
    if (!m_tray)
        return;
    m_tray->setIcon(recording ? ThemeIcon::get(QStringLiteral("media-record"),
                                               ThemeIcon::resource(QStringLiteral("Record.png")))
                              : m_window->windowIcon());
}
