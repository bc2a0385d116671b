#pragma once

// The main window's start after its first paint: the remote-control names on the session bus,
// the audio library and the station directory (read on a worker thread, handed over here) come
// after the window is on screen. Requests that need the library or the directory (the command
// line, a later start's hand-over, calls over the bus) wait in order until both are there.
// GUI thread; owned by the main window.

#include "app/readygate.h"
#include "stations/radiostations.h"

#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class AppSettings;
class QThread;
class QWidget;

class WindowStartup : public QObject, public ReadyGate {
    Q_OBJECT
public:
    // directoryFile: the bundled or downloaded directory to read, empty when there is none.
    WindowStartup(QWidget* window, AppSettings* settings, const QString& directoryFile);
    // Waits for the directory's reader: it cannot be interrupted halfway.
    ~WindowStartup() override;

    // What makes the audio library callable where it is a module of its own (the window
    // program); without one its functions are linked in.
    static void setLibraryLoader(std::function<bool(QString* error)> loader);

    bool hasBegun() const { return m_begun; }
    bool isReady() const override { return m_ready; }
    // Runs the request now when everything is there, else once it is, after the earlier ones.
    void whenReady(std::function<void()> request) override;

signals:
    // The window is painted (or starts hidden): what it offers on the session bus may be taken
    // now, before the audio library and the directory are there.
    void sig_begun();
    // The directory as read from the file; the receiver takes ownership.
    void sig_directoryRead(RadioStations* list, const QString& fileName);
    // The audio library runs (it may have been started before the window).
    void sig_engineStarted();
    // The audio library runs on "No sound" only, for the reason given.
    void sig_warning(const QString& text);
    // Everything is there; the waiting requests run right after this signal.
    void sig_ready();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void begin();
    // False when not even "No sound" could be opened: the program then ends.
    bool startEngine();
    void startReading();
    void finishReading();
    void becomeReady();

    QWidget* m_window;
    AppSettings* m_settings;
    QString m_directoryFile;
    QThread* m_reader = nullptr;
    // Written by the reader thread until it has finished, then handed over by the GUI thread.
    RadioStations* m_read = nullptr;
    std::vector<std::pair<RadioStations::MessageKind, QString>> m_readMessages;
    bool m_begun = false;
    bool m_engineFailed = false;
    bool m_ready = false;
    std::vector<std::function<void()>> m_waiting;
};
