#include "stations/onlinedirectory.h"

#include <algorithm>
#include <iterator>

OnlineDirectory::OnlineDirectory(RadioBrowserClient* client, QObject* parent)
    : QObject(parent), m_client(client) {
    connect(m_client, &RadioBrowserClient::signal_Stations, this, &OnlineDirectory::slot_stations);
    connect(m_client, &RadioBrowserClient::signal_Failed, this, &OnlineDirectory::slot_failed);
    connect(m_client, &RadioBrowserClient::signal_Countries, this,
            [this](int ticket, const QList<RadioBrowserClient::NameCount>& countries) {
                if (ticket != m_countriesTicket)
                    return;
                m_countries = countries;
                std::sort(m_countries.begin(), m_countries.end(), [](const auto& a, const auto& b) {
                    return a.name.localeAwareCompare(b.name) < 0;
                });
                emit signal_FiltersChanged();
            });
    connect(m_client, &RadioBrowserClient::signal_Tags, this,
            [this](int ticket, const QList<RadioBrowserClient::NameCount>& tags) {
                if (ticket != m_tagsTicket)
                    return;
                m_tags = tags;
                emit signal_FiltersChanged();
            });
}

void OnlineDirectory::search(const RadioBrowserClient::StationQuery& query) {
    if (m_pageTicket)
        m_client->cancel(m_pageTicket);
    m_pageTicket = 0;
    m_query = query;
    m_query.limit = kPageSize;
    emit signal_AboutToReset();
    m_entries.clear();
    m_seenUuids.clear();
    m_seenAddresses.clear();
    m_fetched = 0;
    m_atEnd = false;
    emit signal_Reset();
    requestPage();
}

bool OnlineDirectory::canFetchMore() const {
    return !m_atEnd && m_pageTicket == 0 && m_state != State::Offline &&
           m_state != State::NotAnswering;
}

void OnlineDirectory::fetchMore() {
    if (canFetchMore())
        requestPage();
}

void OnlineDirectory::requestPage() {
    m_query.offset = m_fetched;
    m_pageTicket = m_client->searchStations(m_query);
    setState(State::Searching, tr("Searching the online directory..."));
}

bool OnlineDirectory::isWanted(const OnlineStation& station) const {
    if (m_query.hideBroken && station.broken)
        return false;
    if (m_seenUuids.contains(station.uuid))
        return false;
    const QStringList addresses = station.streamAddresses();
    return std::none_of(addresses.begin(), addresses.end(), [this](const QString& address) {
        return m_seenAddresses.contains(address);
    });
}

void OnlineDirectory::slot_stations(int ticket, const QList<OnlineStation>& stations) {
    if (ticket != m_pageTicket)
        return;
    m_pageTicket = 0;
    m_fetched += static_cast<int>(stations.size());
    // A server may ignore the limit; a short page is the last one.
    m_atEnd = stations.size() < m_query.limit;
    std::vector<std::unique_ptr<Entry>> page;
    for (const OnlineStation& station : stations) {
        if (static_cast<int>(page.size()) == m_query.limit)
            break;
        if (!isWanted(station))
            continue;
        m_seenUuids.insert(station.uuid);
        for (const QString& address : station.streamAddresses())
            m_seenAddresses.insert(address);
        page.push_back(std::make_unique<Entry>(Entry{station, station.toPreset()}));
    }
    const int first = count();
    const int last = first + static_cast<int>(page.size()) - 1;
    if (!page.empty()) {
        emit signal_RowsAboutToBeAdded(first, last);
        std::move(page.begin(), page.end(), std::back_inserter(m_entries));
    }
    setState(State::Ready, count() == 0 ? tr("No station of the online directory matches.")
                                        : tr("%n stations", nullptr, count()));
    if (last >= first)
        emit signal_RowsAdded(first, last);
}

void OnlineDirectory::slot_failed(int ticket, RadioBrowserClient::Failure failure,
                                  const QString& text) {
    if (ticket == m_countriesTicket || ticket == m_tagsTicket)
        m_filtersLoaded = false; // asked again with the next search
    if (ticket != m_pageTicket)
        return;
    m_pageTicket = 0;
    setState(failure == RadioBrowserClient::Failure::Offline ? State::Offline : State::NotAnswering,
             text);
}

Preset* OnlineDirectory::preset(int row) const {
    return row >= 0 && row < count() ? &m_entries[static_cast<size_t>(row)]->preset : nullptr;
}

const OnlineStation* OnlineDirectory::station(int row) const {
    return row >= 0 && row < count() ? &m_entries[static_cast<size_t>(row)]->station : nullptr;
}

int OnlineDirectory::rowOf(const Preset* preset) const {
    for (size_t row = 0; row < m_entries.size(); ++row)
        if (&m_entries[row]->preset == preset)
            return static_cast<int>(row);
    return -1;
}

bool OnlineDirectory::countPlay(const Preset* preset) {
    const OnlineStation* played = station(rowOf(preset));
    if (!played)
        return false;
    m_client->click(played->uuid);
    return true;
}

void OnlineDirectory::loadFilters() {
    if (m_filtersLoaded)
        return;
    m_filtersLoaded = true;
    m_countriesTicket = m_client->fetchCountries();
    m_tagsTicket = m_client->fetchTags(kTagCount);
}

void OnlineDirectory::setState(State state, const QString& text) {
    if (state == m_state && text == m_stateText)
        return;
    m_state = state;
    m_stateText = text;
    emit signal_StateChanged(state, text);
}
