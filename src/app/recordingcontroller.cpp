#include "app/recordingcontroller.h"

#include "bass/bassevents.h"
#include "recording/appstream.h"
#include "settings/appsettings.h"

#include <QCoreApplication>
#include <QDir>

using namespace BASS;

RecordingController::RecordingController(AppSettings* settings, AppStream* engine,
                                         QObject* parent)
    : QObject(parent), m_settings(settings), m_engine(engine) {
    connect(m_engine, &BassQt::sig_bassEvent, this, &RecordingController::slot_bassEvent);
}

bool RecordingController::isRecording() const {
    return m_engine->IsRecording();
}

QString RecordingController::blockedReason() const {
    if (isRecording())
        return {};
    if (!m_engine->GetHandle() || !m_engine->IsActive())
        return tr("Recording starts once a station plays");
    QString message;
    if (resolveFolder(&message).isEmpty())
        return message;
    return {};
}

QString RecordingController::resolveFolder(QString* message) const {
    // The settings store supplies the default folder (music or data folder) when none is chosen.
    QString folder = m_settings->recordingFolder();
    if (QDir::isRelativePath(folder))
        folder = QDir(QCoreApplication::applicationDirPath()).filePath(folder);
    if (!QDir().mkpath(folder)) {
        *message = tr("Recording failed: Unable to create output file") + QLatin1Char('\n') +
                   QDir::toNativeSeparators(folder);
        return {};
    }
    return QDir::toNativeSeparators(folder);
}

QString RecordingController::fileName() const {
    return QDir::toNativeSeparators(m_engine->RecordingPath());
}

void RecordingController::toggle(int mode) {
    if (!m_engine->GetHandle() || !m_engine->IsActive())
        return;
    if (isRecording()) {
        stop();
        return;
    }
    const bool noSplit = m_settings->RecordNoSplit();
    switch (mode) {
    case ModeSingleSong:
        recordSingleSong();
        break;
    case ModeNoSplit:
        start(noSplit ? Split::Yes : Split::No);
        break;
    default:
        start(noSplit ? Split::No : Split::Yes);
        break;
    }
}

void RecordingController::recordSingleSong() {
    m_engine->SetSingleSong(true);
    start(Split::Yes);
}

bool RecordingController::start(Split split) {
    if (!m_engine->GetHandle() || isRecording())
        return false;
    QString message;
    const QString folder = resolveFolder(&message);
    if (folder.isEmpty()) {
        emit sig_message(message);
        return false;
    }
    m_engine->SetSplitMode(split == Split::Yes ? SPLIT_PER_SONG : SPLIT_NONE);
    // Every stop of playback clears the engine's period, so each recording is given it anew.
    m_engine->SetTimedSplitMinutes(m_settings->TimedSplitMinutes());
    const bool started = m_engine->StartRecordingInFolder(folder, REC_FORMAT_MP3);
    if (started)
        emit sig_started(fileName());
    emit sig_remoteEvent(RemoteRecordStarted, QString());
    return started;
}

void RecordingController::stop() {
    // The engine's stop event brings the controls back (slot_bassEvent).
    if (isRecording())
        m_engine->StopRecording();
}

void RecordingController::slot_bassEvent(BassQt*, uint msg, uint) {
    // A direct copy that cannot write says only this; the engine stops it right after. The
    // system's reason belonged to the download thread and is gone here.
    if (msg == EVENT_WRITE_FAILED)
        m_engine->ShowError(tr("Recording failed") + QStringLiteral(" - ") +
                                tr("Unable to write to disk"),
                            true);
    if (msg != EVENT_RECORD_STOPPED)
        return;
    if (isRecording())
        m_engine->StopRecording();
    m_engine->SetSingleSong(false);
    emit sig_stopped();
}

void RecordingController::toggleNoSplit() {
    const bool noSplit = m_settings->toggleRecordNoSplit();
    const bool split = m_settings->RecordingMode() == ModeNoSplit ? noSplit : !noSplit;
    m_engine->SetSplitMode(split ? SPLIT_PER_SONG : SPLIT_NONE);
}

QString RecordingController::actionText() const {
    return isRecording() ? tr("Stop recording") : tr("Start recording");
}

QString RecordingController::modeText() const {
    if (m_settings->RecordingMode() == ModeSingleSong)
        return tr("Start recording single song");
    const bool split = m_settings->RecordingMode() == ModeNoSplit ? m_settings->RecordNoSplit()
                                                                  : !m_settings->RecordNoSplit();
    return split ? tr("Record with splitting") : tr("Record without splitting");
}

QString RecordingController::toolTip() const {
    if (isRecording())
        return tr("Stop recording");
    const QString blocked = blockedReason();
    if (!blocked.isEmpty())
        return blocked;
    return tr("Start recording") + QStringLiteral(" (") + modeText() + QLatin1Char(')');
}

QString RecordingController::noSplitActionText() const {
    return m_settings->RecordingMode() == ModeNoSplit ? tr("Record with splitting")
                                                      : tr("Record without splitting");
}

void RecordingController::applySettings() {
    m_engine->SetMp3Bitrate(m_settings->LameBitrate());
    m_engine->SetFilePattern(m_settings->FilePattern());
    m_engine->SetTimedSplitMinutes(m_settings->TimedSplitMinutes());
    const int buffer = m_settings->RecBuffer();
    m_engine->SetRecBufferCapacity(
        static_cast<quint32>(buffer > MaxRecBuffer || buffer < 0 ? 5120000 : buffer));
    m_engine->ClearDirectFormats();
    const QList<QPair<bool, int>> kinds = {{m_settings->RawRecordingMP3(), REC_FORMAT_MP3},
                                           {m_settings->RawRecordingWMA(), REC_FORMAT_WMA},
                                           {m_settings->RawRecordingAAC(), REC_FORMAT_AAC},
                                           {m_settings->RawRecordingOGG(), REC_FORMAT_OGG},
                                           {m_settings->RawRecordingFLAC(), REC_FORMAT_FLAC}};
    for (const auto& [on, format] : kinds) {
        if (on)
            m_engine->AddDirectFormat(format);
    }
}
