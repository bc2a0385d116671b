#include "qtext/qtsingleapplication.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <pwd.h>
#include <unistd.h>

namespace QT_EXT {

namespace {
// The receiver's answer to a complete message.
const QByteArray Ack = QByteArrayLiteral("ack");
// How long a starting instance waits for an answer from a running one before it takes over.
constexpr int ProbeTimeoutMs = 500;
} // namespace

QtSingleApplication::QtSingleApplication(int& argc, char** argv, const QString& appId)
    : QApplication(argc, argv), m_id(appId.isEmpty() ? defaultId() : appId),
      m_serverName(serverNameFor(m_id, userName())) {
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    m_running = probe.waitForConnected(ProbeTimeoutMs);
    if (!m_running)
        startListening();
}

QtSingleApplication::~QtSingleApplication() = default;

QString QtSingleApplication::defaultId() {
    return QFileInfo(applicationFilePath()).absoluteFilePath();
}

QString QtSingleApplication::userName() {
    if (const passwd* entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(getuid());
}

QString QtSingleApplication::serverNameFor(const QString& id, const QString& user) {
    const QByteArray hash =
        QCryptographicHash::hash((id + u'\n' + user).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("quillowave-single-%1-%2").arg(user, QString::fromLatin1(hash.toHex()));
}

void QtSingleApplication::startListening() {
    m_server = new QLocalServer(this);
    // Only this user may talk to the instance.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        // A socket file left by a crashed instance: nobody answered the probe, so take it over.
        QLocalServer::removeServer(m_serverName);
        m_server->listen(m_serverName);
    }
    connect(m_server, &QLocalServer::newConnection, this, &QtSingleApplication::slot_newConnection);
}

void QtSingleApplication::stopListening() {
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
}

bool QtSingleApplication::sendMessage(const QString& message, int timeoutMs) {
    if (!m_running)
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out << message.toUtf8();
    socket.write(block);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < Ack.size()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.read(Ack.size()) == Ack;
}

void QtSingleApplication::slot_newConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        if (socket->bytesAvailable() > 0)
            readMessage(socket);
    }
}

void QtSingleApplication::readMessage(QLocalSocket* socket) {
    QDataStream in(socket);
    in.startTransaction();
    QByteArray utf8;
    in >> utf8;
    if (!in.commitTransaction())
        return; // more to come
    socket->write(Ack);
    socket->disconnectFromServer();
    if (m_activateOnMessage)
        activateWindow();
    emit messageReceived(QString::fromUtf8(utf8));
}

void QtSingleApplication::setActivationWindow(QWidget* window, bool activateOnMessage) {
    m_window = window;
    m_activateOnMessage = activateOnMessage;
}

void QtSingleApplication::activateWindow() {
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->raise();
    m_window->activateWindow();
}

} // namespace QT_EXT
