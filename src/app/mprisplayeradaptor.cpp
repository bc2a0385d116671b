#include "app/mprisplayeradaptor.h"

#include "app/mprisservice.h"
#include "app/playercontrol.h"

namespace {

// The Play/Stop button, as the media keys have always pressed it.
void pressPlay(MprisService* service) {
    service->player()->togglePlay();
    service->playerStateChanged();
}

} // namespace

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
    m_service->whenReady([service = m_service] { pressPlay(service); });
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
    m_service->whenReady([service = m_service] {
        if (service->player()->isPlaying())
            pressPlay(service);
    });
}

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    m_service->whenReady([service = m_service, uri] {
        service->player()->playUrl(uri, QString());
        service->playerStateChanged();
    });
}
