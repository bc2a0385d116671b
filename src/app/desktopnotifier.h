#pragma once

// Notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), so that song changes are announced with or without a tray. Each new notification
// replaces the previous one instead of piling up. GUI thread; owned by the main window's tray
// part.

#include <QObject>
#include <QString>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int ExpireMs = 10000;

    explicit DesktopNotifier(QObject* parent = nullptr);

    // Whether the session has a notification service (running or started on demand).
    static bool isAvailable();
    // Sends the notification; false when there is no service to send it to.
    bool notify(const QString& title, const QString& text);

signals:
    // The service's identifier of the notification just sent (tests follow it).
    void signal_Shown(uint id);

private:
    uint m_lastId = 0; // replaced by the next notification
};
