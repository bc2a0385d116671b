#pragma once

// The player as the command line, the remote control and the desktop media controls see it: each
// request becomes what the main window's own button, slider, page or menu does.
// GUI thread; owned by the main window, which it holds as a plain pointer.

#include "app/playercontrol.h"

#include <QPointer>

#include <utility>

class PlaybackController;
class QMenu;
class QuillowaveWindow;

class WindowPlayerControl : public PlayerControl {
public:
    WindowPlayerControl(QuillowaveWindow* window, PlaybackController* playback);

    bool isPlaying() const override;
    bool isRecording() const override;
    bool isMuted() const override;

    void togglePlay() override;
    void stopPlaying() override;
    void toggleRecord() override;
    void toggleMute() override;
    void playLastStation() override;
    void playUrl(const QString& url, const QString& name) override;
    bool playFavorite(int index) override;

    int volume() const override;
    int volumeMinimum() const override;
    int volumeMaximum() const override;
    void setVolume(int value) override;

    QString stationName() const override;
    QString stationUrl() const override;
    QString songTitle() const override;
    QString coverArtFile() const override;

    void showStationPage(StationPage page) override;
    void sendKey(KeyTarget target, int key, bool press) override;
    void sendKeyToMenus(int key) override;
    void closeRemoteMenu() override;
    void popUpMenu(Menu menu) override;
    void searchStations(const QString& text) override;

    void startSleepTimer(int endAction, int lengthSeconds) override;
    void setTimedRecordingSeconds(int seconds) override;
    // The timed recording asked for, once: the next station that plays takes it up.
    int takeTimedRecordingSeconds() { return std::exchange(m_timedRecordingSeconds, 0); }
    void restoreWindow() override;
    void minimizeWindow() override;
    void raiseWindow() override;

    // The menu an earlier popUpMenu opened while it is still open.
    QMenu* remoteMenu() const;

private:
    QuillowaveWindow* m_window;     // the owner
    PlaybackController* m_playback; // the window's
    QPointer<QMenu> m_remoteMenu;
    int m_timedRecordingSeconds = 0;
};
