#pragma once

#include "qtext/qhttpext.h"
#include "stations/onlinestation.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QDnsLookup;
class QTimer;

// Client of the community station directory's HTTP API (Radio Browser): finds its servers in
// DNS, searches stations, lists countries and tags with their counts, and counts clicks and
// votes. Each call is tried on one server after the other until one answers; calls report by
// signals with the ticket their call returned. All traffic goes through one QHttpExt.
// GUI thread; owned by whoever creates it (usually as a QObject child).
class RadioBrowserClient : public QObject {
    Q_OBJECT
public:
    // Why a call found no server that answered.
    enum class Failure {
        Offline,      // no server could be reached at all (no network, no name service)
        NotAnswering, // servers were reached but failed, stalled or sent what is not an answer
    };
    Q_ENUM(Failure)
    struct StationQuery {
        QString name;
        QString tag;
        QString countryCode;
        QString state;
        QString language;
        QString codec;
        int bitrateMin = 0;
        bool hideBroken = true;
        int offset = 0;
        int limit = 50;
    };
    // A country (with its ISO code) or a tag and the number of stations it has.
    struct NameCount {
        QString name;
        QString code;
        int stationCount = 0;
    };

    // The DNS service record that lists the API servers, and the round-robin name used when it
    // cannot be read.
    static constexpr const char* kServiceRecord = "_api._tcp.radio-browser.info";
    static constexpr const char* kFallbackServer = "https://all.api.radio-browser.info";
    static constexpr int kDefaultTimeoutMs = 15000;

    explicit RadioBrowserClient(const QString& programVersion, QObject* parent = nullptr);
    ~RadioBrowserClient() override;

    // "Quillowave/<version>": the API asks every program to say who it is.
    static QString userAgent(const QString& programVersion);
    // Base addresses tried in order (the host setting); empty: found in DNS before the first call.
    void setServers(const QStringList& servers);
    QStringList servers() const { return m_servers; }
    // A server that has not answered after this long counts as not answering.
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }

    // Each returns the ticket its answer or failure is reported with.
    int searchStations(const StationQuery& query);
    int fetchCountries();
    int fetchTags(int limit);
    int click(const QString& stationUuid);
    int vote(const QString& stationUuid);
    // The call's answer is no longer wanted; nothing is reported for it.
    void cancel(int ticket);
    int pendingCount() const { return static_cast<int>(m_calls.size()); }

    // The API's path and parameters of a station search (query string fully percent-encoded).
    static QString searchPath(const StationQuery& query);
    static QList<NameCount> countsFromJson(const QByteArray& answer, bool* ok);

signals:
    void signal_ServersFound(const QStringList& servers);
    void signal_Stations(int ticket, const QList<OnlineStation>& stations);
    void signal_Countries(int ticket, const QList<RadioBrowserClient::NameCount>& countries);
    void signal_Tags(int ticket, const QList<RadioBrowserClient::NameCount>& tags);
    void signal_Clicked(int ticket, bool counted);
    void signal_Voted(int ticket, bool counted, const QString& message);
    void signal_Failed(int ticket, RadioBrowserClient::Failure failure, const QString& text);

private:
    enum class Kind { Stations, Countries, Tags, Click, Vote };
    struct Call;

    int start(Kind kind, const QString& path);
    void send(Call* call);
    void discoverServers();
    void slot_dnsFinished();
    void slot_started(const QT_EXT::QHttpExt::httpInfo* info);
    void slot_finished(const QT_EXT::QHttpExt::httpInfo* info);
    void slot_timedOut(Call* call);
    // True when the answer was one; false sends the call to the next server.
    bool deliver(Call* call, const QByteArray& answer);
    void tryNextServer(Call* call, bool reached);
    void finish(Call* call);
    Call* callOf(const QT_EXT::QHttpExt::httpInfo* info) const;

    QT_EXT::QHttpExt* m_http;
    QDnsLookup* m_dns = nullptr;
    QStringList m_servers;
    int m_preferred = 0; // index of the server that answered last
    int m_timeoutMs = kDefaultTimeoutMs;
    int m_nextTicket = 1;
    QHash<int, Call*> m_calls; // by ticket; owned
    Call* m_sending = nullptr; // the call whose request is being sent right now
};
