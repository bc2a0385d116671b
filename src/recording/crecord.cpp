#include "recording/crecord.h"

namespace BASS {

CRecord::CRecord() = default;

CRecord::~CRecord() {
    Stop();
}

bool CRecord::Open(const QString& name) {
    if (!m_recording.Open(name))
        return false;
    m_recordedSeconds = 0;
    m_songSeconds = 0;
    return true;
}

bool CRecord::Write(const void* data, quint32 length) {
    return m_recording.Write(data, length, IsEncoderActive());
}

void CRecord::Stop() {
    // The handles stay set until the file is closed: the encoders' last output still counts as
    // encoded data, and raw bytes arriving meanwhile stay out of the encoded file.
    if (const HENCODE encoder = m_hEncode.load())
        BASS_Encode_Stop(encoder);
    if (const HWMENCODE wma = m_hWmaEncode.load())
        BASS_WMA_EncodeClose(wma);
    m_recording.Close();
    m_hEncode = 0;
    m_hWmaEncode = 0;
}

void CRecord::Reset() {
    m_bytesWritten = 0;
    m_recordedSeconds = 0;
    m_songSeconds = 0;
    m_recording.ResetBuffer();
}

bool CRecord::IsRecording() const {
    return IsEncoderActive() || m_recording.IsOpen();
}

void CRecord::SetWmaEncoderHandle(HWMENCODE handle) {
    // The mixer thread reads the handle for every block: it sees the new one before the old
    // one is closed.
    const HWMENCODE old = m_hWmaEncode.exchange(handle);
    if (old != 0 && old != handle)
        BASS_WMA_EncodeClose(old);
}

void CRecord::SetEncoderHandle(HENCODE handle) {
    const HENCODE old = m_hEncode.exchange(handle);
    if (old != 0 && old != handle)
        BASS_Encode_Stop(old);
}

} // namespace BASS
