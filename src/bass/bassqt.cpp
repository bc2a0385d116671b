#include "bass/bassqt.h"

#include "bass/bassevents.h"
#include "bass/metadataprocessor.h"
#include "bass/playlistparser.h"
#include "qtext/userprompt.h"
#include "settings/appsettings.h"
#include "settings/userfolders.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <QTimer>

namespace BASS {

BassQt::BassQt(QObject* parent)
    : CBass(parent), m_secondsTimer(new QTimer(this)), m_coverArt(new CoverArt(this)) {
    connect(m_secondsTimer, &QTimer::timeout, this, &BassQt::slot_secondsTimerUpdate);
    m_secondsTimer->start(1000);
    connect(m_coverArt, &CoverArt::sig_coverArtProcess, this, &BassQt::slot_coverArtProcess);
    connect(m_coverArt, &CoverArt::sig_statusChanged, this, &BassQt::slot_coverArtStatusChanged);
}

BassQt::~BassQt() {
    // The library's callbacks reach this object through virtual calls: end them while it is
    // still whole.
    if (GetHandle())
        ReleaseStream();
}

void BassQt::Reset() {
    CBass::Reset();
    m_urls.clear();
}

bool BassQt::ShowError(const QString& text, bool show) {
    if (!show)
        return false;
    // Recording failures are found on the library's threads; the box belongs to this one.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, text] { ShowError(text, true); }, Qt::QueuedConnection);
        return true;
    }
    m_errorTexts.append(text);
    QTimer::singleShot(100, this, &BassQt::slot_showError);
    return true;
}

void BassQt::slot_showError() {
    if (m_errorTexts.isEmpty())
        return;
    const QString text = m_errorTexts.join(u'\n');
    m_errorTexts.clear();
    emit sig_errorShown(this, text);
    if (m_prompt)
        m_prompt->error(tr("Error"), text);
    else
        qWarning().noquote() << text;
}

int BassQt::ShowConnectError(bool askToReport) {
    const QString text = ConnectErrorText(askToReport);
    if (!m_prompt) {
        qWarning().noquote() << text;
        return 0;
    }
    if (!askToReport) {
        m_prompt->error(tr("Error"), text);
        return 0;
    }
    return m_prompt->question(tr("Error"), text) == QT_EXT::UserPrompt::Answer::Yes ? 1 : 0;
}

void BassQt::bassEvent(uint msg, uint param) {
    emit sig_bassEvent(this, msg, param);
    // Raised on the library's threads; the lookup belongs to this object's thread.
    if (msg == EVENT_META_CHANGED && m_lookUpCovers.load())
        QMetaObject::invokeMethod(
            this,
            [this] {
                const Song song = CurrentSong();
                m_coverArt->RequestCoverArt(song.m_artist, song.m_title);
            },
            Qt::QueuedConnection);
}

void BassQt::ConfigureCoverArt(const AppSettings& settings) {
    CoverArtRequest::Settings services;
    services.hosts = CoverArtHosts::FromConfiguration(settings.CoverArtHosts());
    services.customUrl = settings.CoverArtCustomURL();
    services.musicDatabaseApiKey = settings.CoverArtApiKey();
    m_coverArt->SetSettings(services);
    const int source = settings.CoverArtSource();
    m_coverArt->SetSource(source == 0 ? CoverArtRequest::DefaultSource : source);
    m_coverArt->SetCacheFolder(CoverCache::FolderIn(
        UserFolders(settings.programFolder(), settings.isPortable()).cache()));
    m_coverArt->SetServiceUserAgent(
        CoverArt::ServiceUserAgent(QCoreApplication::applicationVersion()));
    SetCoverArtLookups(source >= 0);
}

void BassQt::OnAfterStop() {
    CBass::OnAfterStop();
    if (QThread::currentThread() == thread())
        m_coverArt->Cancel();
    else
        QMetaObject::invokeMethod(m_coverArt, &CoverArt::Cancel, Qt::QueuedConnection);
}

void BassQt::slot_coverArtProcess(CoverArt::coverArtType type) {
    emit sig_coverArtReady(this, type);
}

void BassQt::slot_coverArtStatusChanged(CoverArt::status value) {
    emit sig_coverArtStatusChanged(this, value);
}

bool BassQt::ProcessMetaData(const RawTitle& raw) {
    return MetaDataProcessor::Process(raw, m_station.m_metaFormat, m_currentSong);
}

void BassQt::ParsePls(const QString& text, QStringList& urls) {
    PlaylistParser::ParsePls(text, urls);
}

void BassQt::ParseAsx(const QString& text, QStringList& urls) {
    PlaylistParser::ParseAsx(text, urls);
}

void BassQt::ParseM3u(const QString& text, QStringList& urls) {
    PlaylistParser::ParseM3u(text, urls);
}

void BassQt::ParseMediaSrc(const QString& text, QStringList& urls) {
    PlaylistParser::ParseMediaSrc(text, urls);
}

bool BassQt::IsPlaylistURL(const QString& url) {
    return PlaylistParser::IsPlaylistURL(url);
}

void BassQt::slot_secondsTimerUpdate() {
    const DWORD state = ActiveState();
    OnSecondTick(state);
    CheckEncoder();
    if (state != BASS_ACTIVE_PLAYING)
        return;
    TickRecordingSeconds();
    ++m_secondsPlaying;
    ++m_secondsCounter2;
    // Once per second is as often as the stream's rate can change in a way worth showing; the
    // check calls into the library, which the download callback must not do.
    CheckBitrate();
}

void BassQt::OnSecondTick(DWORD state) {
    Q_UNUSED(state);
}

} // namespace BASS
