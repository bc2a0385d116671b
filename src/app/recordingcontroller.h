#pragma once

// The window's recordings: whether one can start (and why not), the recording folder, starting
// with or without splitting or for a single song, stopping, the no-split toggle, the texts of
// the Record controls, the recording settings handed to the engine, and the error shown when a
// direct copy cannot be written. It decides; the window shows what it reports. GUI thread; owned
// by the main window (tests own one directly).

#include <QObject>
#include <QString>

class AppSettings;
class AppStream;

namespace BASS {
class BassQt;
}

class RecordingController : public QObject {
    Q_OBJECT
public:
    enum class Split { Yes, No };
    // RecordingMode values.
    enum Mode { ModeSplit = 0, ModeNoSplit = 1, ModeSingleSong = 2 };
    // Remote-control event of a started recording.
    static constexpr int RemoteRecordStarted = 4;
    // RecBuffer values above this are taken as a mistake and give the default buffer.
    static constexpr int MaxRecBuffer = 51200000;
    // The shortest timed recording (a scheduled one) that starts when its station plays.
    static constexpr int MinTimedRecordingSeconds = 60;

    RecordingController(AppSettings* settings, AppStream* engine, QObject* parent = nullptr);

    bool isRecording() const;
    // Why the Record control cannot start a recording now; empty when it can.
    QString blockedReason() const;
    // The recording folder, created when missing; empty with *message set when there is none.
    QString resolveFolder(QString* message) const;
    QString fileName() const;

    // The Record button and F3: stops a running recording, else starts as RecordingMode and
    // RecordNoSplit say (mode as given when the options dialog chose one).
    void toggle(int mode);
    void recordSingleSong();
    bool start(Split split);
    void stop();
    // Inverts RecordNoSplit and gives the engine the split mode it now means.
    void toggleNoSplit();

    // "Start recording" / "Stop recording", and the Record control's tool tip.
    QString actionText() const;
    QString toolTip() const;
    // "Record with splitting" or "Record without splitting", as RecordingMode 1 reads it.
    QString noSplitActionText() const;

    // The engine's recording settings: MP3 bitrate, file names, timed split, song buffer,
    // direct-copy kinds.
    void applySettings();

signals:
    void sig_started(const QString& fileName);
    // The recording ended (by the user, a failure or the end of playback).
    void sig_stopped();
    void sig_remoteEvent(int code, const QString& text);
    void sig_message(const QString& text);

public slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);

private:
    QString modeText() const;

    AppSettings* m_settings; // the program's
    AppStream* m_engine;     // the playback controller's
};
