#include "app/windowremote.h"

#include "app/mprisservice.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/remotecontrol.h"
#include "app/remotedbusservice.h"
#include "app/windowplayercontrol.h"

#include <QDBusConnection>

WindowRemote::WindowRemote(QuillowaveWindow* window, PlaybackController* playback)
    : QObject(window), m_player(std::make_unique<WindowPlayerControl>(window, playback)),
      m_remote(new RemoteControl(m_player.get(), this)),
      m_service(new RemoteDBusService(m_remote, this)),
      m_mpris(new MprisService(m_player.get(), this)) {
    connect(playback, &PlaybackController::sig_remoteEvent, m_remote,
            [this](int code, const QString& text) { m_remote->notifyRemoteClient(code, text); });
    connect(playback, &PlaybackController::sig_busyChanged, m_mpris,
            &MprisService::playerStateChanged);
    connect(playback, &PlaybackController::sig_muteChanged, m_mpris,
            &MprisService::playerStateChanged);
    connect(playback, &PlaybackController::sig_stationShown, m_mpris,
            &MprisService::playerStateChanged);
    connect(playback, &PlaybackController::sig_songChanged, m_mpris,
            &MprisService::playerStateChanged);
    connect(playback, &PlaybackController::sig_volumeChanged, m_mpris,
            &MprisService::playerStateChanged);
}

// The services go before the player they drive.
WindowRemote::~WindowRemote() {
    delete m_mpris;
    delete m_service;
    delete m_remote;
}

void WindowRemote::setReadyGate(ReadyGate* gate) {
    m_service->setReadyGate(gate);
    m_mpris->setReadyGate(gate);
}

QStringList WindowRemote::registerRemote() {
    if (!QDBusConnection::sessionBus().isConnected())
        return {tr("No session bus: remote control and media keys are not available.")};
    if (!m_service->registerOn(QDBusConnection::sessionBus()))
        return {tr("Remote control is not available: %1").arg(m_service->errorText())};
    return {};
}

QString WindowRemote::setMediaKeys(bool enabled) {
    if (enabled == m_mpris->isEnabled() || !QDBusConnection::sessionBus().isConnected())
        return {};
    if (!m_mpris->setEnabled(enabled))
        return tr("The media keys are not available: another player holds their name.");
    return {};
}

void WindowRemote::release() {
    m_mpris->setEnabled(false);
    m_service->unregister();
}
