#pragma once

// The application's engine playing a live stream, for the recording tests: its connect thread,
// the events it raised and a folder of its own for the recordings; and the audio of a file. Header only, as the support
// library itself stays free of Qt. The test's thread.

#include "bass/bassevents.h"
#include "bass/qtbassconnectthread.h"
#include "recording/appstream.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace qwtest {

struct LiveEngine {
    // Upper bound of every wait for the servers, generous for a busy machine.
    static constexpr int WaitMs = 60000;

    AppStream engine;
    BASS::QtBassConnectThread thread{&engine};
    QSignalSpy finished{&thread, &BASS::QtBassConnectThread::signal_Finished};
    QSignalSpy events{&engine, &BASS::BassQt::sig_bassEvent};
    QTemporaryDir folder;

    ~LiveEngine() {
        thread.Abort();
        thread.wait();
        engine.Stop(0);
    }

    bool Play(const QString& url) {
        engine.SetURLs({url});
        thread.start(QThread::InheritPriority);
        if (!finished.wait(WaitMs) && finished.isEmpty())
            return false;
        // A stream sent no faster than it plays may stall for a moment just after it starts.
        return engine.IsPlaying() || QTest::qWaitFor([&] { return engine.IsPlaying(); }, WaitMs);
    }

    // Waits until the engine has raised the event code (at once if it has already).
    bool WaitFor(uint code) {
        auto seen = [&] {
            for (const QList<QVariant>& event : events) {
                if (event.at(1).toUInt() == code)
                    return true;
            }
            return false;
        };
        return seen() || QTest::qWaitFor(seen, WaitMs);
    }
};

// The audio of a recorded file: its bytes after the ID3v2 tag the recorder puts in front of
// a closed file.
inline QByteArray recordedAudio(const QString& path) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (bytes.size() < 10 || !bytes.startsWith("ID3"))
        return bytes;
    const qsizetype size = (qsizetype(bytes[6] & 0x7F) << 21) |
                           (qsizetype(bytes[7] & 0x7F) << 14) | (qsizetype(bytes[8] & 0x7F) << 7) |
                           qsizetype(bytes[9] & 0x7F);
    return bytes.mid(10 + size + ((bytes[5] & 0x10) ? 10 : 0));
}

} // namespace qwtest
