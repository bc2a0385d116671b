#pragma once

// The main window's doors to other programs on the session bus: the remote control (its command
// queue and the D-Bus service that carries it) and the desktop's media controls, both driving the
// window through one WindowPlayerControl and told of what the playback controller reports.
// GUI thread; owned by the main window.

#include <QObject>
#include <QStringList>

#include <memory>

class MprisService;
class PlaybackController;
class QuillowaveWindow;
class ReadyGate;
class RemoteControl;
class RemoteDBusService;
class WindowPlayerControl;

class WindowRemote : public QObject {
    Q_OBJECT
public:
    WindowRemote(QuillowaveWindow* window, PlaybackController* playback);
    ~WindowRemote() override;

    WindowPlayerControl* player() const { return m_player.get(); }
    RemoteControl* remote() const { return m_remote; }
    MprisService* mpris() const { return m_mpris; }

    // Calls that need the whole window wait at gate while it is not ready.
    void setReadyGate(ReadyGate* gate);
    // Registers the remote control on the session bus; the texts of what failed (none when all
    // is well).
    QStringList registerRemote();
    // Offers the media controls to the desktop while enabled; the text of a failure.
    QString setMediaKeys(bool enabled);
    // Leaves the bus, so that a program started next can take the names.
    void release();

private:
    std::unique_ptr<WindowPlayerControl> m_player;
    RemoteControl* m_remote;      // child
    RemoteDBusService* m_service; // child
    MprisService* m_mpris;        // child
};
