// CBass's recording operations: starting in a folder or to a file, the direct copy of the
// downloaded bytes with the song buffer, the encoded-data path, splitting and stopping.
// The encoder programs and the WMA encoder are in cbassencoders.cpp.

#include "bass/bassevents.h"
#include "bass/cbass.h"
#include "bass/precondition.h"
#include "recording/framecutter.h"
#include "recording/recordingnames.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace BASS {

namespace {

FrameCutter::Framing CutFraming(DWORD channelType) {
    switch (channelType) {
    case BASS_CTYPE_STREAM_MP1:
    case BASS_CTYPE_STREAM_MP2:
    case BASS_CTYPE_STREAM_MP3:
        return FrameCutter::Framing::MpegAudio;
    case BASS_CTYPE_STREAM_AAC:
        return FrameCutter::Framing::Adts;
    default:
        return FrameCutter::Framing::Exact;
    }
}

QString translated(const char* text) {
    return QCoreApplication::translate("QObject", text);
}

// Characters no file system here or on a shared drive accepts in a name.
QString safeFileName(QString name) {
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name) {
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return name.trimmed();
}

} // namespace

QString CBass::RecordingErrorText(int code) const {
    const QString failed = translated("Recording failed");
    switch (code) {
    case REC_ERROR_INTERNAL:
        return translated("Internal Error");
    case REC_ERROR_ENGINE:
        return const_cast<CBass*>(this)->LastErrorText();
    case REC_ERROR_MISSING_ENCODER:
        return failed + QStringLiteral(" - ") + translated("Missing encoder");
    case REC_ERROR_CREATE_FILE:
        return translated("Recording failed: Unable to create output file") + QLatin1Char('\n') +
               qt_error_string(-1);
    case REC_ERROR_WRITE:
        return failed + QStringLiteral(" - ") + translated("Unable to write to disk") +
               QLatin1Char('\n') + qt_error_string(-1);
    case REC_ERROR_ENCODER_STOPPED:
        return failed + QStringLiteral(" - ") + translated("Encoder has stopped working");
    default:
        return translated("Unknown Error");
    }
}

void CBass::ReportRecordingError(int code, const QString& detail) {
    QString text = RecordingErrorText(code);
    if (!text.isEmpty())
        text += QLatin1Char('\n') + detail;
    ShowError(text, true);
}

bool CBass::IsDirectFormat(int streamFormat, int requestedFormat) const {
    if (streamFormat == REC_FORMAT_MP3 && requestedFormat == REC_FORMAT_MP3)
        return true;
    return m_directFormats.contains(streamFormat);
}

bool CBass::IsRecording() const {
    return m_record.IsRecording() || m_hRecordChannel != 0;
}

bool CBass::IsBuffering() const {
    return m_record.Recording().HasBufferedData() && !m_record.IsEncoderActive();
}

int CBass::StreamRecordingFormat() const {
    BASS_CHANNELINFO info{};
    {
        QMutexLocker lock(&m_metaMutex);
        info = m_channelInfo;
    }
    if (info.ctype == 0)
        GetChannelInfo(info);
    switch (info.ctype) {
    case BASS_CTYPE_STREAM_WMA:
    case BASS_CTYPE_STREAM_WMA_MP3:
        return REC_FORMAT_WMA;
    case BASS_CTYPE_STREAM_AAC:
    case BASS_CTYPE_STREAM_MP4:
        return REC_FORMAT_AAC;
    case BASS_CTYPE_STREAM_OGG:
    case BASS_CTYPE_STREAM_OPUS: // in Ogg too, but re-encoded: only Vorbis pages are copied
        return REC_FORMAT_OGG;
    case BASS_CTYPE_STREAM_FLAC:
    case BASS_CTYPE_STREAM_FLAC_OGG:
        return REC_FORMAT_FLAC;
    default:
        return REC_FORMAT_MP3;
    }
}

QString CBass::RecordingExtension(bool withDot) const {
    int format = m_requestedFormat;
    if (format == REC_FORMAT_SAME)
        format = StreamRecordingFormat();
    QString extension;
    switch (format) {
    case REC_FORMAT_WMA:
        extension = QStringLiteral("wma");
        break;
    case REC_FORMAT_AAC:
        extension = QStringLiteral("aac");
        break;
    case REC_FORMAT_OGG:
        extension = QStringLiteral("ogg");
        break;
    case REC_FORMAT_FLAC:
        extension = QStringLiteral("flac");
        break;
    default:
        extension = QStringLiteral("mp3");
        break;
    }
    return withDot ? QLatin1Char('.') + extension : extension;
}

QString CBass::RecordingPath() const {
    QMutexLocker lock(&m_metaMutex);
    return m_recordingPath;
}

void CBass::MakeFileName(QString& path, int splitMode) {
    Q_UNUSED(splitMode);
    QString name = safeFileName(StationName());
    if (name.isEmpty())
        name = QStringLiteral("Recording");
    name += QDateTime::currentDateTime().toString(QStringLiteral(" yyyy-MM-dd hh-mm-ss"));
    path = QDir(path).filePath(name);
}

bool CBass::StartRecordingInFolder(const QString& folder, int format) {
    BASS_REQUIRE(m_hStream, false);
    m_recordingFolder = folder;
    QString path = folder;
    MakeFileName(path, m_splitMode);
    return StartRecordingToFile(path, m_splitMode, format);
}

bool CBass::StartSplitRecording(const QString& folder, int format) {
    m_splitMode = SPLIT_PER_SONG;
    return StartRecordingInFolder(folder, format);
}

bool CBass::StartUnsplitRecording(const QString& folder, int format) {
    m_splitMode = SPLIT_NONE;
    return StartRecordingInFolder(folder, format);
}

bool CBass::StartSplitRecordingToFile(QString& path, int format) {
    return StartRecordingToFile(path, SPLIT_PER_SONG, format);
}

bool CBass::StartUnsplitRecordingToFile(QString& path, int format) {
    return StartRecordingToFile(path, SPLIT_NONE, format);
}

bool CBass::StartRecordingToFile(QString& path, int splitMode, int format) {
    m_splitMode = splitMode;
    m_requestedFormat = format;
    const bool direct = IsDirectFormat(StreamRecordingFormat(), format);
    if (direct)
        m_requestedFormat = StreamRecordingFormat();

    // A number is added until the name is free: no recording overwrites a file.
    const QString candidate = RecordingNames::FreePath(path, RecordingExtension(true));
    path = candidate;
    {
        QMutexLocker lock(&m_metaMutex);
        m_recordingPath = candidate;
    }
    // The song buffer stays: a direct copy begins with it.
    m_record.ResetBytes();

    bool started = false;
    switch (format) {
    case REC_FORMAT_SAME:
        started = RecordSameFormat(path, splitMode);
        break;
    case REC_FORMAT_MP3:
        started = direct ? RecordSameFormat(path, splitMode) : StartMp3(path, QString());
        break;
    case REC_FORMAT_WMA:
        started = direct ? RecordSameFormat(path, splitMode) : StartWma(path);
        break;
    case REC_FORMAT_AAC:
        started = direct ? RecordSameFormat(path, splitMode) : StartAac(path, QString());
        break;
    case REC_FORMAT_OGG:
        started = direct ? RecordSameFormat(path, splitMode) : StartOgg(path, QString());
        break;
    case REC_FORMAT_FLAC:
        started = direct ? RecordSameFormat(path, splitMode) : StartFlac(path, QString());
        break;
    default:
        qDebug() << "CBass::StartRecordingToFile unknown format" << format;
        ReportRecordingError(REC_ERROR_INTERNAL, QString());
        break;
    }
    if (started)
        OnRecordingStarted();
    else
        StopRecording();
    return started;
}

bool CBass::RecordSameFormat(const QString& path, int splitMode) {
    m_splitMode = splitMode;
    switch (StreamRecordingFormat()) {
    case REC_FORMAT_WMA:
        return StartWma(path);
    case REC_FORMAT_OGG: {
        QMutexLocker lock(&m_metaMutex);
        if (!CopiesOgg()) {
            lock.unlock();
            return StartOgg(path, QString());
        }
        break;
    }
    case REC_FORMAT_FLAC:
        return StartFlac(path, QString());
    default:
        break;
    }
    if (m_record.Open(path)) {
        QMutexLocker lock(&m_metaMutex);
        if (m_cutSealed) {
            lock.unlock();
            ReplayCarry();
        } else if (!m_record.Recording().HasBufferedData() && !IsOggPaged()) {
            RegisterStartOfFile();
        }
        return true;
    }
    ShowError(RecordingErrorText(REC_ERROR_CREATE_FILE) + QLatin1Char('\n') + path +
                  QLatin1Char('\n') + qt_error_string(-1),
              true);
    return false;
}

void CBass::StopRecording() {
    OnBeforeStopRecording();
    if (m_hRecordChannel) {
        BASS_ChannelStop(m_hRecordChannel);
        m_hRecordChannel = 0;
    }
    ClearCuts();
    CloseRecordingFile();
    OnAfterStopRecording();
    m_writeFailures = 0;
    bassEvent(EVENT_RECORD_STOPPED, 0);
}

void CBass::QueueStopRecording() {
    if (m_stopQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_stopQueued = false;
            if (IsRecording())
                StopRecording();
        },
        Qt::QueuedConnection);
}

void CBass::RestartRecording() {
    StartRecordingInFolder(m_recordingFolder, m_requestedFormat);
}

void CBass::SplitNow() {
    CloseRecordingFile();
    m_splitting = true;
    RestartRecording();
    m_splitting = false;
}

void CBass::CloseRecordingFile() {
    const bool hadFile = m_record.IsRecording();
    const QString path = RecordingPath();
    m_record.Stop();
    if (hadFile && !path.isEmpty())
        OnRecordingClosed(path);
}

void CBass::OnSplitFile(const Song& song) {
    Q_UNUSED(song);
    RunAtCut([this] {
        if (m_singleSong) {
            m_singleSong = false;
            StopRecording();
        } else if (m_splitMode == SPLIT_PER_SONG && IsRecording()) {
            SplitNow();
        }
    });
}

void CBass::OnTitleChanged(const Song& previous) {
    NoteSongStart();
    if (!IsRecording()) {
        if (IsOggPaged()) {
            OnOggTitleWhileBuffering();
            return;
        }
        // The song buffer always starts with the current song, at its first whole frame.
        if (IsBuffering())
            m_record.Reset();
        RegisterStartOfFile();
        return;
    }
    if (m_splitMode != SPLIT_PER_SONG)
        return;
    const bool copied = m_record.Recording().IsOpen() && !m_record.IsEncoderActive();
    if (copied && IsOggPaged())
        RegisterOggCut();
    else if (copied)
        RegisterCut(CutDelayMs());
    const bool cut =
        copied || (m_record.IsEncoderActive() && RegisterEncoderCut(m_songStartByte, CutDelayMs(),
                                                                     false));
    // Splitting stops and starts encoders and files: that belongs on the engine's own thread,
    // not on the library's sync thread that runs this.
    const quint64 titleByte = m_bytesDownloaded;
    QMetaObject::invokeMethod(
        this,
        [this, previous, cut, titleByte] {
            if (cut) {
                ++m_cutsExpected;
                OnSplitFile(previous);
                return;
            }
            // Without a cut in the library the encoder gets the samples as they are decoded,
            // some way behind the download: the split waits until the decoder has read up to
            // the title's byte.
            const QWORD consumed = FilePosition(BASS_FILEPOS_CURRENT);
            qint64 lagMs = 0;
            {
                QMutexLocker lock(&m_metaMutex);
                const int bytesPerSecond = BytesPerSecond();
                if (consumed != QWORD(-1) && consumed < titleByte && bytesPerSecond > 0)
                    lagMs = qint64(titleByte - consumed) * 1000 / bytesPerSecond;
            }
            QTimer::singleShot(int(qMin<qint64>(lagMs, 60000)), this,
                               [this, previous] { OnSplitFile(previous); });
        },
        Qt::QueuedConnection);
    m_record.ResetSongSeconds();
}

// --- cuts of a direct copy ---------------------------------------------------------------------

void CBass::RegisterCut(int delayMs) {
    m_cuts.append({m_bytesDownloaded, qMax(0, delayMs), m_currentSong});
}

void CBass::RegisterStartOfFile() {
    // A later start replaces one still waiting for its frame.
    m_cuts.clear();
    m_cutWindow.clear();
    m_cuts.append({m_bytesDownloaded, 0, m_currentSong, true});
}

void CBass::SplitAtNextFrame() {
    bool cut = false;
    {
        QMutexLocker lock(&m_metaMutex);
        cut = m_record.Recording().IsOpen() && !m_record.IsEncoderActive();
        if (cut && IsOggPaged())
            RegisterOggCut();
        else if (cut)
            RegisterCut(0);
    }
    if (cut)
        ++m_cutsExpected;
    RunAtCut([this] {
        if (IsRecording())
            SplitNow();
    });
}

CBass::WriteOutcome CBass::WriteDirect(const char* data, qsizetype length) {
    if (length <= 0)
        return WriteOutcome::Written;
    return WriteRecordingBlock(data, DWORD(length));
}

CBass::WriteOutcome CBass::FeedDirect(quint64 offset, const char* data, qsizetype length) {
    WriteOutcome outcome = WriteOutcome::Written;
    const auto note = [&outcome](WriteOutcome written) {
        if (written != WriteOutcome::Written)
            outcome = written;
    };
    QByteArray rest; // what follows a start-of-file cut, fed on
    while (length > 0 && !m_cuts.isEmpty()) {
        const PendingCut& next = m_cuts.front();
        if (m_cutWindow.isEmpty()) {
            // Up to the title change the bytes end the current file as they are.
            const qsizetype head =
                offset >= next.offset ? 0 : qsizetype(qMin<quint64>(next.offset - offset, length));
            if (!next.startOfFile)
                note(WriteDirect(data, head));
            data += head;
            length -= head;
            offset += head;
            m_cutWindowOffset = offset;
            if (length == 0)
                break;
        }
        m_cutWindow.append(data, length);
        length = 0;
        const qsizetype cut = FrameCutter::FindCut(m_cutWindow, next.delayMs,
                                                   CutFraming(m_channelInfo.ctype), BytesPerSecond());
        if (cut < 0)
            break;
        if (!next.startOfFile) {
            note(WriteDirect(m_cutWindow.constData(), cut));
            ReachCut(cut);
            break;
        }
        m_cuts.removeFirst();
        rest = m_cutWindow.mid(cut);
        offset = m_cutWindowOffset + quint64(cut);
        m_cutWindow.clear();
        data = rest.constData();
        length = rest.size();
    }
    note(WriteDirect(data, length));
    return outcome;
}

int CBass::BytesPerSecond() const {
    int bitrate = m_headerTags.Bitrate();
    if (bitrate < 1 || bitrate > 1024)
        bitrate = m_station.m_bitrate;
    return bitrate * 125;
}

void CBass::ReachCut(qsizetype cut) {
    const PendingCut reached = m_cuts.takeFirst();
    m_carry = m_cutWindow.mid(cut);
    m_carryOffset = m_cutWindowOffset + quint64(cut);
    m_cutWindow.clear();
    SealCut(reached.song);
}

void CBass::SealCut(const Song& song) {
    m_cutSealed = true;
    const quint32 generation = m_recordingGeneration;
    QMetaObject::invokeMethod(
        this, [this, song, generation] { OnCutReached(song, generation); },
        Qt::QueuedConnection);
}

void CBass::KeepForNextFile(const char* data, qsizetype length) {
    // Bounded: a next file that never opens must not take all memory.
    if (m_carry.size() < qsizetype(CRecording::DefaultCapacity))
        m_carry.append(data, length);
}

void CBass::ReplayCarry() {
    QMutexLocker lock(&m_metaMutex);
    if (!m_cutSealed)
        return;
    m_cutSealed = false;
    QByteArray carry;
    carry.swap(m_carry);
    // Whole pages of an Ogg copy, beginning at a logical stream's first page.
    if (IsOggPaged())
        WriteDirect(carry.constData(), carry.size());
    else
        FeedDirect(m_carryOffset, carry.constData(), carry.size());
}

void CBass::ClearCuts() {
    QMutexLocker lock(&m_metaMutex);
    // What waited for a title change's cut is the end of this recording.
    if (!m_cutSealed && !m_cuts.isEmpty() && !m_cuts.front().startOfFile)
        WriteDirect(m_cutWindow.constData(), m_cutWindow.size());
    m_cuts.clear();
    m_cutWindow.clear();
    m_carry.clear();
    m_cutSealed = false;
    ClearOggCuts();
    ClearEncoderCuts();
    ++m_recordingGeneration;
    lock.unlock();
    m_cutsExpected = 0;
    m_reachedCuts.clear();
    m_actionsAtCut.clear();
    m_nextFileSongSet = false;
}

void CBass::RunAtCut(const std::function<void()>& action) {
    if (m_cutsExpected == 0) {
        action();
        return;
    }
    --m_cutsExpected;
    m_actionsAtCut.append(action);
    RunReadyCutActions();
}

void CBass::OnCutReached(const Song& song, quint32 generation) {
    if (generation != m_recordingGeneration)
        return;
    m_reachedCuts.append(song);
    RunReadyCutActions();
}

void CBass::RunReadyCutActions() {
    while (!m_actionsAtCut.isEmpty() && !m_reachedCuts.isEmpty()) {
        const std::function<void()> action = m_actionsAtCut.takeFirst();
        m_nextFileSong = m_reachedCuts.takeFirst();
        m_nextFileSongSet = true;
        action();
        m_nextFileSongSet = false;
    }
}

Song CBass::SongForNextFile() const {
    return m_nextFileSongSet ? m_nextFileSong : CurrentSong();
}

CBass::WriteOutcome CBass::WriteRecordingBlock(const void* data, DWORD length) {
    // A direct copy's first block takes the song buffer with it into the file.
    const CRecording& recording = m_record.Recording();
    const quint32 flushed =
        recording.IsOpen() && !m_record.IsEncoderActive() ? recording.BufferFill() : 0;
    if (!m_record.Write(data, length)) {
        if (++m_writeFailures > 2) {
            m_writeFailures = 0;
            return WriteOutcome::FailedThrice;
        }
        return WriteOutcome::Failed;
    }
    if (recording.IsOpen())
        m_record.AddBytes(quint64(flushed) + length);
    return WriteOutcome::Written;
}

void CBass::OnStreamData(const void* buffer, DWORD length) {
    QMutexLocker lock(&m_metaMutex);
    const quint64 offset = m_bytesDownloaded;
    m_bytesDownloaded += length;
    const char* bytes = static_cast<const char*>(buffer);
    WriteOutcome outcome = WriteOutcome::Written;
    // Until the decoder has said what the stream is, the pages tell; bytes that are no Ogg
    // go on below as they are.
    if (m_channelInfo.ctype == 0 || m_channelInfo.ctype == BASS_CTYPE_STREAM_OGG)
        outcome = FeedOggPages(bytes, length);
    if (!IsOggPaged()) {
        if (m_record.IsEncoderActive())
            return;
        if (m_cutSealed) {
            KeepForNextFile(bytes, length);
            return;
        }
        outcome = FeedDirect(offset, bytes, length);
    }
    if (outcome == WriteOutcome::FailedThrice) {
        bassEvent(EVENT_WRITE_FAILED, 0);
        QueueStopRecording();
    }
}

bool CBass::OnEncodedData(DWORD handle, const void* data, DWORD length) {
    Q_UNUSED(handle);
    const WriteOutcome outcome = WriteRecordingBlock(data, length);
    if (outcome == WriteOutcome::FailedThrice) {
        QueueStopRecording();
        ReportRecordingError(REC_ERROR_WRITE, QString());
    }
    return outcome == WriteOutcome::Written;
}

void CBass::OnSampleData(DWORD handle, DWORD channel, void* data, DWORD length) {
    Q_UNUSED(handle);
    Q_UNUSED(channel);
    const HWMENCODE wma = m_record.WmaEncoderHandle();
    if (wma != 0 && length > 0)
        BASS_WMA_EncodeWrite(wma, data, length);
}

void CBass::CheckEncoder() {
    const HENCODE encoder = m_record.EncoderHandle();
    if (encoder == 0 || BASS_Encode_IsActive(encoder) != BASS_ACTIVE_STOPPED)
        return;
    ReportRecordingError(REC_ERROR_ENCODER_STOPPED,
                         m_record.Recording().FileName() + QLatin1Char('\n') + m_encoderCommand);
    StopRecording();
}

void CBass::TickRecordingSeconds() {
    if (IsRecording()) {
        m_record.AddRecordedSecond();
        m_record.AddSongSecond();
    } else if (IsBuffering()) {
        m_record.Recording().AddBufferedSecond();
    }
}

} // namespace BASS
