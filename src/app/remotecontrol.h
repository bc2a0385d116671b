#pragma once

// Remote control of a running player: receives numbered commands with an argument and a text,
// answers status questions at once, queues everything else and executes one command per 10 ms
// shot; sends events to the one registered client. Transport-free: RemoteDBusService carries it
// over D-Bus. GUI thread; owned by the main window.

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QString>

class PlayerControl;

class RemoteControl : public QObject {
    Q_OBJECT
public:
    enum RemoteCommand : uint {
        SetListener = 1,
        PlayURL = 2,
        Play = 3,
        Stop = 4,
        StartRecording = 5,
        StopRecording = 6,
        IncVolume = 7,
        DecVolume = 8,
        SetVolume = 9,
        MuteVolume = 10,
        SelectSearchResults = 11,
        SelectFavorites = 12,
        SelectHistory = 13,
        KeyDown = 14,
        KeyUp = 15,
        KeyDownNumPad = 16,
        KeyDownStationList = 17,
        KeyDownMenu = 18,
        ShowMenu = 19,
        GetStatus = 20,
        SearchStations = 21,
        ListCommands = 100,
        ListCommandNames = 101,
    };
    enum RemoteEvent : uint {
        EventError = 1,
        // SetListener is acknowledged with code 1 and no text.
        EventListenerAcknowledged = 1,
        EventConnecting = 2,
        EventStopped = 3,
        EventRecordStarted = 4,
        EventRecordStopped = 5,
        EventSongChanged = 6,
        EventCommandList = 7,
        EventCommandNames = 8,
    };
    // The questions of GetStatus, by argument.
    enum StatusQuestion { StatusPlaying = 1, StatusRecording = 2, StatusMuted = 3 };
    static constexpr int DefaultVolumeStep = 4;
    static constexpr int ProcessDelayMs = 10;

    explicit RemoteControl(PlayerControl* player, QObject* parent = nullptr);

    // One incoming command from the client identified by client (a bus name). An empty text
    // counts as no text. Returns the answer of GetStatus, 0 for every other code.
    uint receive(uint code, int arg, const QString& text, const QString& client);
    // Sends one event to the registered client; nothing while no client is registered.
    void notifyRemoteClient(uint code, const QString& text = QString());

    QString listener() const { return m_listener; }
    // The command table's names by code ("SetListener" ... "SearchStations"), empty elsewhere.
    static QString commandName(uint code);
    // The texts of events 7 and 8.
    static QString commandListText();
    static QString commandNamesText();

signals:
    // One event for one client; the transport delivers it to that client only.
    void sig_clientEvent(const QString& client, uint code, const QString& text);

public slots:
    // Takes one queued command and executes it.
    void slot_processCommand();

private:
    uint status(int question) const;
    void execute(uint code, int arg, const QString& text);
    void changeVolume(int delta);

    PlayerControl* m_player; // not owned
    QString m_listener;
    QQueue<uint> m_codes;
    QQueue<QString> m_texts;
    // The argument of the latest command with each code still waiting; a later one replaces it.
    QHash<uint, int> m_storedArgs;
};
