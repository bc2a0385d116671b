#pragma once

// Notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), so that song changes are announced with or without a tray, with the song's cover
// as image once there is one. Each new notification replaces the previous one instead of piling
// up. GUI thread; owned by the main window's tray part.

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr int ExpireMs = 10000;

    explicit DesktopNotifier(QObject* parent = nullptr);

    // Whether the session has a notification service (running or started on demand).
    static bool isAvailable();
    // Sends the notification, with the image file when one is given; false when there is no
    // service to send it to.
    bool notify(const QString& title, const QString& text, const QString& imageFile = QString());
    // Sends the last notification again with the image, in its place, while it is still shown;
    // false when nothing is shown or there is no service.
    bool showImage(const QString& imageFile);

signals:
    // The service's identifier of the notification just sent (tests follow it).
    void signal_Shown(uint id);

private:
    uint m_lastId = 0; // replaced by the next notification
    QString m_lastTitle;
    QString m_lastText;
    QElapsedTimer m_lastSent; // invalid until the first notification
    int m_pendingCalls = 0;   // sent, not answered yet
    QString m_pendingImage;   // for the last notification, once its identifier is known
};
