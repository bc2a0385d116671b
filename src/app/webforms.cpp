#include "app/webforms.h"

#include "app/countrylookup.h"
#include "app/versioncheck.h"
#include "qtext/userprompt.h"
#include "settings/appsettings.h"
#include "stations/preset.h"

#include <QUrlQuery>

namespace {

const QString kFacebookSharer = QStringLiteral("https://www.facebook.com/sharer/sharer.php");
const QString kTwitterPost = QStringLiteral("https://twitter.com/intent/");

} // namespace

WebForms::WebForms(AppSettings* settings, QT_EXT::UserPrompt* prompt, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompt(prompt), m_http(new QT_EXT::QHttpExt(this)) {}

QString WebForms::path(Form form) {
    switch (form) {
    case Form::Suggestion:
        return QStringLiteral("/add_new_station_post.php");
    case Form::Report:
        return QStringLiteral("/add_failed_station_post.php");
    case Form::Comment:
        return QStringLiteral("/comment_station_post.php");
    }
    return {};
}

QString WebForms::thanks(Form form) {
    switch (form) {
    case Form::Suggestion:
        return tr("Suggestion sent. Thank you.");
    case Form::Report:
        return tr("Station report sent. Thank you.");
    case Form::Comment:
        return tr("Comment sent. Thank you.");
    }
    return {};
}

QT_EXT::QHttpExt::FormFields WebForms::fields(Form form, const Entry& entry,
                                              const QString& source) {
    const QString urls = entry.urls.join(QLatin1Char('\n'));
    QT_EXT::QHttpExt::FormFields out{{QStringLiteral("name"), entry.name},
                                     {QStringLiteral("url"), urls}};
    if (form == Form::Suggestion) {
        out += {{QStringLiteral("genre"), entry.genre},
                {QStringLiteral("country"), entry.country},
                {QStringLiteral("country_state"), entry.state}};
    } else {
        out += {{QStringLiteral("new_url"), entry.newUrl},
                {QStringLiteral("country"), entry.country},
                {QStringLiteral("genre"), entry.genre}};
    }
    out += {{QStringLiteral("website"), entry.website},
            {QStringLiteral("comments"), entry.comments},
            {QStringLiteral("source"), source},
            {QStringLiteral("db_only"), QStringLiteral("false")}};
    return out;
}

WebForms::Entry WebForms::entryFor(const Preset& station) {
    Entry entry;
    entry.name = station.title;
    entry.urls = station.sources;
    entry.genre = station.genre;
    entry.country = station.country;
    entry.state = station.state;
    entry.website = station.website;
    return entry;
}

QString WebForms::identityText() {
    QString country = m_settings->Country();
    if (country.isEmpty() || country.contains(QLatin1String("0.0.0.0"))) {
        CountryLookup lookup(m_settings->OwnAddressHost(), m_settings->GeoAddressHost(),
                             m_settings->GeoAddressKey());
        country = lookup.lookup(m_locale).CountryName;
        m_settings->setCountry(country);
    }
    if (country.isEmpty())
        country = QStringLiteral("Unknown");
    return QStringLiteral("Quillowave %1 (%2)")
        .arg(QLatin1String(VersionCheck::RunningVersion), country);
}

void WebForms::send(Form form, const Entry& entry) {
    m_http->post(m_settings->WebSiteHost() + path(form), fields(form, entry, identityText()),
                 false);
    m_prompt->information(tr("Quillowave"), thanks(form));
}

QString WebForms::shareText(const QString& song, const QString& station) {
    QString text = tr("I'm listening to");
    if (!song.isEmpty())
        text += QStringLiteral(" {M} ") + tr("on");
    text += QStringLiteral(" {S}");
    text.replace(QStringLiteral("{M}"), song);
    text.replace(QStringLiteral("{S}"), station.left(ShareStationLength));
    return text + QLatin1Char(' ') + tr("using") + QStringLiteral(" Quillowave");
}

QUrl WebForms::facebookShareUrl(const QString& text) const {
    const QUrl target(m_settings->WebSiteHost() + QStringLiteral("/facebook_sharer.php?t=") + text);
    QUrl url(kFacebookSharer);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("u"), QString::fromUtf8(QUrl::toPercentEncoding(
                                                target.toString(QUrl::FullyEncoded))));
    url.setQuery(query);
    return url;
}

QUrl WebForms::twitterShareUrl(const QString& text) {
    return QUrl(kTwitterPost + QStringLiteral("tweet?text=") + text);
}

void WebForms::shareFacebook(const QString& song, const QString& station) {
    m_prompt->openUrl(facebookShareUrl(shareText(song, station)));
}

void WebForms::shareTwitter(const QString& song, const QString& station) {
    m_prompt->openUrl(twitterShareUrl(shareText(song, station)));
}
