#pragma once

// What the main window does for each action the keyboard rules decide: one handler per action in
// a table, so that adding a key means adding a row, not growing a switch.
// GUI thread; owned by the main window.

#include "app/keyboardrules.h"

#include <QObject>

#include <functional>
#include <map>

class AppSettings;
class MainButtonBar;
class NowPlayingPanel;
class PlaybackController;
class QStackedWidget;
class QuillowaveWindow;

class WindowKeyActions : public QObject {
    Q_OBJECT
public:
    // The parts of the window the keys act on, all owned by the window.
    struct Parts {
        AppSettings* settings;
        PlaybackController* playback;
        NowPlayingPanel* panel;
        MainButtonBar* buttons;
        QStackedWidget* stack;
    };

    WindowKeyActions(QuillowaveWindow* window, const Parts& parts);

    // Carries out the result; Default does nothing (the window passes the key on).
    void execute(const KeyboardRules::Result& result) const;
    // True when the action has a handler.
    bool handles(KeyboardRules::Action action) const { return m_handlers.count(action) > 0; }

private:
    using Action = KeyboardRules::Action;
    using Handler = std::function<void(const KeyboardRules::Result&)>;

    void addPlayingActions();
    void addWindowActions();
    void addButtonActions();
    void swapPeakMeters() const;
    void turnPage(int step) const;
    void playOrStop() const;
    // Says what plays, in the status bar, a notification and aloud, with the sound off for a
    // while once the voice starts.
    void announce();
    void muteForAnnouncement() const;

    QuillowaveWindow* m_window; // the owner
    Parts m_parts;
    std::map<Action, Handler> m_handlers;
    // Mutes the sound when the announcement starts to be heard; replaced by the next one.
    QMetaObject::Connection m_muteWhenSpeaking;
};
