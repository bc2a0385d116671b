#pragma once

// The two events an AppStream posts to itself to move a split from the library's threads to
// the GUI thread: the song that has just ended, to split after the delay; and a finished split,
// to tell the window. Created by the AppStream, owned by Qt's event queue.

#include "bass/song.h"

#include <QEvent>

class SplitDelayEvent : public QEvent {
public:
    static constexpr QEvent::Type EventType = QEvent::Type(1001);
    explicit SplitDelayEvent(const BASS::Song& song) : QEvent(EventType), m_song(song) {}
    const BASS::Song& song() const { return m_song; }

private:
    BASS::Song m_song;
};

class SplitEvent : public QEvent {
public:
    static constexpr QEvent::Type EventType = QEvent::Type(1002);
    SplitEvent() : QEvent(EventType) {}
};
