// CBass's recording operations: starting in a folder or to a file, the direct copy of the
// downloaded bytes with the song buffer, the encoded-data path, splitting and stopping.
// The encoder programs and the WMA encoder are in cbassencoders.cpp.

#include "bass/bassevents.h"
#include "bass/cbass.h"
#include "bass/precondition.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace BASS {

namespace {

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
    case BASS_CTYPE_STREAM_OPUS: // Opus comes in Ogg: re-encoded like Vorbis, never copied
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

    const QString extension = RecordingExtension(true);
    QString candidate = path + extension;
    // After nine numbered names the last one is reused (and truncated).
    for (int n = 1; QFileInfo::exists(candidate) && n < 10; ++n)
        candidate = path + QStringLiteral(" (%1)").arg(n) + extension;
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
    case REC_FORMAT_OGG:
        return StartOgg(path, QString());
    case REC_FORMAT_FLAC:
        return StartFlac(path, QString());
    default:
        break;
    }
    if (m_record.Open(path))
        return true;
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
    m_record.Stop();
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
    m_record.Stop();
    RestartRecording();
}

void CBass::OnSplitFile(const Song& song) {
    Q_UNUSED(song);
    if (m_singleSong) {
        m_singleSong = false;
        StopRecording();
    } else if (m_splitMode == SPLIT_PER_SONG) {
        SplitNow();
    }
}

void CBass::OnTitleChanged(const Song& previous) {
    if (!IsRecording()) {
        // The song buffer always starts with the current song.
        if (IsBuffering())
            m_record.Reset();
        return;
    }
    if (m_splitMode != SPLIT_PER_SONG)
        return;
    // Splitting stops and starts encoders and files: that belongs on the engine's own thread,
    // not on the library's sync thread that runs this.
    QMetaObject::invokeMethod(
        this, [this, previous] { OnSplitFile(previous); }, Qt::QueuedConnection);
    m_record.ResetSongSeconds();
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
    {
        QMutexLocker lock(&m_metaMutex);
        m_bytesDownloaded += length;
    }
    if (m_record.IsEncoderActive())
        return;
    if (WriteRecordingBlock(buffer, length) == WriteOutcome::FailedThrice) {
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
