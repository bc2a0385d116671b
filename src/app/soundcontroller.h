#pragma once

// The sound options acting on the engine: the equaliser (preset, band gains, pre-amplifier),
// automatic volume, mono, the compressor level and the DSP plug-in, re-applied to every new
// stream, and the move of playback to another output device. It writes every choice through to
// the settings; the window's menus and dialogs only call it.
// GUI thread; owned by the main window (tests own one directly).

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class AppSettings;
class PlaybackController;

namespace BASS {
class DSPPlugin;
class Stream;
} // namespace BASS

class SoundController : public QObject {
    Q_OBJECT
public:
    struct PluginEntry {
        QString name;
        QString path;
    };

    SoundController(AppSettings* settings, PlaybackController* playback,
                    QObject* parent = nullptr);
    ~SoundController() override;

    // Ten gains from a values text, each kept within the band range; missing ones are 0.
    static QVector<float> parseGains(const QString& text);
    static QString gainsText(const QVector<float>& gains);

    // The equaliser as the settings hold it: an unknown preset reads as the flat one.
    QString presetName() const;
    QVector<float> gains() const;
    float preampDb() const;

    void setEqualizerEnabled(bool on);
    void choosePreset(const QString& name);
    // Changes one band; the preset becomes the user's own ("Custom") with the current values.
    void setBandGain(int band, float gainDb);
    void setPreamp(float db);
    void setAutoVolume(bool on);
    bool toggleAutoVolume();
    void setMono(bool on);
    void setCompressor(int level);
    int compressor() const { return m_compressor; }

    // The plug-in folders: the chosen one, else LADSPA_PATH and /usr/lib/ladspa.
    QStringList pluginFolders() const;
    // The plug-ins found there (scanned on first use after reloadPlugins).
    const QList<PluginEntry>& plugins();
    QStringList pluginErrors() const { return m_pluginErrors; }
    void reloadPlugins();
    // Runs the plug-in of that file from now on; an empty path switches plug-ins off.
    void choosePlugin(const QString& path);
    BASS::DSPPlugin* activePlugin() const { return m_active.get(); }

    // Keeps the device as the chosen one, re-opens the library on it and plays on there what
    // played before.
    bool moveToDevice(int device);

public slots:
    // Every stored sound option onto the stream that has just started.
    void applyToStream();
    // After the options changed: plug-in list, the playing stream and the output device.
    void applySettings();

signals:
    void sig_status(const QString& text);
    void sig_error(const QString& text);

private:
    BASS::Stream* streamPlaying() const;
    void applyEqualizer();
    void applyCompressor();
    void applyPlugin();

    AppSettings* m_settings;
    PlaybackController* m_playback;
    int m_compressor = 0;
    std::unique_ptr<BASS::DSPPlugin> m_active;
    QList<PluginEntry> m_plugins;
    QStringList m_pluginErrors;
    bool m_pluginsScanned = false;
};
