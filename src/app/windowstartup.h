#pragma once

// The main window's start after its first paint: the audio library, the station directory (read
// on a worker thread, handed over here) and the remote-control names on the session bus come
// after the window is on screen. Requests that need them (the command line, a later start's
// hand-over) wait in order until all are there. GUI thread; owned by the main window.

#include "stations/radiostations.h"

#include <QObject>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

class AppSettings;
class QThread;
class QWidget;

class WindowStartup : public QObject {
    Q_OBJECT
public:
    // directoryFile: the bundled or downloaded directory to read, empty when there is none.
    WindowStartup(QWidget* window, AppSettings* settings, const QString& directoryFile);
    // Waits for the directory's reader: it cannot be interrupted halfway.
    ~WindowStartup() override;

    // What makes the audio library callable where it is a module of its own (the window
    // program); without one its functions are linked in.
    static void setLibraryLoader(std::function<bool(QString* error)> loader);

    bool isReady() const { return m_ready; }
    // Runs the request now when everything is there, else once it is, after the earlier ones.
    void whenReady(std::function<void()> request);

signals:
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
