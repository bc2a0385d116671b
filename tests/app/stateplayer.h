#pragma once

// A player made of plain state for the command-line, remote-control and media-control tests:
// it keeps what a window would show and logs each request as one line ("playUrl url name").

#include "app/playercontrol.h"

#include <QStringList>

class StatePlayer : public PlayerControl {
public:
    bool playing = false;
    bool recording = false;
    bool muted = false;
    int volumeValue = 50;
    int favorites = 0;
    QString station;
    QString url;
    QString song;
    QStringList log;

    bool isPlaying() const override { return playing; }
    bool isRecording() const override { return recording; }
    bool isMuted() const override { return muted; }
    void togglePlay() override {
        playing = !playing;
        log << QStringLiteral("togglePlay");
    }
    void stopPlaying() override {
        playing = false;
        log << QStringLiteral("stopPlaying");
    }
    void toggleRecord() override {
        if (playing)
            recording = !recording;
        log << QStringLiteral("toggleRecord");
    }
    void toggleMute() override {
        muted = !muted;
        log << QStringLiteral("toggleMute");
    }
    void playLastStation() override {
        playing = true;
        log << QStringLiteral("playLastStation");
    }
    void playUrl(const QString& address, const QString& name) override {
        playing = true;
        url = address;
        station = name;
        log << QStringLiteral("playUrl %1 %2").arg(address, name);
    }
    bool playFavorite(int index) override {
        if (index < 0 || index >= favorites)
            return false;
        playing = true;
        log << QStringLiteral("playFavorite %1").arg(index);
        return true;
    }
    int volume() const override { return volumeValue; }
    int volumeMinimum() const override { return 0; }
    int volumeMaximum() const override { return 100; }
    void setVolume(int value) override {
        volumeValue = value;
        log << QStringLiteral("setVolume %1").arg(value);
    }
    QString stationName() const override { return station; }
    QString stationUrl() const override { return url; }
    QString songTitle() const override { return song; }
    void showStationPage(StationPage page) override {
        log << QStringLiteral("showStationPage %1").arg(int(page));
    }
    void sendKey(KeyTarget target, int key, bool press) override {
        log << QStringLiteral("sendKey %1 %2 %3").arg(int(target)).arg(key).arg(press);
    }
    void sendKeyToMenus(int key) override { log << QStringLiteral("sendKeyToMenus %1").arg(key); }
    void closeRemoteMenu() override { log << QStringLiteral("closeRemoteMenu"); }
    void popUpMenu(Menu menu) override { log << QStringLiteral("popUpMenu %1").arg(int(menu)); }
    void searchStations(const QString& text) override {
        log << QStringLiteral("searchStations %1").arg(text);
    }
    void startSleepTimer(int endAction, int lengthSeconds) override {
        log << QStringLiteral("startSleepTimer %1 %2").arg(endAction).arg(lengthSeconds);
    }
    void setTimedRecordingSeconds(int seconds) override {
        log << QStringLiteral("setTimedRecordingSeconds %1").arg(seconds);
    }
    void restoreWindow() override { log << QStringLiteral("restoreWindow"); }
    void minimizeWindow() override { log << QStringLiteral("minimizeWindow"); }
    void raiseWindow() override { log << QStringLiteral("raiseWindow"); }
};
