#pragma once

#include "stations/radiobrowserclient.h"

#include <QObject>
#include <QSet>
#include <memory>
#include <vector>

// The online directory as the window shows it: one search at a time, its results fetched page
// by page as the user asks for more, each station once (the directory lists some twice), broken
// ones left out unless asked for, each held as an OnlineStation and the Preset made of it. Also
// the country and tag lists of the filters, and the click a played station earns.
// GUI thread; owned by the online page of the window.
class OnlineDirectory : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Searching, Ready, Offline, NotAnswering };
    Q_ENUM(State)
    static constexpr int kPageSize = 50;
    static constexpr int kTagCount = 200;

    explicit OnlineDirectory(RadioBrowserClient* client, QObject* parent = nullptr);

    RadioBrowserClient* client() const { return m_client; }
    // Drops the results and fetches the first page of the query (its offset and limit are
    // replaced by the paging).
    void search(const RadioBrowserClient::StationQuery& query);
    const RadioBrowserClient::StationQuery& query() const { return m_query; }
    // More pages may follow and none is being fetched.
    bool canFetchMore() const;
    void fetchMore();

    int count() const { return static_cast<int>(m_entries.size()); }
    Preset* preset(int row) const;
    const OnlineStation* station(int row) const;
    // The row of a preset of the results, or -1.
    int rowOf(const Preset* preset) const;
    // Tells the directory that the station is being played: one click per call.
    bool countPlay(const Preset* preset);

    State state() const { return m_state; }
    QString stateText() const { return m_stateText; }

    // Fetches the countries and tags with their counts, once they are wanted.
    void loadFilters();
    const QList<RadioBrowserClient::NameCount>& countries() const { return m_countries; }
    const QList<RadioBrowserClient::NameCount>& tags() const { return m_tags; }

signals:
    // Around the changes of the results, so that a model can announce them.
    void signal_AboutToReset();
    void signal_Reset();
    void signal_RowsAboutToBeAdded(int first, int last);
    void signal_RowsAdded(int first, int last);
    void signal_StateChanged(OnlineDirectory::State state, const QString& text);
    void signal_FiltersChanged();

private:
    struct Entry {
        OnlineStation station;
        Preset preset;
    };

    void slot_stations(int ticket, const QList<OnlineStation>& stations);
    void slot_failed(int ticket, RadioBrowserClient::Failure failure, const QString& text);
    void requestPage();
    void setState(State state, const QString& text);
    bool isWanted(const OnlineStation& station) const;

    RadioBrowserClient* m_client;
    RadioBrowserClient::StationQuery m_query;
    std::vector<std::unique_ptr<Entry>> m_entries;
    QSet<QString> m_seenUuids;
    QSet<QString> m_seenAddresses;
    int m_fetched = 0; // stations the server has sent for this query, before any was left out
    int m_pageTicket = 0;
    bool m_atEnd = true;
    int m_countriesTicket = 0;
    int m_tagsTicket = 0;
    bool m_filtersLoaded = false;
    QList<RadioBrowserClient::NameCount> m_countries;
    QList<RadioBrowserClient::NameCount> m_tags;
    State m_state = State::Idle;
    QString m_stateText;
};
