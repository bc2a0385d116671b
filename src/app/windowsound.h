#pragma once

// The main window's sound wiring: the Settings menu's sound entries (Equaliser, automatic
// volume, mono, compressor and the DSP plug-in menu), the Equaliser dialog, and the sound
// controller behind them. It decides nothing itself.
// GUI thread; owned by the main window.

#include <QObject>
#include <QPointer>

class AppSettings;
class EqualizerDialog;
class PlaybackController;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;
class SoundController;

class WindowSound : public QObject {
    Q_OBJECT
public:
    WindowSound(QWidget* window, AppSettings* settings, PlaybackController* playback);

    SoundController* controller() const { return m_controller; }
    // Adds the sound entries to the Settings menu.
    void addMenuEntries(QMenu* menu);
    QMenu* pluginMenu() const { return m_pluginMenu; }
    // The open Equaliser dialog, or null.
    EqualizerDialog* equalizer() const;
    // On closing: keeps the dialog's preset and pre-amplification, then closes it.
    void closeEqualizer();

public slots:
    void slot_showEqualizer();

private:
    void refreshChecks();
    void fillPluginMenu();
    void showEqualizerState();

    QWidget* m_window; // the owner
    AppSettings* m_settings;
    SoundController* m_controller;
    QPointer<EqualizerDialog> m_dialog;
    QAction* m_actAutoVolume = nullptr;
    QAction* m_actMono = nullptr;
    QActionGroup* m_compressorGroup = nullptr;
    QMenu* m_pluginMenu = nullptr;
};
