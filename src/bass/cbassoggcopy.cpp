// CBass's direct copy of an Ogg Vorbis stream: whole pages into the file, a file of its own for
// each logical stream (a radio begins one at each title), the header pages in front of a file
// that begins inside one. The split delay does not move an Ogg cut: the title comes in the
// stream's own pages, at the song's first sample, so there is no early title to wait out; the
// delay only postpones the opening of the next file, whose first pages wait meanwhile.

#include "bass/bassevents.h"
#include "bass/cbass.h"

namespace BASS {

bool CBass::IsOggPaged() const {
    // Before the decoder has said what the stream is, the bytes themselves tell.
    return m_channelInfo.ctype == BASS_CTYPE_STREAM_OGG ||
           (m_channelInfo.ctype == 0 && m_oggPager.HasSeenPages());
}

bool CBass::CopiesOgg() const {
    // Opus and FLAC in Ogg are still re-encoded: a copy would need their own file kinds.
    return m_channelInfo.ctype == BASS_CTYPE_STREAM_OGG &&
           IsDirectFormat(REC_FORMAT_OGG, REC_FORMAT_OGG);
}

CBass::WriteOutcome CBass::FeedOggPages(const char* data, qsizetype length) {
    WriteOutcome outcome = WriteOutcome::Written;
    const auto note = [&outcome](WriteOutcome written) {
        if (written != WriteOutcome::Written)
            outcome = written;
    };
    // The title of a held stream comes with its header pages, which the library reads after
    // this callback has seen them: audio of the stream in an earlier block and still no cut
    // means the same song goes on, in the same file.
    if (m_oggHolding && m_oggHeldComplete) {
        m_oggHolding = false;
        note(WriteDirect(m_oggHeld.constData(), m_oggHeld.size()));
        m_oggHeld.clear();
    }
    m_oggPager.Feed(data, length, [&](const OggPager::Page& page) { note(RouteOggPage(page)); });
    return outcome;
}

CBass::WriteOutcome CBass::RouteOggPage(const OggPager::Page& page) {
    if (m_record.IsEncoderActive())
        return WriteOutcome::Written;
    if (m_cutSealed) {
        KeepForNextFile(page.bytes.constData(), page.bytes.size());
        return WriteOutcome::Written;
    }
    if (m_oggCutPending) {
        m_oggCutPending = false;
        m_carry = FromStreamStart(page);
        SealCut(m_oggCutSong);
        return WriteOutcome::Written;
    }
    if (m_oggHolding) {
        m_oggHeld += page.bytes;
        m_oggHeldComplete = m_oggHeldComplete || !page.header;
        return WriteOutcome::Written;
    }
    const bool fileOpen = m_record.Recording().IsOpen();
    if (page.firstOfStream) {
        if (fileOpen && m_splitMode == SPLIT_PER_SONG && !RecordingTargetEmpty()) {
            m_oggHolding = true;
            m_oggHeldComplete = false;
            m_oggHeld = page.bytes;
            return WriteOutcome::Written;
        }
        if (!fileOpen) {
            // The song buffer holds the song from its first page.
            m_record.Reset();
            m_oggBufferAtStreamStart = true;
        }
    }
    if (RecordingTargetEmpty()) {
        const QByteArray start = FromStreamStart(page);
        return WriteDirect(start.constData(), start.size());
    }
    return WriteDirect(page.bytes.constData(), page.bytes.size());
}

QByteArray CBass::FromStreamStart(const OggPager::Page& page) const {
    if (page.header)
        return m_oggPager.StreamHeaders();
    return m_oggPager.StreamHeaders() + page.bytes;
}

bool CBass::RecordingTargetEmpty() const {
    const CRecording& recording = m_record.Recording();
    if (recording.BufferFill() != 0)
        return false;
    return !recording.IsOpen() || m_record.BytesWritten() == 0;
}

void CBass::RegisterOggCut() {
    if (m_oggHolding) {
        m_oggHolding = false;
        m_carry.swap(m_oggHeld);
        m_oggHeld.clear();
        SealCut(m_currentSong);
        return;
    }
    m_oggCutPending = true;
    m_oggCutSong = m_currentSong;
}

void CBass::OnOggTitleWhileBuffering() {
    // The buffer already starts at the stream's first page when the title came with it.
    if (!m_oggBufferAtStreamStart && IsBuffering())
        m_record.Reset();
}

void CBass::ClearOggCuts() {
    m_oggHeld.clear();
    m_oggHolding = false;
    m_oggCutPending = false;
}

} // namespace BASS
