#pragma once

// The desktop's media controls: the MPRIS 2 service org.mpris.MediaPlayer2.quillowave with the
// object /org/mpris/MediaPlayer2, through which media keys and sound widgets reach the player.
// Registered only while enabled (the ProcessMediaKeys option). GUI thread; owned by the main
// window, which calls playerStateChanged() when playback, song, cover or volume change. What the
// desktop asks the player to do while the window is not ready yet is done once it is.

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class PlayerControl;
class ReadyGate;

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
    // Requests to the player wait at gate while it is not ready; none: they run at once.
    void setReadyGate(ReadyGate* gate) { m_gate = gate; }
    // Runs the request on the player now or, while the window is not ready, once it is.
    void whenReady(std::function<void()> request);
    // "Artist - Title" split at the first " - "; without one the whole text is the title.
    static QPair<QString, QString> splitSong(const QString& song);
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);

private:
    PlayerControl* m_player; // not owned
    ReadyGate* m_gate = nullptr; // not owned
    bool m_enabled = false;
    QString m_lastStatus;
    QVariantMap m_lastMetadata;
    double m_lastVolume = -1.0;
};
