#pragma once

// Runs one connect procedure (the library's create calls, the after-create start-up and the
// start of playback) off the GUI thread, so the window stays responsive while a station
// answers slowly. Created on the GUI thread and owned by the main window; run() on its thread.

#include <QThread>

#include <atomic>

namespace BASS {

class BassQt;

class QtBassConnectThread : public QThread {
    Q_OBJECT
public:
    explicit QtBassConnectThread(BassQt* stream, QObject* parent = nullptr);
    ~QtBassConnectThread() override;

    // Starts the connect procedure. The abort flags are cleared here, on the starting thread,
    // not in run(): an Abort right after the start must not be undone when the thread begins.
    void StartConnect();
    // Only while running: the open stops after the attempt in progress.
    void Abort();
    void SetReverse(bool reverse) { m_reverse = reverse; }
    bool Reverse() const { return m_reverse; }
    bool WasAborted() const { return m_aborted; }
    BassQt* Engine() const { return m_stream; }

signals:
    void signal_Finished(BASS::BassQt* stream);

public slots:
    void slot_Finished();

protected:
    void run() override;

private:
    BassQt* m_stream;
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_reverse{false};
};

} // namespace BASS
