#include "app/countrylookup.h"

#include "qtext/qhttpext.h"

#include <QEventLoop>
#include <QUrl>

namespace {

const QString kOwnAddressPath = QStringLiteral("/ip.shtml");
const QString kLocationPath = QStringLiteral("/v2/ip_query.php");
const QString kLocationTemplate = QStringLiteral("?key=%1&ip={IP}");
const QString kAddressMark = QStringLiteral("var ip = '");

QString elementText(const QString& answer, const QString& name) {
    const QString open = QLatin1Char('<') + name + QLatin1Char('>');
    const qsizetype start = answer.indexOf(open);
    if (start < 0)
        return {};
    const qsizetype from = start + open.size();
    const qsizetype end = answer.indexOf(QStringLiteral("</") + name + QLatin1Char('>'), from);
    return end < 0 ? QString() : answer.mid(from, end - from);
}

} // namespace

CountryLookup::CountryLookup(const QString& ownAddressHost, const QString& geoHost,
                             const QString& key, QObject* parent)
    : QObject(parent), m_ownAddressHost(ownAddressHost), m_geoHost(geoHost), m_key(key),
      m_http(new QT_EXT::QHttpExt(this)) {}

QString CountryLookup::addressFromPage(const QString& page) {
    const qsizetype at = page.indexOf(kAddressMark);
    if (at < 0)
        return {};
    const qsizetype from = at + kAddressMark.size();
    const qsizetype end = page.indexOf(QLatin1Char('\''), from);
    return page.mid(from, end < 0 ? -1 : end - from).left(MaxAddressLength);
}

CountryLookup::Location CountryLookup::locationFromAnswer(const QString& answer) {
    Location l;
    l.Ip = elementText(answer, QStringLiteral("Ip"));
    l.Status = elementText(answer, QStringLiteral("Status"));
    l.City = elementText(answer, QStringLiteral("City"));
    l.CountryCode = elementText(answer, QStringLiteral("CountryCode"));
    l.CountryName = shortCountryName(elementText(answer, QStringLiteral("CountryName")));
    l.RegionCode = elementText(answer, QStringLiteral("RegionCode"));
    l.RegionName = elementText(answer, QStringLiteral("RegionName"));
    l.ZipPostalCode = elementText(answer, QStringLiteral("ZipPostalCode"));
    l.Latitude = elementText(answer, QStringLiteral("Latitude"));
    l.Longitude = elementText(answer, QStringLiteral("Longitude"));
    l.Timezone = elementText(answer, QStringLiteral("Timezone"));
    l.GmtOffset = elementText(answer, QStringLiteral("GmtOffset"));
    l.DstOffset = elementText(answer, QStringLiteral("DstOffset"));
    return l;
}

QString CountryLookup::shortCountryName(const QString& name) {
    if (name.contains(QLatin1String("United States")))
        return QStringLiteral("USA");
    if (name.contains(QLatin1String("United Kingdom")))
        return QStringLiteral("UK");
    return name;
}

CountryLookup::Location CountryLookup::lookup(const QLocale& locale) {
    m_askedServices = false;
    Location location;
    if (locale.territory() != QLocale::AnyTerritory) {
        location.CountryName = shortCountryName(QLocale::territoryToString(locale.territory()));
        location.CountryCode = locale.name().section(QLatin1Char('_'), 1, 1);
        return location;
    }
    m_askedServices = true;
    const QString address = addressFromPage(fetch(m_ownAddressHost + kOwnAddressPath));
    if (address.isEmpty())
        return location;
    QString query = kLocationTemplate.arg(m_key);
    query.replace(QStringLiteral("{IP}"), QString::fromUtf8(QUrl::toPercentEncoding(address)));
    const QString answer = fetch(m_geoHost + kLocationPath + query);
    return answer.isNull() ? location : locationFromAnswer(answer);
}

QString CountryLookup::fetch(const QString& url) {
    QEventLoop loop;
    QString body;
    const int id = m_http->get(url, false);
    if (id == 0)
        return body;
    connect(m_http, &QT_EXT::QHttpExt::sig_Finished, &loop,
            [&](const QT_EXT::QHttpExt::httpInfo* info) {
                if (info->id != id)
                    return;
                // An empty answer still differs from a failed request.
                if (!info->error)
                    body =
                        info->data.isEmpty() ? QStringLiteral("") : QString::fromUtf8(info->data);
                loop.quit();
            });
    loop.exec();
    return body;
}
