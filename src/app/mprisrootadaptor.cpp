#include "app/mprisrootadaptor.h"

#include "app/mprisservice.h"
#include "app/playercontrol.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

QStringList MprisRootAdaptor::supportedUriSchemes() const {
    return {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
            QStringLiteral("rtsp")};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"),    QStringLiteral("audio/aac"),
            QStringLiteral("audio/aacp"),    QStringLiteral("audio/ogg"),
            QStringLiteral("audio/flac"),    QStringLiteral("audio/x-mpegurl"),
            QStringLiteral("audio/x-scpls"), QStringLiteral("video/x-ms-asf")};
}

void MprisRootAdaptor::Raise() {
    m_service->player()->raiseWindow();
}
