#include "stations/onlinestation.h"

#include "stations/countrycodes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>

namespace {

constexpr int kMaxTagLength = 24;
constexpr int kMaxTagWords = 3;

QString text(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString();
}

// Numbers come as numbers or, from some servers, as texts.
int number(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? value.toString().toInt() : value.toInt();
}

bool isPlayableAddress(const QString& address) {
    if (address.isEmpty() || address.size() > OnlineStation::kMaxUrlLength)
        return false;
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString capitalised(const QString& tag) {
    return tag.left(1).toUpper() + tag.mid(1);
}

} // namespace

QString OnlineStation::clampText(const QString& text, int maxLength) {
    QString simple = text.simplified();
    if (simple.size() <= maxLength)
        return simple;
    int cut = maxLength;
    if (simple.at(cut - 1).isHighSurrogate())
        --cut;
    return simple.left(cut);
}

std::optional<OnlineStation> OnlineStation::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    OnlineStation station;
    station.uuid = text(object, "stationuuid").trimmed();
    station.name = clampText(text(object, "name"));
    station.url = text(object, "url").trimmed();
    station.urlResolved = text(object, "url_resolved").trimmed();
    if (station.uuid.isEmpty() || station.streamAddresses().isEmpty())
        return std::nullopt;
    const QString homepage = text(object, "homepage").trimmed();
    station.homepage = homepage.size() <= kMaxUrlLength ? homepage : QString();
    const QString favicon = text(object, "favicon").trimmed();
    station.favicon = isPlayableAddress(favicon) ? favicon : QString();
    station.tags = text(object, "tags");
    station.country = clampText(text(object, "country"));
    station.countryCode = text(object, "countrycode").trimmed().toUpper();
    station.state = clampText(text(object, "state"));
    station.language = clampText(text(object, "language"));
    station.codec = clampText(text(object, "codec"), 16);
    station.bitrate = qMax(0, number(object, "bitrate"));
    station.votes = qMax(0, number(object, "votes"));
    station.broken =
        object.contains(QLatin1String("lastcheckok")) && number(object, "lastcheckok") == 0;
    return station;
}

std::optional<QList<OnlineStation>> OnlineStation::listFromJson(const QByteArray& answer) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(answer, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<OnlineStation> stations;
    QSet<QString> seen;
    const QJsonArray array = document.array();
    for (const QJsonValue& value : array) {
        std::optional<OnlineStation> station = fromJson(value);
        if (station && !seen.contains(station->uuid)) {
            seen.insert(station->uuid);
            stations.append(std::move(*station));
        }
    }
    return stations;
}

QStringList OnlineStation::streamAddresses() const {
    QStringList addresses;
    for (const QString& address : {urlResolved, url})
        if (isPlayableAddress(address) && !addresses.contains(address))
            addresses.append(address);
    return addresses;
}

QString OnlineStation::genre() const {
    QStringList kept;
    const QStringList all = tags.split(QLatin1Char(','));
    for (const QString& raw : all) {
        const QString tag = raw.simplified();
        const bool sentence =
            tag.size() > kMaxTagLength || tag.count(QLatin1Char(' ')) >= kMaxTagWords;
        if (tag.isEmpty() || sentence || kept.contains(capitalised(tag), Qt::CaseInsensitive))
            continue;
        kept.append(capitalised(tag));
        if (kept.size() == kMaxGenreTags)
            break;
    }
    return kept.join(QStringLiteral(", "));
}

Preset OnlineStation::toPreset() const {
    Preset preset;
    preset.sources = streamAddresses();
    preset.firstUrl = preset.sources.value(0);
    preset.title = name.isEmpty() ? QUrl(preset.firstUrl).host() : name;
    preset.genre = genre();
    preset.language = language;
    const QString directoryCountry = CountryCodes::countryName(countryCode);
    preset.country = directoryCountry.isEmpty() ? country : directoryCountry;
    preset.flagIcon = CountryCodes::flagIcon(countryCode);
    preset.state = state;
    preset.website = homepage;
    preset.computeId(false);
    return preset;
}
