#pragma once

// The desktop's media controls: the MPRIS 2 service org.mpris.MediaPlayer2.quillowave with the
// object /org/mpris/MediaPlayer2, through which media keys and sound widgets reach the player.
// Registered only while enabled (the ProcessMediaKeys option). GUI thread; owned by the main
// window, which calls playerStateChanged() when playback, song, cover or volume change.

#include <QObject>
#include <QString>
#include <QVariantMap>

class PlayerControl;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* ServiceName = "org.mpris.MediaPlayer2.quillowave";
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";

    explicit MprisService(PlayerControl* player, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers on (true) or leaves (false) the session bus; false when registering failed.
    bool setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // Tells the desktop what changed since the last call (playback status, metadata, volume).
    void playerStateChanged();

    PlayerControl* player() const { return m_player; }
    // "Artist - Title" split at the first " - "; without one the whole text is the title.
    static QPair<QString, QString> splitSong(const QString& song);
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);

private:
    PlayerControl* m_player; // not owned
    bool m_enabled = false;
    QString m_lastStatus;
    QVariantMap m_lastMetadata;
    double m_lastVolume = -1.0;
};
