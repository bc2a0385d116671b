#pragma once

// Finds the user's country for the identity text of the web forms: from the territory of the
// system locale when it names one, else by asking an own-address service for the public address
// and a geographic service for that address's location. Each request waits in a local event
// loop, so lookup() returns with the answer or with nothing.
// GUI thread; made by whoever needs the country, for one or more lookups.

#include <QLocale>
#include <QObject>
#include <QString>

namespace QT_EXT {
class QHttpExt;
}

class CountryLookup : public QObject {
    Q_OBJECT
public:
    // The location record of the geographic service.
    struct Location {
        QString Ip;
        QString Status;
        QString City;
        QString CountryCode;
        QString CountryName;
        QString RegionCode;
        QString RegionName;
        QString ZipPostalCode;
        QString Latitude;
        QString Longitude;
        QString Timezone;
        QString GmtOffset;
        QString DstOffset;
    };

    static constexpr int MaxAddressLength = 64;

    // ownAddressHost and geoHost: scheme and host of the two services; key: the geographic
    // service's key.
    CountryLookup(const QString& ownAddressHost, const QString& geoHost, const QString& key,
                  QObject* parent = nullptr);

    // The locale's territory when it names one; otherwise the two services. An empty record
    // when neither gives an answer.
    Location lookup(const QLocale& locale = QLocale::system());
    // Whether the last lookup asked the services.
    bool askedServices() const { return m_askedServices; }

    // The address in an own-address page ("var ip = '...'"), cut to 64 characters.
    static QString addressFromPage(const QString& page);
    static Location locationFromAnswer(const QString& answer);
    // The names the program's directory uses for the two countries with long names.
    static QString shortCountryName(const QString& name);

private:
    // The body of a GET, or a null string when it failed.
    QString fetch(const QString& url);

    QString m_ownAddressHost;
    QString m_geoHost;
    QString m_key;
    QT_EXT::QHttpExt* m_http; // child
    bool m_askedServices = false;
};
