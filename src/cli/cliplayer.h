#pragma once

// Plays one address with the engine and no window, through the connect controller the main
// window's playback uses (a playlist read first, then the connect worker over its candidates),
// and prints one line per engine event and each new song.
// GUI (main) thread of quillowave-cli; owned by main().

#include "qtext/userprompt.h"
#include "recording/appstream.h"
#include "recording/connectcontroller.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTextStream>

class CliPlayer : public QObject, private QT_EXT::UserPrompt {
    Q_OBJECT
public:
    enum ExitCode {
        ExitOk = 0,
        ExitUsage = 1,
        ExitConnect = 2,
        ExitDownload = 3,
        ExitTimeout = 4,
        ExitRecord = 5,
        ExitDropped = 6
    };

    struct Options {
        QString url;
        int seconds = 0;         // 0: until the stream ends
        int watchdogSeconds = 0; // 0: none
    };

    explicit CliPlayer(const Options& options, QObject* parent = nullptr);
    ~CliPlayer() override;

    void Start();
    // Stops the engine (closing a recording) and leaves the event loop with code.
    void Quit(int code) { Finish(code); }
    bool IsFinishing() const { return m_finishing; }
    AppStream* Engine() const { return m_engine; }
    // Prints one line with the seconds since the start in front.
    void Print(const QString& line);
    static QString EventName(uint msg);

private slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    void slot_playlistRead(const QStringList& urls);
    void slot_playlistFailed(const QString& error);
    void slot_connectEnded(ConnectController::Outcome outcome);
    void slot_timedOut();
    void slot_timeUp();
    void slot_stalledTooLong();

private:
    void StreamEnded();
    // The reason of a failed connect, with the server's status line when it sent one.
    QString ConnectError() const;
    void Finish(int code);
    // Nobody is there to answer: messages are printed, questions printed and answered no,
    // addresses printed instead of opened.
    Answer question(const QString& title, const QString& text) override;
    void information(const QString& title, const QString& text) override;
    void error(const QString& title, const QString& text) override;
    bool controlHeld() const override;
    void openUrl(const QUrl& url) override;

    Options m_options;
    AppStream* m_engine;
    ConnectController* m_connect;
    QTextStream m_out;
    QElapsedTimer m_clock;
    QElapsedTimer m_playing;
    bool m_finishing = false;
};
