#pragma once

// What the command line, the remote control and the desktop media controls may ask of the player:
// the main window implements it, tests implement it over an engine or over plain state.
// GUI thread; implemented by the object that owns the player (not owned through this interface).

#include <QString>

class PlayerControl {
public:
    // The station pages a remote client can bring to the front.
    enum class StationPage { SearchResults, Favorites, History };
    // Where a remote key event goes.
    enum class KeyTarget { MainWindow, StationList };
    // The menus a remote client can pop up; the values are the remote-control arguments.
    enum class Menu {
        File = 0,
        Settings = 1,
        Favorites = 2,
        Presets = 3,
        Recording = 4,
        Clipboard = 6
    };

    virtual ~PlayerControl() = default;

    virtual bool isPlaying() const = 0;
    virtual bool isRecording() const = 0;
    virtual bool isMuted() const = 0;

    // The Play/Stop button: plays the last station when nothing plays, else stops.
    virtual void togglePlay() = 0;
    // The Stop button.
    virtual void stopPlaying() = 0;
    // The Record button: a toggle that acts only while a stream plays.
    virtual void toggleRecord() = 0;
    // The mute button.
    virtual void toggleMute() = 0;
    // Plays the current (last) station.
    virtual void playLastStation() = 0;
    // Plays a new station record made of the address and name, like a station the user picked.
    virtual void playUrl(const QString& url, const QString& name) = 0;
    // Plays the favourite at that index; false when there is none.
    virtual bool playFavorite(int index) = 0;

    // The volume slider.
    virtual int volume() const = 0;
    virtual int volumeMinimum() const = 0;
    virtual int volumeMaximum() const = 0;
    virtual void setVolume(int value) = 0;

    // What plays: the station's name and address and the current song title ("Artist - Title").
    virtual QString stationName() const = 0;
    virtual QString stationUrl() const = 0;
    virtual QString songTitle() const = 0;
    // The file of the song's cover; empty while there is none.
    virtual QString coverArtFile() const { return {}; }

    virtual void showStationPage(StationPage page) = 0;
    // Delivers a key press (press true) or release with that key code.
    virtual void sendKey(KeyTarget target, int key, bool press) = 0;
    // A key press for the menu a remote client popped up if one is open, else for each menu of
    // the menu bar, the Clipboard menu and the menu bar in turn.
    virtual void sendKeyToMenus(int key) = 0;
    // Closes the menu an earlier popUpMenu opened, if it is still open.
    virtual void closeRemoteMenu() = 0;
    // Pops up the menu at the bottom-left corner of the window.
    virtual void popUpMenu(Menu menu) = 0;
    // Puts the text into the search field, focuses it and runs the search.
    virtual void searchStations(const QString& text) = 0;

    // Starts the sleep timer with that end action (0 to 4, 4 quits) and length, elapsed 0.
    virtual void startSleepTimer(int endAction, int lengthSeconds) = 0;
    // Length of the timed recording that starts when the stream reports that it plays.
    virtual void setTimedRecordingSeconds(int seconds) = 0;
    // Shows the window normally and activates it.
    virtual void restoreWindow() = 0;
    virtual void minimizeWindow() = 0;
    // Brings the window to the front (the desktop's Raise request).
    virtual void raiseWindow() = 0;
};
