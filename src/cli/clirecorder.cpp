#include "cli/clirecorder.h"

#include "bass/bassevents.h"
#include "cli/cliplayer.h"

#include <QDir>
#include <QTimer>

using namespace BASS;

namespace {

// Time for the error text, which the engine shows 100 ms after a failure, to be printed.
constexpr int kErrorGraceMs = 300;

} // namespace

CliRecorder::CliRecorder(CliPlayer* player, const Options& options, QObject* parent)
    : QObject(parent), m_player(player), m_engine(player->Engine()), m_options(options),
      m_progress(new QTimer(this)) {
    connect(m_engine, &BassQt::sig_bassEvent, this, &CliRecorder::slot_bassEvent);
    connect(m_engine, &BassQt::sig_errorShown, this, &CliRecorder::slot_errorShown);
    connect(m_progress, &QTimer::timeout, this, &CliRecorder::slot_progress);
}

int CliRecorder::FormatFromName(const QString& name) {
    static const QList<QPair<QString, int>> formats = {
        {QStringLiteral("same"), REC_FORMAT_SAME}, {QStringLiteral("mp3"), REC_FORMAT_MP3},
        {QStringLiteral("wma"), REC_FORMAT_WMA},   {QStringLiteral("aac"), REC_FORMAT_AAC},
        {QStringLiteral("ogg"), REC_FORMAT_OGG},   {QStringLiteral("flac"), REC_FORMAT_FLAC}};
    for (const auto& [text, code] : formats) {
        if (name.compare(text, Qt::CaseInsensitive) == 0)
            return code;
    }
    return -1;
}

void CliRecorder::slot_bassEvent(BassQt*, uint msg, uint) {
    if (msg == EVENT_PLAYING && !m_started) {
        StartRecording();
        return;
    }
    if (msg != EVENT_RECORD_STOPPED || m_fileName.isEmpty())
        return;
    m_progress->stop();
    m_player->Print(QStringLiteral("closed %1, %2 bytes")
                        .arg(QDir::toNativeSeparators(m_fileName))
                        .arg(m_engine->BytesRecorded()));
    m_fileName.clear();
    if (!m_player->IsFinishing())
        Fail();
}

void CliRecorder::StartRecording() {
    m_started = true;
    if (!QDir().mkpath(m_options.folder)) {
        m_player->Print(QStringLiteral("error: %1 %2")
                            .arg(tr("Unable to create the recording folder"),
                                 QDir::toNativeSeparators(m_options.folder)));
        Fail();
        return;
    }
    m_engine->SetSplitMode(m_options.split ? SPLIT_PER_SONG : SPLIT_NONE);
    // The format asked for is the format written: no stream kind is copied in place of it.
    m_engine->ClearDirectFormats();
    if (!m_engine->StartRecordingInFolder(m_options.folder, m_options.format)) {
        Fail();
        return;
    }
    m_fileName = m_engine->RecordingPath();
    m_player->Print(QStringLiteral("recording %1").arg(QDir::toNativeSeparators(m_fileName)));
    m_progress->start(1000);
}

void CliRecorder::slot_progress() {
    m_player->Print(QStringLiteral("bytes %1").arg(m_engine->BytesRecorded()));
}

void CliRecorder::slot_errorShown(BassQt*, const QString& text) {
    m_player->Print(QStringLiteral("error: %1").arg(QString(text).replace(u'\n', u' ')));
}

void CliRecorder::Fail() {
    QTimer::singleShot(kErrorGraceMs, m_player, [this] {
        if (!m_player->IsFinishing())
            m_player->Quit(CliPlayer::ExitRecord);
    });
}
