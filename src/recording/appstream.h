#pragma once

// The application's engine object: the stream the main window plays, with what the recorder
// adds on top of the engine: per-station folders and song-named files, the split after the
// station's delay, the timed split, the recording limit and its counters, and a stream that
// stalled for too long. GUI thread (the split delay is also read by the library's threads);
// owned by the main window, or by the command-line player.

#include "bass/stream.h"

#include <QDate>

#include <atomic>

class AppStream final : public BASS::Stream {
    Q_OBJECT
public:
    // Consecutive stalled seconds after which the stream counts as lost.
    static constexpr int StallTimeoutSeconds = 20;
    // Delays this short split at once instead of through a timer.
    static constexpr int ImmediateSplitMs = 200;

    explicit AppStream(QObject* parent = nullptr);
    ~AppStream() override;

    bool StartRecordingInFolder(const QString& folder, int format) override;
    void OnSplitFile(const BASS::Song& song) override;
    void SplitNow() override;
    void Reset() override;
    int CutDelayMs() const override { return m_splitDelayMs.load(); }

    void SetSplitDelay(int ms) { m_splitDelayMs = qMax(0, ms); }
    int SplitDelay() const { return m_splitDelayMs.load(); }
    void SetTimedSplitMinutes(int minutes) { m_timedSplitMinutes = qMax(0, minutes); }
    int TimedSplitMinutes() const { return m_timedSplitMinutes; }
    void SetRecordingLimit(int seconds) { m_recordingLimit = qMax(0, seconds); }
    int RecordingLimit() const { return m_recordingLimit; }
    bool LimitReached() const { return m_recordingLimit > 0 && m_secondsRecorded >= m_recordingLimit; }
    // The file-name pattern below the recording folder ("%station%/%track%").
    void SetFilePattern(const QString& pattern) { m_filePattern = pattern; }
    QString FilePattern() const { return m_filePattern; }

    bool RecordingStarted() const { return m_recordingStarted; }
    int StalledSeconds() const { return m_stalledSeconds; }
    int SecondsRecorded() const { return m_secondsRecorded; }
    int SecondsSinceSplit() const { return m_secondsSinceSplit; }
    // The window zeroes it at every new title, which restarts the timed-split period.
    void ResetSecondsSinceSplit() { m_secondsSinceSplit = 0; }

    // Once a second while the engine has a stream: stall watch, counters, timed split.
    void Tick();

signals:
    void signal_Timeout(AppStream* stream);
    void signal_recordSplit(AppStream* stream);
    void signal_Started(AppStream* stream);
    // A recording file was opened (the first, or the next part of a split) for song.
    void signal_fileOpened(AppStream* stream, const QString& path, const BASS::Song& song);

public slots:
    void slot_splitDelay();

protected:
    bool event(QEvent* event) override;
    void OnStarted() override;
    void OnAfterStop() override;
    void OnAfterStopRecording() override;
    void OnSecondTick(DWORD state) override;
    void OnRecordingStarted() override;
    void OnRecordingClosed(const QString& path) override;

private:
    int m_stalledSeconds = 0;    // GUI thread only, like the members below
    int m_timedSplitMinutes = 0;
    int m_recordingLimit = 0;    // seconds; 0 = none
    int m_secondsRecorded = 0;
    int m_secondsSinceSplit = 0;
    BASS::Song m_pendingSong;
    // What the open file's tags will say: its song and the day it began.
    BASS::Song m_fileSong;
    QDate m_fileDate;
    bool m_recordingStarted = false;
    QString m_filePattern;
    std::atomic<int> m_splitDelayMs{0}; // read by the title handler's thread
};
