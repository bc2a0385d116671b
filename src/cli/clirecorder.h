#pragma once

// Records what the command-line player plays: starts the engine's recording once the stream
// plays and prints one line per recording event (file opened, bytes so far, errors, file
// closed). A recording that stops by itself ends the program with ExitRecord.
// Main thread of quillowave-cli; owned by main().

#include "recording/appstream.h"

#include <QObject>
#include <QString>

class CliPlayer;
class QTimer;

class CliRecorder : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString folder;
        int format = BASS::REC_FORMAT_SAME;
        bool split = false; // a new file at every title change
    };

    CliRecorder(CliPlayer* player, const Options& options, QObject* parent = nullptr);

    // "same", "mp3", "ogg", "flac", "aac", "wma" to the format code; -1 for anything else.
    static int FormatFromName(const QString& name);

private slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    void slot_errorShown(BASS::BassQt* stream, const QString& text);
    void slot_progress();

private:
    void StartRecording();
    void Fail();

    CliPlayer* m_player;
    AppStream* m_engine;
    Options m_options;
    QTimer* m_progress;
    QString m_fileName;
    bool m_started = false;
};
