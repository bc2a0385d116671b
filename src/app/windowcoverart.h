#pragma once

// The main window's cover-art wiring: the song's cover in the now-playing panel, the cover-art
// window opened from it, and word to the desktop (media controls) whenever the cover changes.
// A new song, a song without a cover and a stop take the cover away at once; a stop also closes
// the window. GUI thread; owned by the main window.

#include "bass/song.h"
#include "coverart/coverart.h"

#include <QObject>
#include <QPointer>

class CoverArtWindow;
class NowPlayingPanel;
class QWidget;

class WindowCoverArt : public QObject {
    Q_OBJECT
public:
    WindowCoverArt(QWidget* window, NowPlayingPanel* panel, CoverArt* lookup);

    // The open cover-art window, or null.
    CoverArtWindow* coverWindow() const;
    // Whether the lookup's answers are for that song: an answer for the song before may still
    // arrive after the next song's title has been shown.
    bool isCoverOf(const BASS::Song& song) const;

public slots:
    void slot_showCoverWindow();
    void closeCoverWindow();

signals:
    // The file of the cover now shown, empty when none is.
    void sig_coverChanged(const QString& file);

private:
    void slot_statusChanged(CoverArt::status value);

    QWidget* m_window; // the owner
    NowPlayingPanel* m_panel;
    CoverArt* m_lookup; // the engine's
    QPointer<CoverArtWindow> m_dialog;
};
