#include "app/soundcontroller.h"

#include "app/playbackcontroller.h"
#include "bass/cbasscompressor.h"
#include "bass/dspplugin.h"
#include "bass/equalizerpreset.h"
#include "recording/appstream.h"
#include "settings/appsettings.h"

#include <algorithm>

using namespace BASS;

SoundController::SoundController(AppSettings* settings, PlaybackController* playback,
                                 QObject* parent)
    : QObject(parent), m_settings(settings), m_playback(playback) {
    connect(playback->engine(), &AppStream::signal_Started, this, &SoundController::applyToStream,
            Qt::QueuedConnection);
}

SoundController::~SoundController() = default;

QVector<float> SoundController::parseGains(const QString& text) {
    QVector<float> gains(Stream::EQ_MAX_BANDS, 0.0F);
    const QStringList parts = text.split(QLatin1Char(','));
    for (int band = 0; band < std::min(int(parts.size()), int(Stream::EQ_MAX_BANDS)); ++band) {
        gains[band] = std::clamp(parts.at(band).trimmed().toFloat(), -Stream::EQ_MAX_GAIN_DB,
                                 Stream::EQ_MAX_GAIN_DB);
    }
    return gains;
}

QString SoundController::gainsText(const QVector<float>& gains) {
    QStringList values;
    for (float gain : gains)
        values.append(QString::number(gain));
    return values.join(QLatin1Char(','));
}

QString SoundController::presetName() const {
    const QString name = m_settings->EQPreset();
    if (EqualizerPreset::Find(name) || !m_settings->equalizerPreset(name).isEmpty())
        return name;
    return QString::fromLatin1(EqualizerPreset::CustomName);
}

QVector<float> SoundController::gains() const {
    const QString name = presetName();
    const QString stored = m_settings->equalizerPreset(name);
    if (!stored.isEmpty())
        return parseGains(stored);
    const auto& table = EqualizerPreset::FindOrFlat(name).gains;
    return QVector<float>(table.begin(), table.end());
}

float SoundController::preampDb() const {
    return std::clamp(m_settings->EQPreamp().toFloat(), -Stream::PREAMP_MAX_DB,
                      Stream::PREAMP_MAX_DB);
}

Stream* SoundController::streamPlaying() const {
    Stream* engine = m_playback->engine();
    return engine->GetHandle() ? engine : nullptr;
}

void SoundController::setEqualizerEnabled(bool on) {
    m_settings->setEqualizerEnabled(on);
    applyEqualizer();
}

void SoundController::choosePreset(const QString& name) {
    m_settings->setEQPreset(name);
    applyEqualizer();
}

void SoundController::setBandGain(int band, float gainDb) {
    if (band < 0 || band >= Stream::EQ_MAX_BANDS)
        return;
    QVector<float> values = gains();
    values[band] = std::clamp(gainDb, -Stream::EQ_MAX_GAIN_DB, Stream::EQ_MAX_GAIN_DB);
    const QString custom = QString::fromLatin1(EqualizerPreset::CustomName);
    m_settings->setEQPreset(custom);
    m_settings->setEqualizerPreset(custom, gainsText(values));
    if (Stream* stream = streamPlaying(); stream && m_settings->EqualizerEnabled())
        stream->ApplyEqualizerBand(band, values.at(band));
}

void SoundController::setPreamp(float db) {
    m_settings->setEQPreamp(QString::number(
        std::clamp(db, -Stream::PREAMP_MAX_DB, Stream::PREAMP_MAX_DB)));
    applyEqualizer();
}

void SoundController::setAutoVolume(bool on) {
    m_settings->setAutoVolume(on);
    m_playback->engine()->SetAutoVolume(on);
    emit sig_status(on ? tr("Automatic volume on") : tr("Automatic volume off"));
}

bool SoundController::toggleAutoVolume() {
    setAutoVolume(!m_settings->AutoVolume());
    return m_settings->AutoVolume();
}

void SoundController::setMono(bool on) {
    m_settings->setMonoOutput(on);
    m_playback->engine()->SetMonoEnabled(on);
}

void SoundController::setCompressor(int level) {
    m_compressor = CBassCompressor::ForLevel(level) ? level : int(CBassCompressor::Off);
    applyCompressor();
}

void SoundController::applyToStream() {
    Stream* stream = streamPlaying();
    if (!stream)
        return;
    stream->SetAutoVolume(m_settings->AutoVolume());
    stream->SetMonoEnabled(m_settings->MonoOutput());
    applyEqualizer();
    applyCompressor();
    applyPlugin();
}

void SoundController::applySettings() {
    reloadPlugins();
    applyToStream();
    moveToDevice(m_settings->PlayOnDevices());
}

void SoundController::applyEqualizer() {
    Stream* stream = streamPlaying();
    if (!stream)
        return;
    if (!m_settings->EqualizerEnabled()) {
        stream->RemoveEqualizer();
        stream->SetPreampEnabled(false);
        return;
    }
    stream->ApplyEqualizerValues(gainsText(gains()));
    const float preamp = preampDb();
    if (preamp != 0)
        stream->ApplyPreamp(preamp);
    else
        stream->SetPreampEnabled(false);
}

void SoundController::applyCompressor() {
    Stream* stream = streamPlaying();
    if (!stream)
        return;
    if (const auto preset = CBassCompressor::ForLevel(m_compressor))
        stream->SetCompressor(*preset);
    else if (stream->CompressorHandle())
        stream->RemoveFX();
}

// --- plug-ins --------------------------------------------------------------------------------

QStringList SoundController::pluginFolders() const {
    const QString chosen = m_settings->WinampFolder();
    return chosen.isEmpty() ? DSPPlugin::DefaultFolders() : QStringList{chosen};
}

const QList<SoundController::PluginEntry>& SoundController::plugins() {
    if (m_pluginsScanned)
        return m_plugins;
    m_pluginsScanned = true;
    m_plugins.clear();
    m_pluginErrors.clear();
    QList<DSPPlugin*> found = DSPPlugin::Scan(pluginFolders(), &m_pluginErrors);
    for (const DSPPlugin* plugin : found)
        m_plugins.append({plugin->Name(), plugin->Path()});
    DSPPlugin::FreeAll(found);
    return m_plugins;
}

void SoundController::reloadPlugins() {
    m_pluginsScanned = false;
}

void SoundController::choosePlugin(const QString& path) {
    if (path.isEmpty()) {
        m_settings->setWinampPluginEnabled(false);
    } else {
        m_settings->setWinampPluginPath(path);
        m_settings->setWinampPluginEnabled(true);
    }
    applyPlugin();
    if (m_active && m_active->IsLoaded())
        m_settings->setWinampPlugin(m_active->Name());
}

void SoundController::applyPlugin() {
    const QString path = m_settings->WinampPluginPath();
    if (!m_settings->WinampPluginEnabled() || path.isEmpty()) {
        m_active.reset();
        return;
    }
    if (!m_active || m_active->Path() != path) {
        m_active = std::make_unique<DSPPlugin>(path);
        if (!m_active->Load()) {
            emit sig_error(tr("The DSP plug-in %1 could not be loaded: %2")
                               .arg(path, m_active->ErrorText()));
            return;
        }
    }
    Stream* stream = streamPlaying();
    if (stream && m_active->IsLoaded() && !m_active->Start(stream)) {
        emit sig_error(tr("The DSP plug-in %1 could not be started: %2")
                           .arg(m_active->Name(), m_active->ErrorText()));
    }
}

// --- devices ---------------------------------------------------------------------------------

bool SoundController::moveToDevice(int device) {
    // -1 asks for the system's default output, which the library opens as device 1.
    const int wanted = device == -1 ? 1 : device;
    if (int(BASS_GetDevice()) == wanted)
        return true;
    const Preset station = m_playback->currentStation();
    const bool wasPlaying = m_playback->hasStream() || m_playback->isConnecting();
    if (wasPlaying)
        m_playback->stopPlayback(PlaybackController::Ask::No);
    m_active.reset();
    m_settings->setPlayOnDevices(device);
    BASS_Free();
    QString error;
    QString warning;
    const bool opened = PlaybackController::initEngine(m_settings, &error, &warning);
    if (!warning.isEmpty())
        emit sig_error(warning);
    if (opened && wasPlaying)
        m_playback->playStation(station, PlaybackController::Ask::No);
    return opened && int(BASS_GetDevice()) == wanted;
}
