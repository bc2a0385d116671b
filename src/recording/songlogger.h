#pragma once

// Feeds the log of played titles from the engine: each new song of the playing station, and
// the file a song is recorded to. GUI thread; owned by the main window.

#include <QObject>

class AppStream;
class PlayedTitles;

namespace BASS {
class BassQt;
class Song;
}

class SongLogger : public QObject {
    Q_OBJECT
public:
    SongLogger(AppStream* engine, PlayedTitles* log, QObject* parent = nullptr);

private slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    void slot_fileOpened(AppStream* stream, const QString& path, const BASS::Song& song);

private:
    AppStream* m_engine; // the window's
    PlayedTitles* m_log; // the window's
};
