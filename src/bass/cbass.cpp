#include "bass/cbass.h"

#include "bass/basserror.h"
#include "bass/bassevents.h"
#include "bass/cbasscompressor.h"
#include "bass/metatext.h"
#include "bass/precondition.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QElapsedTimer>
#include <QScopeGuard>

namespace BASS {

namespace {

constexpr QWORD kNoPosition = static_cast<QWORD>(-1);

// Written by Init on the thread that starts the library, before any other engine call.
bool s_started = false;

} // namespace

CBass::CBass(QObject* parent) : QObject(parent) {
    if (m_dataFolder.isEmpty())
        m_dataFolder = QCoreApplication::applicationDirPath();
    if (EncoderFolder().isEmpty())
        SetEncoderFolder(QCoreApplication::applicationDirPath());
    CBass::Reset();
}

CBass::~CBass() {
    // Syncs and the download callback point at this object: free the stream before it goes.
    if (m_hStream)
        ReleaseStream();
    BASS_StreamAbortCreates(this, FALSE);
}

void CBass::ClearAbort() {
    m_aborted = false;
    BASS_StreamAbortCreates(this, FALSE);
}

void CBass::SetAbort() {
    m_aborted = true;
    BASS_StreamAbortCreates(this, TRUE);
    WakeArrivalWaits();
}

void CBass::WakeArrivalWaits() {
    {
        QMutexLocker lock(&m_arrivalMutex);
        ++m_arrivals;
    }
    m_arrival.wakeAll();
}

bool CBass::Init(int device, QString* errorText, uint netTimeoutSeconds, bool processPlaylists,
                 uint netBufferMs, const char* userAgent, const char* proxy) {
    BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
    const bool ok = BASS_Init(device, 44100, 0, nullptr, nullptr);
    s_started = s_started || ok;
    if (!ok && errorText)
        *errorText = ErrorText(BASS_ErrorGetCode());
    BASS_PluginLoad("basswma.dll", 0);
    BASS_PluginLoad("bass_aac.dll", 0);
    if (proxy)
        BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, proxy);
    if (netBufferMs != 0)
        BASS_SetConfig(BASS_CONFIG_NET_BUFFER, netBufferMs);
    if (netTimeoutSeconds != 0)
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, netTimeoutSeconds * 1000);
    if (userAgent)
        BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, userAgent);
    // The engine waits for its own pre-buffer (WaitForPrebuffer) so the wait can be aborted.
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfig(BASS_CONFIG_WMA_PREBUF, 1);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, processPlaylists ? 2 : 0);
    return ok;
}

bool CBass::WasStarted() {
    return s_started;
}

uint CBass::NetTimeoutSecondsForSetting(int timeoutSeconds) {
    if (timeoutSeconds < 0 || timeoutSeconds > 60)
        timeoutSeconds = 0;
    return timeoutSeconds > 20 ? static_cast<uint>(timeoutSeconds / 2) : 0;
}

void CBass::Reset() {
    QMutexLocker lock(&m_metaMutex);
    m_bytesDownloaded = 0;
    m_secondsPlaying = 0;
    m_secondsCounter2 = 0;
    m_bitrateCheckedAt = -1;
    m_lastErrorCode = 0;
    m_muted = false;
    m_openingFile = false;
    m_hRecordChannel = 0;
    m_headerTags.Clear();
    m_station.Clear();
    m_currentSong.Clear();
    m_previousSong.Clear();
    m_rawTitle.Clear();
    m_channelInfo = BASS_CHANNELINFO{};
    m_oggPager = OggPager();
    m_oggBufferAtStreamStart = false;
}

QString CBass::ErrorText(int code) {
    if (code == 0)
        code = BASS_ErrorGetCode();
    return BassError::TranslatedText(code);
}

QString CBass::LastErrorText() {
    RefreshLastError();
    QMutexLocker lock(&m_metaMutex);
    return QCoreApplication::translate("QObject", m_lastErrorText.toUtf8().constData());
}

void CBass::RefreshLastError() {
    const int code = BASS_ErrorGetCode();
    // "Invalid handle" comes from calls on a stream that has just gone; it would hide the
    // reason the stream failed.
    if (code == BASS_OK || code == BASS_ERROR_HANDLE)
        return;
    QMutexLocker lock(&m_metaMutex);
    m_lastErrorCode = code;
    m_lastErrorText = QString::fromLatin1(BassError::Text(code));
}

bool CBass::ShowError(const QString& text, bool show) {
    Q_UNUSED(text);
    Q_UNUSED(show);
    return false;
}

QString CBass::StationName(int maxLength) const {
    QMutexLocker lock(&m_metaMutex);
    QString name = m_station.m_name.isEmpty() ? m_headerTags.m_name : m_station.m_name;
    if (maxLength > 0)
        name.truncate(maxLength);
    return name;
}

// --- opening ---------------------------------------------------------------------------------

bool CBass::TryCreate(StreamKind kind, const QString& url, DWORD flags, bool isFile) {
    BASS_REQUIRE_NO_STREAM(false);
    bassEvent(EVENT_CONNECTING, kind);
    const QByteArray utf8 = url.toUtf8();
    const void* name = (flags & BASS_UNICODE) ? static_cast<const void*>(url.utf16())
                                              : static_cast<const void*>(utf8.constData());
    HSTREAM handle = 0;
    // The create belongs to this engine, so that SetAbort can end it while it waits.
    BASS_StreamCreateOwner(this);
    m_creating = true;
    auto creating = qScopeGuard([this] { m_creating = false; });
    switch (kind) {
    case KindGeneric:
        handle = isFile ? BASS_StreamCreateFile(FALSE, name, 0, 0, flags)
                        : BASS_StreamCreateURL(name, 0, flags, &CBass::CALLBACK_Download, this);
        break;
    case KindWma:
        handle = BASS_WMA_StreamCreateFile(FALSE, name, 0, 0, flags);
        break;
    case KindAac:
        handle = isFile ? BASS_AAC_StreamCreateFile(FALSE, name, 0, 0, flags)
                        : BASS_AAC_StreamCreateURL(name, 0, flags, &CBass::CALLBACK_Download, this);
        break;
    case KindMp4:
        handle = BASS_MP4_StreamCreateFile(FALSE, name, 0, 0, flags);
        break;
    case KindFlac:
        handle = isFile
                     ? BASS_FLAC_StreamCreateFile(FALSE, name, 0, 0, flags)
                     : BASS_FLAC_StreamCreateURL(name, 0, flags, &CBass::CALLBACK_Download, this);
        break;
    case KindNone:
        break;
    }
    if (!handle)
        return false;
    m_hStream = handle;
    m_streamKind = kind;
    return true;
}

bool CBass::OpenURL(const QString& url, DWORD flags) {
    const Qt::CaseSensitivity ci = Qt::CaseInsensitive;
    QString work = url;
    work.replace(QStringLiteral("icyx://"), QStringLiteral("http://"));
    work.replace(QStringLiteral("icy://"), QStringLiteral("http://"));

    m_openingFile = false;
    Stop(0);
    {
        QMutexLocker lock(&m_metaMutex);
        m_headerTags.m_lines.clear();
    }
    bool success = false;
    auto guard = qScopeGuard([this, &success] {
        if (!success)
            Stop(0);
    });

    if (flags == 0)
        flags = DefaultUrlFlags | (m_floatOutput ? BASS_SAMPLE_FLOAT : 0);

    if (work.contains(QStringLiteral("rtsp://"), ci)) {
        if (!TryCreate(KindWma, work, flags, false)) {
            work.replace(QStringLiteral("rtsp://"), QStringLiteral("http://"), ci);
            TryCreate(KindWma, work, flags, false);
        }
    }
    if (!m_hStream && work.endsWith(QStringLiteral(".flac"), ci))
        TryCreate(KindFlac, work, flags, false);

    for (int pass = 0; !m_hStream && pass <= m_retries && !m_aborted; ++pass) {
        const bool isUrl = work.contains(QStringLiteral("http://"), ci) ||
                           work.contains(QStringLiteral("https://"), ci) ||
                           work.contains(QStringLiteral("mms://"), ci);
        if (!isUrl && OpenFile(work, 0, true)) {
            success = true;
            return true;
        }
        {
            QMutexLocker lock(&m_metaMutex);
            m_connectedUrl = work;
        }
        work.replace(u'\\', u'/');

        if (work.contains(QStringLiteral("mms://"), ci) ||
            work.endsWith(QStringLiteral(".wma"), ci)) {
            TryCreate(KindWma, work, flags, false);
            if (m_aborted)
                break;
            if (!m_hStream && BASS_ErrorGetCode() != BASS_ERROR_FILEFORM)
                TryCreate(KindWma, work, flags, false);
            if (m_aborted)
                break;
            continue;
        }
        TryCreate(KindGeneric, work, flags, false);
        if (m_aborted)
            break;
        // After a time-out the other decoders would only wait as long again.
        if (m_lastErrorCode == BASS_ERROR_TIMEOUT)
            continue;
        for (StreamKind kind : {KindAac, KindMp4, KindWma, KindFlac}) {
            if (m_hStream || m_aborted)
                break;
            TryCreate(kind, work, flags, false);
        }
    }

    if (m_aborted) {
        Stop(0);
        bassEvent(EVENT_CONNECT_ABORTED, 0);
        OnAborted();
        return false;
    }
    success = m_hStream != 0;
    if (!success) {
        RefreshLastError();
        return false;
    }
    OnAfterCreate();
    return true;
}

bool CBass::OpenURLs(const QStringList& urls, bool reverse) {
    if (urls.isEmpty())
        return false;
    if (reverse) {
        for (auto it = urls.crbegin(); it != urls.crend(); ++it) {
            if (OpenURL(*it, 0))
                return true;
            if (m_aborted)
                return false;
        }
        return false;
    }
    for (const QString& url : urls) {
        // Ad-insertion relays in station lists only ever play advertisements.
        if (url.indexOf(QStringLiteral("adinjector")) > 0)
            continue;
        if (OpenURL(url, 0))
            return true;
        if (m_aborted)
            return false;
    }
    return false;
}

bool CBass::OpenFile(const QString& path, DWORD flags, bool start) {
    m_openingFile = true;
    m_aborted = false;
    if (m_hStream)
        Stop(1000);
    bool success = false;
    auto guard = qScopeGuard([this, &success] {
        if (!success)
            Stop(0);
    });
    for (StreamKind kind : {KindGeneric, KindWma, KindAac, KindMp4, KindFlac}) {
        if (m_hStream)
            break;
        TryCreate(kind, path, flags, true);
        if (m_aborted) {
            bassEvent(EVENT_CONNECT_ABORTED, 0);
            return false;
        }
    }
    success = m_hStream != 0;
    if (!success) {
        RefreshLastError();
        return false;
    }
    {
        QMutexLocker lock(&m_metaMutex);
        m_connectedUrl = path;
    }
    if (start)
        OnAfterCreate();
    return true;
}

bool CBass::OpenAndStartFile(const QString& path) {
    const bool ok = OpenFile(path, DecodeFileFlags, false);
    bassEvent(ok ? EVENT_PLAYING : EVENT_STOPPED, 0);
    return ok;
}

// --- state -----------------------------------------------------------------------------------

DWORD CBass::ActiveState() const {
    const HSTREAM handle = m_hStream;
    return handle ? BASS_ChannelIsActive(handle) : BASS_ACTIVE_STOPPED;
}

quint64 CBass::BytesDownloaded() const {
    QMutexLocker lock(&m_metaMutex);
    return m_bytesDownloaded;
}

QList<SoundDevice> CBass::OutputDevices() {
    QList<SoundDevice> devices;
    BASS_DEVICEINFO info{};
    for (DWORD i = 0; BASS_GetDeviceInfo(i, &info); ++i) {
        devices.append({int(i), QString::fromUtf8(info.name), QString::fromUtf8(info.driver),
                        unsigned(info.flags)});
    }
    return devices;
}

int CBass::RecordDeviceIndex(const QString& name) {
    BASS_REQUIRE(!name.isEmpty(), -1);
    BASS_DEVICEINFO info{};
    for (DWORD i = 0; BASS_RecordGetDeviceInfo(i, &info); ++i) {
        if (QString::fromUtf8(info.name) == name)
            return int(i);
    }
    return -1;
}

QString CBass::RecordDeviceName(int index) {
    BASS_REQUIRE(index >= 0, QString());
    BASS_DEVICEINFO info{};
    if (!BASS_RecordGetDeviceInfo(DWORD(index), &info))
        return QString();
    return QString::fromUtf8(info.name);
}

// --- channel wrappers ------------------------------------------------------------------------

double CBass::Bytes2Seconds(QWORD bytes) const {
    BASS_REQUIRE(m_hStream, 0.0);
    return BASS_ChannelBytes2Seconds(m_hStream, bytes);
}

QWORD CBass::Seconds2Bytes(double seconds) const {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelSeconds2Bytes(m_hStream, seconds);
}

DWORD CBass::GetChannelDevice() const {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelGetDevice(m_hStream);
}

bool CBass::SetChannelDevice(DWORD device) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelSetDevice(m_hStream, device);
}

bool CBass::GetChannelInfo(BASS_CHANNELINFO& info) const {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelGetInfo(m_hStream, &info);
}

const char* CBass::GetTags(DWORD tags) const {
    BASS_REQUIRE(m_hStream, nullptr);
    return BASS_ChannelGetTags(m_hStream, tags);
}

bool CBass::SetAttribute(DWORD attrib, float value) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelSetAttribute(m_hStream, attrib, value);
}

bool CBass::GetAttribute(DWORD attrib, float& value) const {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelGetAttribute(m_hStream, attrib, &value);
}

BOOL CBass::Play(int fadeInMs) {
    BASS_REQUIRE(m_hStream, FALSE);
    {
        QMutexLocker lock(&m_metaMutex);
        m_rawTitle.Clear();
    }
    float target = 1.0F;
    GetAttribute(BASS_ATTRIB_VOL, target);
    if (fadeInMs != 0)
        SetAttribute(BASS_ATTRIB_VOL, 0.0F);
    WaitForPrebuffer();
    const HSTREAM handle = m_hStream;
    if (!handle)
        return FALSE;
    const BOOL result = BASS_ChannelPlay(handle, FALSE);
    if (result)
        OnStarted();
    if (fadeInMs != 0) {
        SlideAttribute(BASS_ATTRIB_VOL, target, static_cast<DWORD>(fadeInMs));
        if (m_openingFile)
            WaitSteps(fadeInMs);
    }
    return result;
}

BOOL CBass::PlayPlain() {
    BASS_REQUIRE(m_hStream, FALSE);
    return BASS_ChannelPlay(m_hStream, FALSE);
}

void CBass::WaitForPrebuffer() {
    QElapsedTimer clock;
    clock.start();
    auto record = qScopeGuard([this, &clock] { m_lastPrebufferMs = int(clock.elapsed()); });
    for (int round = 0; round < PrebufferRounds; ++round) {
        const HSTREAM handle = m_hStream;
        if (!handle)
            return;
        const QWORD end = BASS_StreamGetFilePosition(handle, BASS_FILEPOS_END);
        if (end == kNoPosition || end == 0)
            return;
        // A download that has ended brings nothing more to wait for.
        if (BASS_StreamGetFilePosition(handle, BASS_FILEPOS_CONNECTED) == 0)
            return;
        WaitPrebufferStep(handle, end);
        QCoreApplication::processEvents();
        if (m_aborted)
            return;
        if (BufferedPercent(handle, end) > PrebufferPercent)
            return;
    }
}

void CBass::WaitPrebufferStep(HSTREAM handle, QWORD end) {
    const QDeadlineTimer step(PrebufferStepMs);
    quint64 seen = 0;
    {
        QMutexLocker lock(&m_arrivalMutex);
        seen = m_arrivals;
    }
    // The share is read outside the lock: the library calls the download callback, which takes
    // the lock, while it holds locks of its own.
    while (!m_aborted && !step.hasExpired() && BufferedPercent(handle, end) <= PrebufferPercent) {
        QMutexLocker lock(&m_arrivalMutex);
        if (m_arrivals == seen && !m_aborted)
            m_arrival.wait(&m_arrivalMutex, step);
        seen = m_arrivals;
    }
}

qint64 CBass::BufferedPercent(HSTREAM handle, QWORD end) {
    const auto downloaded =
        static_cast<qint64>(BASS_StreamGetFilePosition(handle, BASS_FILEPOS_DOWNLOAD));
    const auto current =
        static_cast<qint64>(BASS_StreamGetFilePosition(handle, BASS_FILEPOS_CURRENT));
    return (downloaded - current) * 100 / static_cast<qint64>(end);
}

BOOL CBass::Stop(int fadeOutMs) {
    QMutexLocker stopLock(&m_stopMutex);
    const HSTREAM handle = m_hStream;
    if (!handle)
        return FALSE;
    if (IsRecording())
        StopRecording();
    if (fadeOutMs != 0)
        FadeOut(fadeOutMs);
    if (m_hDsp) {
        BASS_ChannelRemoveDSP(handle, m_hDsp);
        m_hDsp = 0;
    }
    if (m_hFX)
        BASS_ChannelRemoveFX(handle, m_hFX);
    const BOOL result = BASS_ChannelStop(handle);
    OnStop();
    ReleaseStream();
    bassEvent(EVENT_STOPPED, 0);
    OnAfterStop();
    return result;
}

void CBass::ReleaseStream() {
    const HSTREAM handle = m_hStream;
    // The encoders hand over their last output and the file is closed while the stream is whole.
    if (m_record.IsRecording())
        m_record.Stop();
    if (m_hFX) {
        BASS_ChannelRemoveFX(handle, m_hFX);
        m_hFX = 0;
    }
    if (m_hRecordChannel) {
        BASS_ChannelStop(m_hRecordChannel);
        m_hRecordChannel = 0;
    }
    BASS_ChannelStop(handle);
    BASS_StreamFree(handle);
    m_hStream = 0;
    m_streamKind = KindNone;
}

BOOL CBass::StopPlain() {
    BASS_REQUIRE(m_hStream, FALSE);
    return BASS_ChannelStop(m_hStream);
}

BOOL CBass::Pause() {
    BASS_REQUIRE(m_hStream, FALSE);
    return BASS_ChannelPause(m_hStream);
}

void CBass::SetMute(bool mute, int fadeMs) {
    if (mute) {
        float volume = 0.0F;
        GetAttribute(BASS_ATTRIB_VOL, volume);
        SetAttribute(BASS_ATTRIB_VOL, 0.0F);
        if (volume != 0.0F)
            m_savedVolume = volume;
    } else if (m_savedVolume != 0.0F) {
        if (fadeMs == 0) {
            SetAttribute(BASS_ATTRIB_VOL, m_savedVolume);
        } else {
            SetAttribute(BASS_ATTRIB_VOL, 0.0F);
            SlideAttribute(BASS_ATTRIB_VOL, m_savedVolume, static_cast<DWORD>(fadeMs));
        }
        m_savedVolume = 0.0F;
    }
    m_muted = mute;
}

void CBass::FadeOut(int ms) {
    SlideAttribute(BASS_ATTRIB_VOL, 0.0F, static_cast<DWORD>(ms));
    QCoreApplication::processEvents();
    WaitSteps(ms);
}

void CBass::WaitSteps(int ms) {
    for (int remaining = ms; remaining > 0; remaining -= FadeStepMs) {
        {
            QMutexLocker lock(&m_waitMutex);
            m_waitCondition.wait(&m_waitMutex, FadeStepMs);
        }
        QCoreApplication::processEvents();
    }
}

bool CBass::SlideAttribute(DWORD attrib, float value, DWORD timeMs) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelSlideAttribute(m_hStream, attrib, value, timeMs);
}

bool CBass::IsSliding(DWORD attrib) const {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelIsSliding(m_hStream, attrib);
}

QWORD CBass::GetLength() const {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelGetLength(m_hStream, BASS_POS_BYTE);
}

bool CBass::SetPosition(QWORD position) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelSetPosition(m_hStream, position, BASS_POS_BYTE);
}

QWORD CBass::GetPosition() const {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelGetPosition(m_hStream, BASS_POS_BYTE);
}

DWORD CBass::GetLevel() const {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelGetLevel(m_hStream);
}

DWORD CBass::GetData(void* buffer, DWORD length) {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelGetData(m_hStream, buffer, length);
}

HSYNC CBass::SetSync(DWORD type, QWORD param, SYNCPROC* proc) {
    BASS_REQUIRE(m_hStream, 0);
    return BASS_ChannelSetSync(m_hStream, type, param, proc, this);
}

bool CBass::RemoveSync(HSYNC sync) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelRemoveSync(m_hStream, sync);
}

HDSP CBass::SetDSP(DSPPROC* proc, int priority) {
    BASS_REQUIRE(m_hStream, 0);
    if (m_hDsp)
        BASS_ChannelRemoveDSP(m_hStream, m_hDsp);
    m_hDsp = BASS_ChannelSetDSP(m_hStream, proc, this, priority);
    return m_hDsp;
}

bool CBass::RemoveDSP() {
    BASS_REQUIRE(m_hStream, false);
    const bool ok = m_hDsp && BASS_ChannelRemoveDSP(m_hStream, m_hDsp);
    m_hDsp = 0;
    return ok;
}

bool CBass::SetLink(DWORD channel) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelSetLink(m_hStream, channel);
}

bool CBass::RemoveLink(DWORD channel) {
    BASS_REQUIRE(m_hStream, false);
    return BASS_ChannelRemoveLink(m_hStream, channel);
}

HFX CBass::SetFX(DWORD type, int priority) {
    BASS_REQUIRE(m_hStream, 0);
    m_hFX = BASS_ChannelSetFX(m_hStream, type, priority);
    return m_hFX;
}

bool CBass::RemoveFX() {
    BASS_REQUIRE(m_hStream, false);
    BASS_REQUIRE(m_hFX, false);
    const bool ok = BASS_ChannelRemoveFX(m_hStream, m_hFX);
    m_hFX = 0;
    return ok;
}

bool CBass::InstallDSP() {
    BASS_REQUIRE(m_hStream, false);
    if (m_hDsp)
        return true;
    BASS_CHANNELINFO info{};
    if (GetChannelInfo(info) && info.chans > 0)
        m_dspChannels = int(info.chans);
    return SetDSP(&CBass::CALLBACK_SampleData, 0) != 0;
}

bool CBass::SetCompressor(const CBassCompressor& preset) {
    BASS_REQUIRE(m_hStream, false);
    if (!m_hFX)
        SetFX(BASS_FX_DX8_COMPRESSOR, 0);
    BASS_REQUIRE(m_hFX, false);
    return BASS_FXSetParameters(m_hFX, &preset.Parameters());
}

QWORD CBass::FilePosition(DWORD mode) const {
    BASS_REQUIRE(m_hStream, kNoPosition);
    return BASS_StreamGetFilePosition(m_hStream, mode);
}

// --- syncs and callbacks ---------------------------------------------------------------------

void CBass::SetMetaSyncs() {
    SetSync(BASS_SYNC_META, 0, &CBass::CALLBACK_MetaSync);
    SetSync(BASS_SYNC_WMA_CHANGE, 0, &CBass::CALLBACK_MetaSync);
    SetSync(BASS_SYNC_WMA_META, 0, &CBass::CALLBACK_MetaSync);
}

void CBass::SetStallSync() {
    SetSync(BASS_SYNC_STALL, 0, &CBass::CALLBACK_StallSync);
}

void CBass::SetEndSync() {
    SetSync(BASS_SYNC_END, 0, &CBass::CALLBACK_EndSync);
}

void CBass::CALLBACK_Download(const void* buffer, DWORD length, void* user) {
    auto* engine = static_cast<CBass*>(user);
    if (!engine || !buffer)
        return;
    engine->WakeArrivalWaits();
    if (length == 0)
        engine->OnDownloadHeader(static_cast<const char*>(buffer));
    else if (engine->m_hStream || engine->m_creating)
        engine->OnStreamData(buffer, length);
}

void CBass::CALLBACK_MetaSync(HSYNC, DWORD, DWORD, void* user) {
    if (user)
        static_cast<CBass*>(user)->OnMetaSync();
}

void CBass::CALLBACK_StallSync(HSYNC, DWORD, DWORD data, void* user) {
    if (user)
        static_cast<CBass*>(user)->OnStallSync(data);
}

void CBass::CALLBACK_EndSync(HSYNC, DWORD, DWORD data, void* user) {
    if (user)
        static_cast<CBass*>(user)->OnEndSync(data);
}

void CBass::ProcessDSP(HDSP handle, DWORD channel, float* samples, DWORD length) {
    OnSampleData(handle, channel, samples, length);
}

void CBass::OnDownloadHeader(const char* lines) {
    QMutexLocker lock(&m_metaMutex);
    // Each block is one whole answer; a failed decoder attempt's block gives way to the next.
    m_headerTags.m_lines.clear();
    for (const QByteArray& line : MetaText::SplitTagList(lines))
        m_headerTags.m_lines.append(MetaText::Decode(line, m_station.m_country));
}

void CBass::OnMetaSync() {
    MetadataHandler();
}

void CBass::OnStallSync(DWORD data) {
    bassEvent(EVENT_STALL, data);
}

void CBass::OnEndSync(DWORD data) {
    bassEvent(EVENT_STREAM_END, data);
}

void CBass::OnAborted() {}

void CBass::OnStarted() {}

void CBass::OnStop() {}

void CBass::OnAfterStop() {}

bool CBass::ProcessMetaData(const RawTitle& raw) {
    Q_UNUSED(raw);
    return false;
}

void CBass::OnAfterCreate() {
    SetMetaSyncs();
    SetStallSync();
    SetEndSync();
    BASS_CHANNELINFO info{};
    if (GetChannelInfo(info)) {
        QMutexLocker lock(&m_metaMutex);
        m_channelInfo = info;
    }
    MetadataHandler();
    Play(m_fadeInMs);
    // Before the event, so that its receivers find the rate known.
    CheckBitrate();
    bassEvent(EVENT_PLAYING, 0);
}

void CBass::MetadataHandler() {
    QMutexLocker lock(&m_metaMutex);
    ReadTags();
    m_previousSong = m_currentSong;
    if (!ProcessMetaData(m_rawTitle))
        return;
    OnTitleChanged(m_previousSong);
    lock.unlock();
    bassEvent(EVENT_META_CHANGED, 0);
}

void CBass::ReadTags() {
    if (!m_hStream)
        return;
    ReadStreamTitle();
    ReadHeaderTags();
}

void CBass::ReadStreamTitle() {
    const QString country = m_station.m_country;
    m_rawTitle.Clear();
    if (const char* meta = GetTags(BASS_TAG_META)) {
        const QString text = MetaText::Decode(QByteArray(meta), country);
        if (!MetaText::ParseShoutcast(text, m_rawTitle) &&
            !MetaText::ParseWindowsMedia(text, m_rawTitle))
            MetaText::ParseOggComments(MetaText::SplitTagList(meta), country, m_rawTitle);
        return;
    }
    if (const char* wma = GetTags(BASS_TAG_WMA_META)) {
        for (const QByteArray& item : MetaText::SplitTagList(wma)) {
            RawTitle parsed;
            if (MetaText::ParseWindowsMedia(MetaText::Decode(item, country), parsed) &&
                !parsed.m_title.isEmpty()) {
                m_rawTitle = parsed;
                break;
            }
        }
        return;
    }
    if (const char* ogg = GetTags(BASS_TAG_OGG))
        MetaText::ParseOggComments(MetaText::SplitTagList(ogg), country, m_rawTitle);
}

void CBass::ReadHeaderTags() {
    const QString country = m_station.m_country;
    const char* lines = GetTags(BASS_TAG_ICY);
    if (!lines)
        lines = GetTags(BASS_TAG_HTTP);
    if (lines) {
        MetaText::ParseHeaderLines(MetaText::SplitTagList(lines), country, m_headerTags);
        return;
    }
    if (const char* wma = GetTags(BASS_TAG_WMA)) {
        MetaText::ParseWmaHeader(MetaText::SplitTagList(wma), country, m_headerTags);
        return;
    }
    if (const char* ogg = GetTags(BASS_TAG_OGG))
        m_headerTags.m_name = MetaText::OggTitle(MetaText::SplitTagList(ogg), country);
}

void CBass::CheckBitrate() {
    const HSTREAM handle = m_hStream;
    if (!handle)
        return;
    const qint64 counter = m_secondsCounter2;
    {
        QMutexLocker lock(&m_metaMutex);
        if (m_bitrateCheckedAt == counter)
            return;
    }
    const QWORD end = BASS_StreamGetFilePosition(handle, BASS_FILEPOS_END);
    const DWORD bufferMs = BASS_GetConfig(BASS_CONFIG_NET_BUFFER);
    if (end == kNoPosition || bufferMs == 0)
        return;
    // Buffer bytes × 8 / buffer milliseconds = kbit/s.
    qint64 bitrate = static_cast<qint64>(end) * 8 / bufferMs;
    if (bitrate <= 0)
        return;
    if (bitrate > 1000) {
        const QWORD consumed = BASS_StreamGetFilePosition(handle, BASS_FILEPOS_CURRENT);
        const double seconds =
            BASS_ChannelBytes2Seconds(handle, BASS_ChannelGetPosition(handle, BASS_POS_BYTE));
        if (consumed != kNoPosition && seconds > 0)
            bitrate = static_cast<qint64>(static_cast<double>(consumed) * 8 / seconds);
        if (bitrate > 1000)
            bitrate /= 1000;
    }
    QMutexLocker lock(&m_metaMutex);
    if (bitrate != m_station.m_bitrate) {
        qDebug() << "CheckBitrate is " << bitrate;
        m_station.m_bitrate = static_cast<int>(bitrate);
        m_bitrateCheckedAt = counter;
    }
}

// --- texts -----------------------------------------------------------------------------------

QString CBass::HeaderName() const {
    QMutexLocker lock(&m_metaMutex);
    return m_headerTags.m_name;
}

HeaderTags CBass::Tags() const {
    QMutexLocker lock(&m_metaMutex);
    return m_headerTags;
}

QString CBass::Genre() const {
    QMutexLocker lock(&m_metaMutex);
    return m_headerTags.m_genre.isEmpty() ? m_station.m_genre : m_headerTags.m_genre;
}

int CBass::Bitrate() const {
    QMutexLocker lock(&m_metaMutex);
    int bitrate = m_headerTags.Bitrate();
    if (bitrate < 1 || bitrate > 1024)
        bitrate = m_station.m_bitrate;
    if (bitrate > 1000)
        bitrate /= 1000;
    return bitrate;
}

QString CBass::BitrateText() const {
    return tr("%1 kbps").arg(qMax(0, Bitrate()));
}

QString CBass::ChannelTypeText(DWORD ctype) {
    switch (ctype) {
    case BASS_CTYPE_SAMPLE:
        return tr("Sample channel");
    case BASS_CTYPE_RECORD:
        return tr("Recording Channel");
    case BASS_CTYPE_STREAM:
        return tr("User sample stream");
    case BASS_CTYPE_STREAM_OGG:
        return tr("OGG");
    case BASS_CTYPE_STREAM_MP1:
        return tr("MP1");
    case BASS_CTYPE_STREAM_MP2:
    case BASS_CTYPE_STREAM_MP3:
        return tr("MP3");
    case BASS_CTYPE_STREAM_AIFF:
        return tr("Audio IFF");
    case BASS_CTYPE_STREAM_WAV:
        return tr("WAVE");
    case BASS_CTYPE_STREAM_WAV_PCM:
        return tr("PCM WAVE");
    case BASS_CTYPE_STREAM_WAV_FLOAT:
        return tr("PCM WAVE(float)");
    case BASS_CTYPE_MUSIC_MOD:
        return tr("Generic MOD Format Music");
    case BASS_CTYPE_MUSIC_MTM:
        return tr("MultiTracker Format Music");
    case BASS_CTYPE_MUSIC_S3M:
        return tr("ScreamTracker 3 Format Music");
    case BASS_CTYPE_MUSIC_XM:
        return tr("FastTracker 2 Format Music");
    case BASS_CTYPE_MUSIC_IT:
        return tr("Impulse Tracker Format Music");
    case BASS_CTYPE_MUSIC_MO3:
        return tr("MO3 Format");
    case BASS_CTYPE_STREAM_WMA:
    case BASS_CTYPE_STREAM_WMA_MP3:
        return tr("WMA");
    case BASS_CTYPE_STREAM_FLAC:
        return tr("FLAC");
    case BASS_CTYPE_STREAM_FLAC_OGG:
        return tr("FLAC Ogg");
    case BASS_CTYPE_STREAM_AAC:
        return tr("AAC");
    case BASS_CTYPE_STREAM_MP4:
        return tr("MP4");
    case BASS_CTYPE_STREAM_OPUS:
        return tr("Opus");
    default:
        return QString();
    }
}

QString CBass::ChannelFlagsText(DWORD flags) {
    const QList<QPair<DWORD, const char*>> texts = {
        {BASS_SAMPLE_8BITS, QT_TR_NOOP("8-bit ")},
        {BASS_SAMPLE_FLOAT, QT_TR_NOOP("32-bit floating-point ")},
        {BASS_SAMPLE_LOOP, QT_TR_NOOP("Looped ")},
        {BASS_SAMPLE_3D, QT_TR_NOOP("3D Functionality Enabled ")},
        {BASS_SAMPLE_SOFTWARE, QT_TR_NOOP("NOT using hardware mixing ")},
        {BASS_SAMPLE_VAM, QT_TR_NOOP("DX7 voice allocation and management features ")},
        {BASS_SAMPLE_MUTEMAX, QT_TR_NOOP("Muted when at (or beyond) its max distance")},
        {BASS_SAMPLE_FX, QT_TR_NOOP("DX8 effect implementation enabled ")},
        {BASS_STREAM_RESTRATE, QT_TR_NOOP("Download rate is restricted ")},
        {BASS_STREAM_BLOCK, QT_TR_NOOP("Streamed in small blocks ")},
        {BASS_STREAM_DECODE, QT_TR_NOOP("decoding channel ")}};
    QString text;
    for (const auto& [flag, name] : texts) {
        if (flags & flag)
            text += tr(name);
    }
    return text;
}

BASS_CHANNELINFO CBass::ChannelInfo() const {
    QMutexLocker lock(&m_metaMutex);
    return m_channelInfo;
}

QString CBass::StreamFormatText() const {
    const BASS_CHANNELINFO info = ChannelInfo();
    QStringList parts;
    const QString type = ChannelTypeText(info.ctype);
    if (!type.isEmpty())
        parts.append(type);
    if (info.freq != 0)
        parts.append(tr("%1 Hz").arg(info.freq));
    if (info.chans != 0)
        parts.append(info.chans == 2 ? tr("Stereo") : tr("Mono"));
    return parts.join(QStringLiteral(", "));
}

QString CBass::ConnectErrorText(bool askToReport) const {
    QMutexLocker lock(&m_metaMutex);
    const QString name = m_station.m_name.isEmpty() ? m_headerTags.m_name : m_station.m_name;
    QString text = QStringLiteral("<html><b>") + tr("Error") + QStringLiteral("</b>: ") +
                   tr("Failed to connect at this time") + QStringLiteral("<br><b>") + tr("Reason") +
                   QStringLiteral("</b>: ") +
                   QCoreApplication::translate("QObject", m_lastErrorText.toUtf8().constData()) +
                   QStringLiteral("<br><b>") + tr("Station") + QStringLiteral("</b>: ") + name +
                   QStringLiteral("<br><b>") + tr("URL") + QStringLiteral("</b>: ") +
                   m_connectedUrl + QStringLiteral("<br><b>") + tr("Tags") +
                   QStringLiteral("</b>: ") + m_headerTags.m_lines.join(QStringLiteral("<br>")) +
                   QStringLiteral("<br>");
    if (askToReport)
        text += QStringLiteral("<br>Would you like to report it?");
    return text + QStringLiteral("</html>");
}

int CBass::ShowConnectError(bool askToReport) {
    Q_UNUSED(askToReport);
    return 0;
}

void CBass::bassEvent(uint msg, uint param) {
    Q_UNUSED(msg);
    Q_UNUSED(param);
}

// --- readers ---------------------------------------------------------------------------------

Station CBass::GetStation() const {
    QMutexLocker lock(&m_metaMutex);
    return m_station;
}

void CBass::SetStation(const Station& station) {
    QMutexLocker lock(&m_metaMutex);
    m_station = station;
}

Song CBass::CurrentSong() const {
    QMutexLocker lock(&m_metaMutex);
    return m_currentSong;
}

Song CBass::PreviousSong() const {
    QMutexLocker lock(&m_metaMutex);
    return m_previousSong;
}

RawTitle CBass::LastRawTitle() const {
    QMutexLocker lock(&m_metaMutex);
    return m_rawTitle;
}

QString CBass::ConnectedURL() const {
    QMutexLocker lock(&m_metaMutex);
    return m_connectedUrl;
}

} // namespace BASS
