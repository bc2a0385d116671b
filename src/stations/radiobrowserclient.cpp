#include "stations/radiobrowserclient.h"

#include "stations/countrycodes.h"

#include <QDebug>
#include <QDnsLookup>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <algorithm>

using QT_EXT::QHttpExt;

struct RadioBrowserClient::Call {
    Kind kind = Kind::Stations;
    QString path; // below the server's base address, with its query
    int ticket = 0;
    int firstServer = 0;     // index of the server asked first
    int tried = 0;           // servers asked so far
    bool reachedAny = false; // some server answered at all (so the network works)
    bool timedOut = false;
    bool cancelled = false;
    const QHttpExt::httpInfo* info = nullptr; // the request in flight
    QTimer* timer = nullptr; // the client's child; released late, it may be signalling
};

namespace {

// Errors that say no connection came about at all: the network or the name service is down.
bool isUnreachable(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
        return true;
    default:
        return false;
    }
}

void addParameter(QStringList& pairs, const char* name, const QString& value) {
    if (!value.isEmpty())
        pairs.append(QLatin1String(name) + QLatin1Char('=') +
                     QString::fromLatin1(QUrl::toPercentEncoding(value)));
}

} // namespace

RadioBrowserClient::RadioBrowserClient(const QString& programVersion, QObject* parent)
    : QObject(parent), m_http(new QHttpExt(this)) {
    m_http->setDefaultUserAgent(userAgent(programVersion));
    // Answers are JSON bytes; a text copy of a large list would only double the memory.
    m_http->setRaw(true);
    connect(m_http, &QHttpExt::sig_Started, this, &RadioBrowserClient::slot_started);
    connect(m_http, &QHttpExt::sig_Finished, this, &RadioBrowserClient::slot_finished);
}

RadioBrowserClient::~RadioBrowserClient() {
    // The requests end with m_http, a child; their calls are forgotten first.
    disconnect(m_http, nullptr, this, nullptr);
    qDeleteAll(m_calls);
}

QString RadioBrowserClient::userAgent(const QString& programVersion) {
    return QStringLiteral("Quillowave/") + programVersion;
}

void RadioBrowserClient::setServers(const QStringList& servers) {
    m_servers.clear();
    for (const QString& server : servers) {
        QString base = server.trimmed();
        while (base.endsWith(QLatin1Char('/')))
            base.chop(1);
        if (!base.isEmpty())
            m_servers.append(base);
    }
    m_preferred = 0;
}

QString RadioBrowserClient::searchPath(const StationQuery& query) {
    QStringList pairs;
    addParameter(pairs, "name", query.name);
    addParameter(pairs, "tag", query.tag);
    addParameter(pairs, "countrycode", query.countryCode);
    addParameter(pairs, "state", query.state);
    addParameter(pairs, "language", query.language);
    addParameter(pairs, "codec", query.codec);
    if (query.bitrateMin > 0)
        addParameter(pairs, "bitrateMin", QString::number(query.bitrateMin));
    addParameter(pairs, "hidebroken",
                 query.hideBroken ? QStringLiteral("true") : QStringLiteral("false"));
    // Without a name the most played stations come first, as a user browsing expects.
    addParameter(pairs, "order",
                 query.name.isEmpty() ? QStringLiteral("clickcount") : QStringLiteral("name"));
    if (query.name.isEmpty())
        addParameter(pairs, "reverse", QStringLiteral("true"));
    addParameter(pairs, "offset", QString::number(qMax(0, query.offset)));
    addParameter(pairs, "limit", QString::number(qMax(1, query.limit)));
    return QStringLiteral("/json/stations/search?") + pairs.join(QLatin1Char('&'));
}

int RadioBrowserClient::searchStations(const StationQuery& query) {
    return start(Kind::Stations, searchPath(query));
}

int RadioBrowserClient::fetchCountries() {
    return start(Kind::Countries,
                 QStringLiteral("/json/countries?order=stationcount&reverse=true&hidebroken=true"));
}

int RadioBrowserClient::fetchTags(int limit) {
    return start(Kind::Tags, QStringLiteral("/json/tags?order=stationcount&reverse=true"
                                            "&hidebroken=true&limit=%1")
                                 .arg(qMax(1, limit)));
}

int RadioBrowserClient::click(const QString& stationUuid) {
    return start(Kind::Click, QStringLiteral("/json/url/") +
                                  QString::fromLatin1(QUrl::toPercentEncoding(stationUuid)));
}

int RadioBrowserClient::vote(const QString& stationUuid) {
    return start(Kind::Vote, QStringLiteral("/json/vote/") +
                                 QString::fromLatin1(QUrl::toPercentEncoding(stationUuid)));
}

void RadioBrowserClient::cancel(int ticket) {
    Call* call = m_calls.value(ticket);
    if (!call)
        return;
    call->cancelled = true;
    if (call->info && call->info->reply)
        call->info->reply->abort();
    else
        finish(call);
}

int RadioBrowserClient::start(Kind kind, const QString& path) {
    auto* call = new Call;
    call->kind = kind;
    call->path = path;
    call->ticket = m_nextTicket++;
    call->timer = new QTimer(this);
    call->timer->setSingleShot(true);
    connect(call->timer, &QTimer::timeout, this, [this, call] { slot_timedOut(call); });
    m_calls.insert(call->ticket, call);
    if (!m_servers.isEmpty())
        send(call);
    else
        discoverServers(); // the call waits for the servers
    return call->ticket;
}

void RadioBrowserClient::discoverServers() {
    if (m_dns)
        return;
    m_dns = new QDnsLookup(QDnsLookup::SRV, QString::fromLatin1(kServiceRecord), this);
    connect(m_dns, &QDnsLookup::finished, this, &RadioBrowserClient::slot_dnsFinished);
    m_dns->lookup();
}

void RadioBrowserClient::slot_dnsFinished() {
    QStringList found;
    if (m_dns->error() == QDnsLookup::NoError) {
        const QList<QDnsServiceRecord> records = m_dns->serviceRecords();
        for (const QDnsServiceRecord& record : records) {
            QString target = record.target();
            if (target.endsWith(QLatin1Char('.')))
                target.chop(1);
            if (!target.isEmpty())
                found.append(QStringLiteral("https://") + target);
        }
    } else {
        qDebug() << "RadioBrowserClient::slot_dnsFinished " << m_dns->errorString();
    }
    // Spreading the users over the servers is what the directory asks of its clients.
    std::shuffle(found.begin(), found.end(), *QRandomGenerator::global());
    if (found.isEmpty())
        found.append(QString::fromLatin1(kFallbackServer));
    m_dns->deleteLater();
    m_dns = nullptr;
    setServers(found);
    emit signal_ServersFound(m_servers);
    const QList<Call*> waiting = m_calls.values();
    for (Call* call : waiting)
        if (!call->info)
            send(call);
}

void RadioBrowserClient::send(Call* call) {
    if (call->tried == 0)
        call->firstServer = m_preferred;
    const int index = (call->firstServer + call->tried) % m_servers.size();
    const QString server = m_servers.at(index);
    ++call->tried;
    call->timedOut = false;
    m_sending = call;
    const int id = m_http->get(server + call->path, false);
    m_sending = nullptr;
    if (id == 0) {
        tryNextServer(call, false);
        return;
    }
    call->timer->start(m_timeoutMs);
}

void RadioBrowserClient::slot_started(const QHttpExt::httpInfo* info) {
    if (m_sending && !m_sending->info)
        m_sending->info = info;
}

RadioBrowserClient::Call* RadioBrowserClient::callOf(const QHttpExt::httpInfo* info) const {
    for (Call* call : m_calls)
        if (call->info == info)
            return call;
    return nullptr;
}

void RadioBrowserClient::slot_timedOut(Call* call) {
    qDebug() << "RadioBrowserClient::slot_timedOut " << call->path;
    call->timedOut = true;
    if (call->info && call->info->reply)
        call->info->reply->abort();
}

void RadioBrowserClient::slot_finished(const QHttpExt::httpInfo* info) {
    Call* call = callOf(info);
    if (!call)
        return;
    call->timer->stop();
    call->info = nullptr;
    if (call->cancelled) {
        finish(call);
        return;
    }
    const QNetworkReply::NetworkError error =
        info->reply ? info->reply->error() : QNetworkReply::UnknownNetworkError;
    const bool reached = !info->error || (!call->timedOut && !isUnreachable(error));
    if (call->timedOut)
        call->reachedAny = true; // a stalling server is there but does not answer
    if (!info->error && deliver(call, info->data)) {
        m_preferred = (call->firstServer + call->tried - 1) % m_servers.size();
        finish(call);
        return;
    }
    qDebug() << "RadioBrowserClient::slot_finished no answer from" << info->url
             << info->errorString;
    tryNextServer(call, reached);
}

void RadioBrowserClient::tryNextServer(Call* call, bool reached) {
    call->reachedAny = call->reachedAny || reached;
    if (call->tried < m_servers.size()) {
        send(call);
        return;
    }
    const Failure failure = call->reachedAny ? Failure::NotAnswering : Failure::Offline;
    const QString text =
        failure == Failure::Offline
            ? tr("Offline: the online directory cannot be reached.")
            : tr("The online directory's servers are not answering. Please try again later.");
    const int ticket = call->ticket;
    finish(call);
    emit signal_Failed(ticket, failure, text);
}

bool RadioBrowserClient::deliver(Call* call, const QByteArray& answer) {
    const int ticket = call->ticket;
    switch (call->kind) {
    case Kind::Stations: {
        std::optional<QList<OnlineStation>> stations = OnlineStation::listFromJson(answer);
        if (!stations)
            return false;
        emit signal_Stations(ticket, *stations);
        return true;
    }
    case Kind::Countries:
    case Kind::Tags: {
        bool ok = false;
        QList<NameCount> counts = countsFromJson(answer, &ok);
        if (!ok)
            return false;
        if (call->kind == Kind::Countries)
            emit signal_Countries(ticket, counts);
        else
            emit signal_Tags(ticket, counts);
        return true;
    }
    case Kind::Click:
    case Kind::Vote: {
        const QJsonDocument document = QJsonDocument::fromJson(answer);
        if (!document.isObject())
            return false;
        const QJsonObject object = document.object();
        const bool counted = object.value(QLatin1String("ok")).toBool();
        if (call->kind == Kind::Click)
            emit signal_Clicked(ticket, counted);
        else
            emit signal_Voted(ticket, counted, object.value(QLatin1String("message")).toString());
        return true;
    }
    }
    return false;
}

QList<RadioBrowserClient::NameCount> RadioBrowserClient::countsFromJson(const QByteArray& answer,
                                                                        bool* ok) {
    QList<NameCount> counts;
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    *ok = document.isArray();
    const QJsonArray array = document.array();
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        NameCount entry;
        entry.code = object.value(QLatin1String("iso_3166_1")).toString().trimmed().toUpper();
        const QString directoryName = CountryCodes::countryName(entry.code);
        entry.name = directoryName.isEmpty()
                         ? OnlineStation::clampText(object.value(QLatin1String("name")).toString())
                         : directoryName;
        entry.stationCount = object.value(QLatin1String("stationcount")).toInt();
        if (!entry.name.isEmpty())
            counts.append(entry);
    }
    return counts;
}

void RadioBrowserClient::finish(Call* call) {
    m_calls.remove(call->ticket);
    call->timer->stop();
    call->timer->deleteLater();
    delete call;
}
