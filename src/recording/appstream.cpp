#include "recording/appstream.h"

#include "bass/precondition.h"
#include "recording/recordingnames.h"
#include "recording/recordingtagger.h"
#include "recording/splitevents.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {

// The station's address, else the one the engine connected to.
QString streamAddress(const AppStream& stream) {
    const QString url = stream.GetStation().m_url;
    return url.isEmpty() ? stream.ConnectedURL() : url;
}

} // namespace

AppStream::AppStream(QObject* parent)
    : BASS::Stream(parent), m_filePattern(RecordingNames::DefaultPattern()) {
    // An MP3 stream asked for as MP3 is always copied as it comes.
    AddDirectFormat(BASS::REC_FORMAT_MP3);
}

AppStream::~AppStream() {
    // The decoding thread calls into this object until the stream is freed; each base class's
    // destructor would already have changed what those calls reach, so free it here, first.
    if (GetHandle())
        ReleaseStream();
}

void AppStream::Reset() {
    BASS::Stream::Reset();
    m_splitDelayMs = 0;
    m_secondsSinceSplit = 0;
    m_timedSplitMinutes = 0;
    m_secondsRecorded = 0;
    m_recordingStarted = false;
}

bool AppStream::StartRecordingInFolder(const QString& folder, int format) {
    BASS_REQUIRE(m_hStream, false);
    QString recordingFolder = QDir::toNativeSeparators(folder);
    for (const QChar c : {QChar('@'), QChar('%'), QChar('>'), QChar('<')})
        recordingFolder.replace(c, QChar('_'));
    SetRecordingFolder(recordingFolder);

    const BASS::Song song = SongForNextFile();
    RecordingNames::Fields fields;
    fields.station = RecordingNames::StationName(HeaderName(), GetStation().m_name);
    fields.artist = song.m_artist;
    fields.title = song.m_title;
    fields.url = streamAddress(*this);
    fields.time = QDateTime::currentDateTime();
    fields.split = SplitModeOf() == BASS::SPLIT_PER_SONG;
    QString path = RecordingNames::PatternPath(recordingFolder, m_filePattern, fields);
    // A folder that cannot be made shows as the file's create error.
    QDir().mkpath(QFileInfo(path).path());
    m_fileSong = fields.split ? song : BASS::Song();
    m_fileDate = fields.time.date();
    m_recordingStarted = StartRecordingToFile(path, SplitModeOf(), format);
    return m_recordingStarted;
}

void AppStream::OnSplitFile(const BASS::Song& song) {
    m_secondsSinceSplit = 0;
    qDebug() << "AppStream::OnSplitFile " << m_splitDelayMs.load();
    if (m_splitDelayMs != 0) {
        QCoreApplication::postEvent(this, new SplitDelayEvent(song));
        return;
    }
    BASS::Stream::OnSplitFile(song);
}

void AppStream::SplitNow() {
    BASS::Stream::SplitNow();
    // Told once the next file is open, which for a direct copy may be after the call above.
    QCoreApplication::postEvent(this, new SplitEvent);
}

void AppStream::slot_splitDelay() {
    qDebug() << "AppStream::slot_SplitDelay " << m_pendingSong.Text();
    BASS::Stream::OnSplitFile(m_pendingSong);
}

bool AppStream::event(QEvent* event) {
    if (event->type() == SplitDelayEvent::EventType) {
        m_pendingSong = static_cast<SplitDelayEvent*>(event)->song();
        if (m_splitDelayMs <= ImmediateSplitMs)
            slot_splitDelay();
        else
            QTimer::singleShot(m_splitDelayMs.load(), this, &AppStream::slot_splitDelay);
        event->accept();
        return true;
    }
    if (event->type() == SplitEvent::EventType) {
        event->accept();
        emit signal_recordSplit(this);
        return true;
    }
    return BASS::Stream::event(event);
}

void AppStream::OnStarted() {
    emit signal_Started(this);
}

void AppStream::OnAfterStop() {
    BASS::Stream::OnAfterStop();
    // Not the engine's whole reset: the connect thread stops before it opens, and the station
    // and its split delay, set for that open, must stay.
    const auto clear = [this] {
        m_secondsSinceSplit = 0;
        m_timedSplitMinutes = 0;
        m_secondsRecorded = 0;
        m_recordingStarted = false;
        m_recordingLimit = 0;
    };
    if (QThread::currentThread() == thread())
        clear();
    else
        QMetaObject::invokeMethod(this, clear, Qt::QueuedConnection);
}

void AppStream::OnAfterStopRecording() {
    BASS::Stream::OnAfterStopRecording();
    m_recordingStarted = false;
}

void AppStream::OnRecordingStarted() {
    BASS::Stream::OnRecordingStarted();
    emit signal_fileOpened(this, RecordingPath(), m_fileSong);
}

void AppStream::OnRecordingClosed(const QString& path) {
    RecordingTagger::Tags tags;
    tags.artist = m_fileSong.m_artist;
    tags.title = m_fileSong.m_title;
    tags.station = StationName();
    tags.genre = Genre();
    tags.date = m_fileDate;
    tags.url = streamAddress(*this);
    if (!RecordingTagger::Write(path, tags))
        qDebug() << "AppStream::OnRecordingClosed no tags written to" << path;
}

void AppStream::OnSecondTick(DWORD state) {
    BASS::Stream::OnSecondTick(state);
    Tick();
}

void AppStream::Tick() {
    if (IsStalled()) {
        qDebug() << "stalledSecs " << ++m_stalledSeconds;
        if (m_stalledSeconds > StallTimeoutSeconds) {
            m_stalledSeconds = 0;
            emit signal_Timeout(this);
            return;
        }
    } else {
        m_stalledSeconds = 0;
    }
    if (!IsPlaying())
        return;
    if (IsRecording())
        ++m_secondsRecorded;
    ++m_secondsSinceSplit;
    if (m_timedSplitMinutes > 0 && m_secondsSinceSplit / 60 >= m_timedSplitMinutes &&
        IsRecording()) {
        m_secondsSinceSplit = 0;
        SplitAtNextFrame();
    }
}
