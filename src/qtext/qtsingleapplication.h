#pragma once

// The application object that keeps one instance per user and program: the first instance
// listens on a local socket private to the user, a later one hands its message over and ends.
// The identity comes from the executable's path and the user name. GUI thread; created by main().

#include <QApplication>
#include <QPointer>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace QT_EXT {

class QtSingleApplication : public QApplication {
    Q_OBJECT
public:
    // The instance identity comes from the executable and the user unless appId is given.
    QtSingleApplication(int& argc, char** argv, const QString& appId = QString());
    ~QtSingleApplication() override;

    // True when another instance was listening when this one started.
    bool isRunning() const { return m_running; }
    // Hands the message to the running instance; true when it confirmed receipt within
    // timeoutMs. False when this is the first instance.
    bool sendMessage(const QString& message, int timeoutMs = 5000);
    QString id() const { return m_id; }
    // The local socket name for an identity: the same for the same id and user, and differing
    // between users.
    static QString serverNameFor(const QString& id, const QString& user);
    // The default identity: the executable's absolute path.
    static QString defaultId();
    static QString userName();

    // Closes the socket of the first instance, so that a program started next becomes the first
    // instance itself (restart) instead of handing its command line to this one.
    void stopListening();

    // A received message first brings window back when activateOnMessage is set.
    void setActivationWindow(QWidget* window, bool activateOnMessage = true);
    QWidget* activationWindow() const { return m_window; }

public slots:
    // Un-minimises, raises and activates the activation window.
    void activateWindow();

signals:
    void messageReceived(const QString& message);

private slots:
    void slot_newConnection();

private:
    void startListening();
    void readMessage(QLocalSocket* socket);

    QString m_id;
    QString m_serverName;
    bool m_running = false;
    QLocalServer* m_server = nullptr; // child; only in the first instance
    QPointer<QWidget> m_window;
    bool m_activateOnMessage = false;
};

} // namespace QT_EXT
