#include "recording/songlogger.h"

#include "bass/bassevents.h"
#include "recording/appstream.h"
#include "recording/playedtitles.h"

SongLogger::SongLogger(AppStream* engine, PlayedTitles* log, QObject* parent)
    : QObject(parent), m_engine(engine), m_log(log) {
    connect(engine, &BASS::BassQt::sig_bassEvent, this, &SongLogger::slot_bassEvent);
    connect(engine, &AppStream::signal_fileOpened, this, &SongLogger::slot_fileOpened);
}

void SongLogger::slot_bassEvent(BASS::BassQt* stream, uint msg, uint param) {
    Q_UNUSED(stream);
    Q_UNUSED(param);
    if (msg != BASS::EVENT_META_CHANGED)
        return;
    const BASS::Song song = m_engine->CurrentSong();
    if (song.IsEmpty())
        return;
    m_log->Add({QDateTime::currentDateTime(), m_engine->StationName(), song.m_artist,
                song.m_title, QString()});
}

void SongLogger::slot_fileOpened(AppStream* stream, const QString& path, const BASS::Song& song) {
    Q_UNUSED(stream);
    if (!song.IsEmpty())
        m_log->SetRecordedFile(m_engine->StationName(), song.m_artist, song.m_title, path);
}
