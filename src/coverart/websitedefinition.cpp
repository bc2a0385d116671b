#include "coverart/websitedefinition.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QUrl>

namespace {

QString encoded(const QString& part) {
    return QString::fromLatin1(QUrl::toPercentEncoding(part.trimmed()));
}

} // namespace

WebSiteDefinition WebSiteDefinition::Lyrics(const QString& host) {
    WebSiteDefinition site;
    if (!host.isEmpty())
        site.m_UrlTemplate = host + QStringLiteral("/%artist%/%title%-Lyrics.html");
    site.m_Start = QStringLiteral("<td class=\"td1\">");
    site.m_End = QStringLiteral("</td>");
    return site;
}

WebSiteDefinition WebSiteDefinition::ArtistInfo(ArtistSite which, const QString& host) {
    WebSiteDefinition site;
    if (which == ArtistSite::MusicDatabaseWiki) {
        if (!host.isEmpty())
            site.m_UrlTemplate = host + QStringLiteral("/music/%artist%/+wiki");
        site.m_Start = QStringLiteral("<div id=\"wiki\">");
        site.m_End = QStringLiteral("</div>");
        return site;
    }
    if (!host.isEmpty())
        site.m_UrlTemplate = host + QStringLiteral("/%artist%");
    site.m_Start = QStringLiteral("id=\"staticSideBarContents\"");
    site.m_End = QStringLiteral("</div>");
    site.m_dropHiddenParts = true;
    return site;
}

QString WebSiteDefinition::Url(const QString& artist, const QString& title) const {
    if (m_UrlTemplate.isEmpty())
        return {};
    QString url = m_UrlTemplate;
    url.replace(QStringLiteral("%artist%"), encoded(artist));
    url.replace(QStringLiteral("%title%"), encoded(title));
    return url;
}

QString WebSiteDefinition::Extract(const QString& page) const {
    if (m_Start.isEmpty())
        return {};
    const qsizetype start = page.indexOf(m_Start, 0, Qt::CaseInsensitive);
    if (start < 0)
        return {};
    qsizetype from = start + m_Start.size();
    // A marker that is an attribute leaves the rest of its tag behind.
    if (!m_Start.endsWith(QLatin1Char('>'))) {
        const qsizetype tagEnd = page.indexOf(QLatin1Char('>'), from);
        from = tagEnd < 0 ? page.size() : tagEnd + 1;
    }
    const qsizetype end = m_End.isEmpty() ? -1 : page.indexOf(m_End, from, Qt::CaseInsensitive);
    return page.mid(from, end < 0 ? -1 : end - from).trimmed();
}

QString WebSiteDefinition::ExtractArtistInfo(const QString& page) const {
    QString text = Extract(page);
    if (m_dropHiddenParts) {
        static const QRegularExpression hidden(
            QStringLiteral("<(\\w+)[^>]*style=\"[^\"]*display\\s*:\\s*none[^\"]*\"[^>]*>.*?</\\1>"),
            QRegularExpression::CaseInsensitiveOption |
                QRegularExpression::DotMatchesEverythingOption);
        text.remove(hidden);
    }
    static const QRegularExpression paragraph(QStringLiteral("<p(\\s[^>]*)?>"),
                                              QRegularExpression::CaseInsensitiveOption);
    text.replace(paragraph, QStringLiteral("<br><br>"));
    return text.trimmed();
}

QString WebSiteDefinition::RefreshTarget(const QString& page) {
    static const QRegularExpression refresh(
        QStringLiteral("<meta[^>]*http-equiv\\s*=\\s*[\"']?refresh[^>]*url\\s*=\\s*([^\"'>\\s]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return refresh.match(page).captured(1);
}

QString WebSiteDefinition::NothingFoundText(const QString& artist) {
    const QString search = QStringLiteral("https://www.google.com/search?q=") + encoded(artist);
    return QStringLiteral("<html>") + QCoreApplication::translate("CoverArt", "Nothing found about") +
           QStringLiteral(" <b>") + artist.toHtmlEscaped() + QStringLiteral("</b><br><a href=\"") +
           search + QStringLiteral("\">") +
           QCoreApplication::translate("CoverArt",
                                       "Click here to search Google in your default browser") +
           QStringLiteral("</a></html>");
}
