// CBass's cuts of an encoded recording: the audio library ends the running encoder's samples
// at the title's first sample and keeps the samples after it for the encoder the split
// starts, so the engine's thread may close and open files whenever it gets to it.

#include "bass/cbass.h"

namespace BASS {

namespace {

bool IsOggChannel(DWORD channelType) {
    return channelType == BASS_CTYPE_STREAM_OGG || channelType == BASS_CTYPE_STREAM_OPUS ||
           channelType == BASS_CTYPE_STREAM_FLAC_OGG;
}

} // namespace

quint64 CBass::TitleByte() const {
    // An Ogg station's title comes in the header pages of the song's own logical stream. The
    // data that brought it may run on into the song's first audio pages: its audio begins at
    // that stream's first page.
    if (IsOggChannel(m_channelInfo.ctype)) {
        const QWORD link = BASS_StreamGetFilePosition(m_hStream, BASS_FILEPOS_LINK);
        if (link != QWORD(-1) && link <= m_bytesDownloaded)
            return link;
    }
    return m_bytesDownloaded;
}

void CBass::NoteSongStart() {
    m_songStartByte = TitleByte();
    m_songStartStream = m_hStream;
}

bool CBass::RegisterEncoderCut(quint64 sourceByte, int delayMs, bool startOfFile) {
    const DWORD channel = GetEncoderHandle();
    // The in-process WMA encoder takes its samples from a DSP callback, not from the library's
    // encoder feed: its splits go by the clock.
    if (!channel || m_record.WmaEncoderHandle() != 0)
        return false;
    if (m_encoderCutSyncStream != channel) {
        if (!BASS_ChannelSetSync(channel, BASS_SYNC_ENCODE_CUT, 0, &CBass::CALLBACK_EncoderCut,
                                 this))
            return false;
        m_encoderCutSyncStream = channel;
    }
    if (!BASS_Encode_CutAt(channel, sourceByte, DWORD(qMax(0, delayMs))))
        return false;
    m_encoderCuts.append({sourceByte, delayMs, m_currentSong, startOfFile});
    return true;
}

void CBass::StartAtSongStart() {
    QMutexLocker lock(&m_metaMutex);
    const quint64 start = m_songStartStream == m_hStream ? m_songStartByte : 0;
    RegisterEncoderCut(start, 0, true);
}

void CBass::ClearEncoderCuts() {
    m_encoderCuts.clear();
    if (m_encoderCutSyncStream != 0 && m_encoderCutSyncStream == GetEncoderHandle())
        BASS_Encode_ClearCuts(m_encoderCutSyncStream);
}

void CBass::CALLBACK_EncoderCut(HSYNC, DWORD, DWORD, void* user) {
    auto* engine = static_cast<CBass*>(user);
    QMutexLocker lock(&engine->m_metaMutex);
    if (engine->m_encoderCuts.isEmpty())
        return;
    const PendingCut reached = engine->m_encoderCuts.takeFirst();
    // A recording's own start waits for no split.
    if (reached.startOfFile)
        return;
    const quint32 generation = engine->m_recordingGeneration;
    QMetaObject::invokeMethod(
        engine,
        [engine, song = reached.song, generation] { engine->OnCutReached(song, generation); },
        Qt::QueuedConnection);
}

} // namespace BASS
