#include "app/mprisservice.h"

#include "app/mprisplayeradaptor.h"
#include "app/mprisrootadaptor.h"
#include "app/playercontrol.h"
#include "app/readygate.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

namespace {
const QString Separator = QStringLiteral(" - ");
} // namespace

MprisService::MprisService(PlayerControl* player, QObject* parent)
    : QObject(parent), m_player(player) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService() {
    setEnabled(false);
}

void MprisService::whenReady(std::function<void()> request) {
    if (m_gate)
        m_gate->whenReady(std::move(request));
    else
        request();
}

bool MprisService::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!enabled) {
        bus.unregisterService(QString::fromLatin1(ServiceName));
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        m_enabled = false;
        return true;
    }
    if (!bus.isConnected() ||
        !bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    if (!bus.registerService(QString::fromLatin1(ServiceName))) {
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    m_enabled = true;
    m_lastStatus = playbackStatus();
    m_lastMetadata = metadata();
    m_lastVolume = volume();
    return true;
}

QPair<QString, QString> MprisService::splitSong(const QString& song) {
    const qsizetype at = song.indexOf(Separator);
    if (at < 0)
        return {QString(), song.trimmed()};
    return {song.left(at).trimmed(), song.mid(at + Separator.size()).trimmed()};
}

QString MprisService::playbackStatus() const {
    return m_player->isPlaying() ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/hollowmere/Quillowave/"
                                                                  "CurrentStation"))));
    const QString station = m_player->stationName();
    if (!station.isEmpty())
        map.insert(QStringLiteral("xesam:album"), station);
    const QString url = m_player->stationUrl();
    if (!url.isEmpty())
        map.insert(QStringLiteral("xesam:url"), url);
    const auto [artist, title] = splitSong(m_player->songTitle());
    if (!artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    if (!title.isEmpty())
        map.insert(QStringLiteral("xesam:title"), title);
    // Desktop widgets read the cover by its address; a file gone from the cache is no cover.
    const QString cover = m_player->coverArtFile();
    if (!cover.isEmpty() && QFileInfo::exists(cover))
        map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(cover).toString());
    return map;
}

double MprisService::volume() const {
    const int span = m_player->volumeMaximum() - m_player->volumeMinimum();
    if (span <= 0)
        return 0.0;
    return double(m_player->volume() - m_player->volumeMinimum()) / span;
}

void MprisService::setVolume(double value) {
    whenReady([this, value] {
        const int span = m_player->volumeMaximum() - m_player->volumeMinimum();
        const int slider = m_player->volumeMinimum() + qRound(qBound(0.0, value, 1.0) * span);
        m_player->setVolume(slider);
        playerStateChanged();
    });
}

void MprisService::playerStateChanged() {
    if (!m_enabled)
        return;
    QVariantMap changed;
    const QString status = playbackStatus();
    if (status != m_lastStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), m_lastStatus = status);
    const QVariantMap meta = metadata();
    if (meta != m_lastMetadata)
        changed.insert(QStringLiteral("Metadata"), m_lastMetadata = meta);
    const double vol = volume();
    if (!qFuzzyCompare(vol + 1.0, m_lastVolume + 1.0))
        changed.insert(QStringLiteral("Volume"), m_lastVolume = vol);
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(ObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(PlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
