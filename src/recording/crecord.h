#pragma once

// The recording of one engine object: its output file and song buffer, the song being recorded,
// the WMA encoder parameters, the two encoder handles and the byte and second counters.
// Started and stopped on the GUI thread; written by the download, encoder and mixer threads
// (handles and counters are atomic, the file has its own lock). Owned by CBass.

#include "audio/bass.h"
#include "bass/song.h"
#include "recording/cencoderparams.h"
#include "recording/crecording.h"

#include <atomic>

namespace BASS {

class CRecord {
public:
    CRecord();
    virtual ~CRecord();
    CRecord(const CRecord&) = delete;
    CRecord& operator=(const CRecord&) = delete;
    // A place for subclasses to do nothing; the engine never calls it.
    virtual void Idle() {}

    // Opens the output file and zeroes both seconds counters.
    bool Open(const QString& name);
    bool Write(const void* data, quint32 length);
    // Stops both encoders (which hands their last output to the file) and closes the file.
    void Stop();
    void Reset();

    bool IsRecording() const;
    bool IsEncoderActive() const { return m_hEncode != 0 || m_hWmaEncode != 0; }

    void AddBytes(quint64 n) { m_bytesWritten += n; }
    void ResetBytes() { m_bytesWritten = 0; }
    quint64 BytesWritten() const { return m_bytesWritten.load(); }
    void AddRecordedSecond() { ++m_recordedSeconds; }
    void ResetRecordedSeconds() { m_recordedSeconds = 0; }
    quint32 RecordedSeconds() const { return m_recordedSeconds.load(); }
    void AddSongSecond() { ++m_songSeconds; }
    void ResetSongSeconds() { m_songSeconds = 0; }
    quint32 SongSeconds() const { return m_songSeconds.load(); }

    HWMENCODE WmaEncoderHandle() const { return m_hWmaEncode.load(); }
    void SetWmaEncoderHandle(HWMENCODE handle);
    HENCODE EncoderHandle() const { return m_hEncode.load(); }
    void SetEncoderHandle(HENCODE handle);

    CRecording& Recording() { return m_recording; }
    const CRecording& Recording() const { return m_recording; }
    Song& CurrentSong() { return m_song; } // GUI thread only
    CEncoderParams& EncoderParams() { return m_encoderParams; } // GUI thread only

private:
    CRecording m_recording;
    Song m_song;
    CEncoderParams m_encoderParams;
    std::atomic<HWMENCODE> m_hWmaEncode{0};
    std::atomic<HENCODE> m_hEncode{0};
    std::atomic<quint64> m_bytesWritten{0};
    std::atomic<quint32> m_recordedSeconds{0};
    std::atomic<quint32> m_songSeconds{0};
};

} // namespace BASS
