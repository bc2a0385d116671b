#include "bass/stream.h"

#include "audio/ladspainstance.h"
#include "bass/equalizerpreset.h"
#include "bass/precondition.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace BASS {

namespace {

// The automatic volume leveller: target 0.9, quiet 0.2, rate 0.02, gain 10, delay 2 s, all
// channels.
constexpr BASS_BFX_DAMP kLeveller{0.9F, 0.2F, 0.02F, 10.0F, 2.0F, BASS_BFX_CHANALL};

int percentOf(DWORD level) {
    return int(std::lround(double(level & 0xFFFF) / 32768.0 * 100.0));
}

} // namespace

Stream::Stream(QObject* parent)
    : BassQt(parent), m_http(new QT_EXT::QHttpExt(this)), m_httpStop(new QT_EXT::QHttpExt(this)) {
    connect(m_http, &QT_EXT::QHttpExt::sig_Finished, this, &Stream::slot_Ready);
    connect(m_httpStop, &QT_EXT::QHttpExt::sig_Finished, this, &Stream::slot_Ready);
}

Stream::~Stream() {
    // The DSP stages below reach this object from the decoding thread: end them first.
    if (GetHandle())
        ReleaseStream();
}

void Stream::Reset() {
    BassQt::Reset();
    m_playlistId = 0;
    m_stationUrlId = 0;
    m_lastId = 0;
    m_text.clear();
    m_errorText.clear();
}

// --- equaliser --------------------------------------------------------------------------------

int Stream::BandCenter(int band, float sampleRate) {
    const int centre = EQ_CENTERS.at(size_t(band));
    return sampleRate > 0 ? std::min(centre, int(sampleRate / 3)) : centre;
}

bool Stream::CreateBands() {
    for (HFX& band : m_hBands) {
        if (!band)
            band = BASS_ChannelSetFX(GetHandle(), BASS_FX_DX8_PARAMEQ, 0);
    }
    return std::all_of(m_hBands.begin(), m_hBands.end(), [](HFX band) { return band != 0; });
}

void Stream::ApplyEqualizerBand(int band, float gainDb) {
    if (!GetHandle())
        return;
    BASS_REQUIRE_TEXT(band >= 0 && band < EQ_MAX_BANDS,
                      "nBand >= 0 && nBand < Stream::EQ_MAX_BANDS", );
    if (!m_hBands.at(size_t(band)) && !CreateBands())
        RefreshLastError();
    const HFX handle = m_hBands.at(size_t(band));
    if (!handle)
        return;
    float rate = 0;
    GetAttribute(BASS_ATTRIB_FREQ, rate);
    BASS_DX8_PARAMEQ parameters{float(BandCenter(band, rate)), EQ_BANDWIDTH,
                                std::clamp(gainDb, -EQ_MAX_GAIN_DB, EQ_MAX_GAIN_DB)};
    qDebug() << "Stream::ApplyEqualizerBand fBandwidth " << parameters.fBandwidth;
    qDebug() << "Stream::ApplyEqualizerBand fCenter " << parameters.fCenter;
    qDebug() << "Stream::ApplyEqualizerBand fGain " << parameters.fGain;
    BASS_FXSetParameters(handle, &parameters);
}

void Stream::ApplyEqualizerValues(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    for (int band = 0; band < std::min(int(parts.size()), int(EQ_MAX_BANDS)); ++band)
        ApplyEqualizerBand(band, parts.at(band).trimmed().toFloat());
}

bool Stream::ApplyEqualizerPreset(const QString& name) {
    if (!GetHandle())
        return false;
    CreateBands();
    const EqualizerPreset& preset = EqualizerPreset::FindOrFlat(name);
    for (int band = 0; band < EQ_MAX_BANDS; ++band)
        ApplyEqualizerBand(band, preset.gains.at(size_t(band)));
    return preset.name == name;
}

void Stream::RemoveEqualizer() {
    for (HFX& band : m_hBands) {
        if (band && GetHandle())
            BASS_ChannelRemoveFX(GetHandle(), band);
        band = 0;
    }
}

HFX Stream::BandHandle(int band) const {
    return band >= 0 && band < EQ_MAX_BANDS ? m_hBands.at(size_t(band)) : 0;
}

// --- pre-amplifier, mono, leveller and plug-in ----------------------------------------------

float Stream::PreampFactor(float db) {
    db = std::clamp(db, -PREAMP_MAX_DB, PREAMP_MAX_DB);
    return db < 0 ? ((db + PREAMP_MAX_DB) / PREAMP_MAX_DB) / 2 : db / PREAMP_MAX_DB;
}

void Stream::ApplyPreamp(float db) {
    m_preampFactor = PreampFactor(db);
    qDebug() << "Stream::ApplyPreamp(float db)" << m_preampFactor.load();
    SetPreampEnabled(true);
}

void Stream::ApplyPreamp(const QString& text) {
    bool ok = false;
    const float db = text.trimmed().toFloat(&ok);
    if (ok && db != 0)
        ApplyPreamp(db);
}

void Stream::SetPreampEnabled(bool on) {
    m_preampEnabled = on;
    if (on && GetHandle())
        InstallDSP();
}

void Stream::SetMonoEnabled(bool on) {
    m_monoEnabled = on;
    if (on && GetHandle())
        InstallDSP();
}

void Stream::RemoveLeveller() {
    if (m_hLeveller && GetHandle())
        BASS_ChannelRemoveFX(GetHandle(), m_hLeveller);
    m_hLeveller = 0;
}

void Stream::SetAutoVolume(bool on) {
    RemoveLeveller();
    if (!on || !GetHandle())
        return;
    m_hLeveller = BASS_ChannelSetFX(GetHandle(), BASS_FX_BFX_DAMP, 0);
    if (m_hLeveller)
        BASS_FXSetParameters(m_hLeveller, &kLeveller);
    else
        RefreshLastError();
}

void Stream::SetPluginInstance(std::unique_ptr<qwaudio::LadspaInstance> instance) {
    const bool running = instance != nullptr;
    {
        std::lock_guard lock(m_pluginMutex);
        m_plugin.swap(instance);
    }
    // The previous plug-in (now in instance) is unloaded here, outside the lock.
    instance.reset();
    if (running && GetHandle())
        InstallDSP();
}

bool Stream::HasPluginInstance() const {
    std::lock_guard lock(m_pluginMutex);
    return m_plugin != nullptr;
}

void Stream::ProcessDSP(HDSP handle, DWORD channel, float* samples, DWORD length) {
    BassQt::ProcessDSP(handle, channel, samples, length);
    const size_t count = length / sizeof(float);
    {
        // While the GUI thread swaps the plug-in this block goes through unchanged.
        std::unique_lock lock(m_pluginMutex, std::try_to_lock);
        if (lock.owns_lock() && m_plugin)
            m_plugin->process(samples, count / size_t(m_plugin->channels()));
    }
    const float factor = m_preampFactor.load();
    if (m_preampEnabled && factor != 0) {
        for (size_t i = 0; i < count; ++i)
            samples[i] *= factor;
    }
    if (m_monoEnabled && m_dspChannels == 2) {
        for (size_t i = 0; i + 1 < count; i += 2)
            samples[i] = samples[i + 1] = (samples[i] + samples[i + 1]) / 2;
    }
}

void Stream::OnStop() {
    RemoveEqualizer();
    RemoveLeveller();
    SetPluginInstance(nullptr);
    BassQt::OnStop();
}

// --- levels ----------------------------------------------------------------------------------

QPair<int, int> Stream::GetLevels() {
    DWORD level = GetHandle() ? GetLevel() : 0;
    if (level == DWORD(-1))
        level = 0;
    const QPair<int, int> levels{percentOf(level), percentOf(level >> 16)};
    m_levelHistory.at(size_t(m_levelIndex)) = levels;
    m_levelIndex = (m_levelIndex + 1) % LEVEL_HISTORY;
    return levels;
}

QPair<int, int> Stream::LevelAt(int index) const {
    return index >= 0 && index < LEVEL_HISTORY ? m_levelHistory.at(size_t(index))
                                               : QPair<int, int>{0, 0};
}

// --- downloads -------------------------------------------------------------------------------

bool Stream::downloadPlaylistFile(const QString& url) {
    BASS_REQUIRE(!url.isEmpty(), false);
    m_downloadUrl = url;
    QTimer::singleShot(100, this, &Stream::slot_downloadPlaylistFile);
    return true;
}

bool Stream::downloadStationURL(const QString& url) {
    BASS_REQUIRE(!url.isEmpty(), false);
    m_downloadUrl = url;
    QTimer::singleShot(100, this, &Stream::slot_downloadStationURL);
    return true;
}

void Stream::sendStopEvent(const QString& url) {
    qDebug() << "Stream::sendStopEvent " << url;
    m_httpStop->get(url, false);
}

void Stream::slot_downloadPlaylistFile() {
    qDebug() << "Stream::GetURLs " << m_downloadUrl;
    applyDownloadLimits();
    m_playlistId = m_http->get(m_downloadUrl.trimmed(), false);
}

void Stream::slot_downloadStationURL() {
    qDebug() << "Stream::GetURLs " << m_downloadUrl;
    applyDownloadLimits();
    m_stationUrlId = m_http->get(m_downloadUrl.trimmed(), false);
}

void Stream::applyDownloadLimits() {
    // A stalled server must not hold the connect for ever, and an address that is really an
    // endless stream must not fill the memory: the library's connection time-out and a size
    // no playlist reaches.
    m_http->setLimits(int(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT)), MaxPlaylistBytes);
}

void Stream::slot_Ready(const QT_EXT::QHttpExt::httpInfo* info) {
    if (!info)
        return;
    m_lastId = info->id;
    qDebug() << "Stream::requestFinished: " << info->id << info->error;
    if (info->error) {
        m_errorText = info->errorString.isEmpty() ? m_http->lastError() : info->errorString;
        QTimer::singleShot(100, this, &Stream::slot_StreamError);
        return;
    }
    m_text.clear();
    if (!info->data.isEmpty()) {
        m_text = info->id == m_playlistId ? QString::fromUtf8(info->data)
                                          : QString::fromLocal8Bit(info->data);
    }
    QTimer::singleShot(100, this, &Stream::slot_StreamReady);
}

void Stream::slot_StreamReady() {
    const int id = m_lastId;
    emit sig_StreamReady(this, id, m_text);
    if (m_playlistId == id)
        m_playlistId = 0;
    if (m_stationUrlId == id)
        m_stationUrlId = 0;
}

void Stream::slot_StreamError() {
    const int id = m_lastId;
    if (m_playlistId == id)
        m_playlistId = 0;
    if (m_stationUrlId == id)
        m_stationUrlId = 0;
    emit sig_StreamError(this, id, m_errorText);
}

} // namespace BASS
