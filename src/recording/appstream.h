#pragma once

// The application's engine object: the stream the main window plays, with the application's
// own events on top of the engine (start of playback, a stream stalled for too long).
// GUI thread; owned by the main window.

#include "bass/stream.h"

class AppStream final : public BASS::Stream {
    Q_OBJECT
public:
    // Consecutive stalled seconds after which the stream counts as lost.
    static constexpr int StallTimeoutSeconds = 20;

    explicit AppStream(QObject* parent = nullptr);
    ~AppStream() override;

    int StalledSeconds() const { return m_stalledSeconds; }

signals:
    void signal_Timeout(AppStream* stream);
    void signal_recordSplit(AppStream* stream);
    void signal_Started(AppStream* stream);

protected:
    void OnStarted() override;
    void OnSecondTick(DWORD state) override;

private:
    int m_stalledSeconds = 0; // GUI thread only
};
