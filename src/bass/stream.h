#pragma once

// The engine with its downloads and its sound processing: fetches playlist files and station
// addresses over HTTP (the text comes back 100 ms later through sig_StreamReady /
// sig_StreamError), and owns the stream's equaliser bands, pre-amplifier, mono mix, automatic
// volume, DSP plug-in and level history.
// GUI thread (the HTTP client runs on its event loop); the DSP stages run on the channel's
// decoding thread and read only atomics and the plug-in under m_pluginMutex. Owned like CBass.

#include "bass/bassqt.h"
#include "qtext/qhttpext.h"

#include <QPair>

#include <array>
#include <memory>
#include <mutex>

namespace qwaudio {
class LadspaInstance;
}

namespace BASS {

class Stream : public BassQt {
    Q_OBJECT
public:
    static constexpr qint64 MaxPlaylistBytes = 1 << 20;
    static constexpr int EQ_MAX_BANDS = 10;
    static constexpr float EQ_BANDWIDTH = 11.4F; // semitones, every band
    static constexpr float EQ_MAX_GAIN_DB = 15.0F;
    static constexpr std::array<int, EQ_MAX_BANDS> EQ_CENTERS{80,   170,  310,   600,   1000,
                                                              3000, 6000, 12000, 14000, 16000};
    static constexpr float PREAMP_MAX_DB = 15.0F;
    static constexpr int LEVEL_HISTORY = 10;

    explicit Stream(QObject* parent = nullptr);
    ~Stream() override;

    void Reset() override;

    // Equaliser. A band's centre is its table frequency, at most a third of the sample rate.
    static int BandCenter(int band, float sampleRate);
    virtual void ApplyEqualizerBand(int band, float gainDb);
    // "g0,g1,...": at most ten values for bands 0, 1, ...; an empty part reads as 0.
    virtual void ApplyEqualizerValues(const QString& text);
    virtual bool ApplyEqualizerPreset(const QString& name);
    virtual void RemoveEqualizer();
    HFX BandHandle(int band) const;

    // Pre-amplifier and mono mix in the engine's DSP callback.
    static float PreampFactor(float db);
    virtual void ApplyPreamp(float db);
    // The settings' text form: a float; 0 or no number leaves the pre-amplifier as it is.
    virtual void ApplyPreamp(const QString& text);
    virtual void SetPreampEnabled(bool on);
    virtual void SetMonoEnabled(bool on);
    float PreampFactorValue() const { return m_preampFactor.load(); }
    bool IsPreampEnabled() const { return m_preampEnabled.load(); }
    bool IsMonoEnabled() const { return m_monoEnabled.load(); }

    // The automatic volume leveller effect.
    virtual void SetAutoVolume(bool on);
    bool IsAutoVolume() const { return m_hLeveller != 0; }

    // The DSP plug-in running on this stream's samples; null stops it. The old one is
    // unloaded after the DSP stage has let go of it.
    virtual void SetPluginInstance(std::unique_ptr<qwaudio::LadspaInstance> instance);
    bool HasPluginInstance() const;

    // Levels in percent of full scale, also kept in the level history.
    virtual QPair<int, int> GetLevels();
    QPair<int, int> LevelAt(int index) const;

    // Each requires a non-empty address and starts the download 100 ms later.
    virtual bool downloadPlaylistFile(const QString& url);
    virtual bool downloadStationURL(const QString& url);
    virtual void sendStopEvent(const QString& url);
    virtual bool IsDownloading() const { return m_playlistId != 0 || m_stationUrlId != 0; }

signals:
    void sig_StreamReady(BASS::Stream* stream, int id, QString text);
    void sig_StreamError(BASS::Stream* stream, int id, QString errorMess);

public slots:
    void slot_downloadPlaylistFile();
    void slot_downloadStationURL();
    void slot_Ready(const QT_EXT::QHttpExt::httpInfo* info);
    void slot_StreamReady();
    void slot_StreamError();

protected:
    void ProcessDSP(HDSP handle, DWORD channel, float* samples, DWORD length) override;
    void OnStop() override;

private:
    void applyDownloadLimits();

    bool CreateBands();
    void RemoveLeveller();

    std::array<HFX, EQ_MAX_BANDS> m_hBands{}; // GUI thread
    HFX m_hLeveller = 0;                      // GUI thread
    std::atomic<float> m_preampFactor{0.0F};
    std::atomic<bool> m_preampEnabled{false};
    std::atomic<bool> m_monoEnabled{false};
    mutable std::mutex m_pluginMutex;
    std::unique_ptr<qwaudio::LadspaInstance> m_plugin; // guarded by m_pluginMutex
    std::array<QPair<int, int>, LEVEL_HISTORY> m_levelHistory{}; // GUI thread
    int m_levelIndex = 0;                                        // GUI thread

    QT_EXT::QHttpExt* m_http = nullptr;     // playlists and station addresses
    QT_EXT::QHttpExt* m_httpStop = nullptr; // stop notifications
    QString m_downloadUrl;
    int m_playlistId = 0;
    int m_stationUrlId = 0;
    int m_lastId = 0;
    QString m_text;
    QString m_errorText;
};

} // namespace BASS
