#include "app/mprisplayeradaptor.h"

#include "app/mprisservice.h"
#include "app/playercontrol.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QString MprisPlayerAdaptor::playbackStatus() const {
    return m_service->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return m_service->metadata();
}

double MprisPlayerAdaptor::volume() const {
    return m_service->volume();
}

void MprisPlayerAdaptor::setVolume(double value) {
    m_service->setVolume(value);
}

void MprisPlayerAdaptor::clickPlay() {
    m_service->player()->togglePlay();
    m_service->playerStateChanged();
}

void MprisPlayerAdaptor::PlayPause() {
    clickPlay();
}

void MprisPlayerAdaptor::Play() {
    clickPlay();
}

void MprisPlayerAdaptor::Stop() {
    clickPlay();
}

void MprisPlayerAdaptor::Pause() {
    if (m_service->player()->isPlaying())
        clickPlay();
}

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    m_service->player()->playUrl(uri, QString());
    m_service->playerStateChanged();
}
