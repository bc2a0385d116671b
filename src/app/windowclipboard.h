#pragma once

// The Clipboard menu of the main window: plays an address or a station named on the clipboard,
// steps through the playlist entries and copies what is playing (station, address, song, the
// raw metadata) to the clipboard.
// GUI thread; owned by the main window.

#include <QObject>

class AppSettings;
class PlaybackController;
class QAction;
class QMenu;
class QuillowaveWindow;

class WindowClipboard : public QObject {
    Q_OBJECT
public:
    // The menu entries' commands, kept in each action's data.
    enum Command {
        ClipPlay = 100,
        ClipWhatsPlaying = 102,
        ClipPlaylist = 103,
        ClipStationTitle = 104,
        ClipStationUrl = 105,
        ClipCurrentUrl = 106,
        ClipTrack = 107,
        ClipPlayStation = 108,
        ClipMetadata = 109,
        ClipNextEntry = 110,
        ClipPreviousEntry = 111,
        ClipPlayEntry = 113
    };

    WindowClipboard(QuillowaveWindow* window, PlaybackController* playback,
                    AppSettings* settings);

    // Adds the entries to the menu and carries out the one chosen.
    void fillMenu(QMenu* menu);
    // Carries out the command in the action's data; nothing for an action without one.
    void execute(QAction* action);

private:
    // True when the command played or stepped; false for a command that copies.
    bool play(int command, const QString& actionText);
    void playClipboardText();
    void copy(int command);

    QuillowaveWindow* m_window;     // the owner
    PlaybackController* m_playback; // the window's
    AppSettings* m_settings;        // the program's
};
