#include "bass/playlistparser.h"

#include "audio/playlistparser.h"
#include "qtext/qttextparse.h"

#include <QUrl>

namespace BASS {

using QT_EXT::QtTextParse;

namespace {

const QString kLineBreaks = QStringLiteral("\r\n");

// Reads "= value" after a key: blanks, one "=", blanks, then the value up to the line end.
QString readKeyValue(QtTextParse& p) {
    p.skipSpaces();
    p.skipOne(u'=');
    p.skipSpaces();
    return p.readUpTo(kLineBreaks);
}

} // namespace

QString PlaylistParser::decodeUrl(const QString& raw) {
    return QUrl::fromPercentEncoding(raw.toUtf8());
}

bool PlaylistParser::IsPlaylistURL(const QString& url) {
    return qwaudio::PlaylistParser::isPlaylistAddress(url.trimmed().toStdString());
}

bool PlaylistParser::FetchesPlaylist(const QString& url) {
    // Some stations' addresses look like playlists but are streams the decoders open.
    return IsPlaylistURL(url) && url.indexOf(QLatin1String("merkury"), 1) <= 0 &&
           !url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QStringList PlaylistParser::Candidates(const QString& text, const QString& playlistUrl) {
    QStringList urls;
    ParsePls(text, urls);
    if (urls.isEmpty())
        ParseAsx(text, urls);
    if (urls.isEmpty() && text.contains(QStringLiteral("<asx"), Qt::CaseInsensitive))
        return {playlistUrl};
    if (urls.isEmpty())
        ParseM3u(text, urls);
    if (urls.isEmpty())
        ParseMediaSrc(text, urls);
    if (urls.isEmpty() && !text.trimmed().isEmpty())
        urls.append(text.trimmed());
    urls.removeIf([](const QString& url) { return url.contains(QStringLiteral(".asmx")); });
    return urls;
}

void PlaylistParser::ParsePls(const QString& text, QStringList& urls) {
    urls.clear();
    QtTextParse p(text);
    if (text.contains(QStringLiteral("[playlist]"), Qt::CaseInsensitive))
        p.movePast(QStringLiteral("[playlist]"));
    else if (text.contains(QStringLiteral("numberofentries="), Qt::CaseInsensitive))
        p.movePast(QStringLiteral("numberofentries="));
    else
        return;
    p.skipLineBreaks();

    // "File" keys count up from 1; a key out of order is read as an ordinary line.
    int fileNumber = 1;
    int titleNumber = 1;
    while (!p.atEnd() && urls.size() < PlsMaxUrls) {
        const QString fileKey = QStringLiteral("File%1").arg(fileNumber);
        const qsizetype after = p.position() + fileKey.size();
        // "File1" must not be taken for the start of "File10".
        if (!p.startsWith(fileKey) || (after < text.size() && text.at(after).isDigit())) {
            p.moveToAnyOf(kLineBreaks);
            p.skipLineBreaks();
            continue;
        }
        ++fileNumber;
        p.setPosition(p.position() + fileKey.size());
        const QString url = decodeUrl(readKeyValue(p).trimmed());
        const QString titleKey = QStringLiteral("Title%1").arg(titleNumber);
        if (p.startsWith(titleKey)) {
            ++titleNumber;
            p.setPosition(p.position() + titleKey.size());
            readKeyValue(p);
        }
        p.skipLineBreaks();
        if (HasScheme(url))
            urls.append(url);
    }
}

void PlaylistParser::parseM3uLines(const QString& text, QStringList& urls) {
    // Every line that is an address counts, wherever it stands: after its "#EXTINF", after
    // player option lines ("#EXTVLCOPT:", "#KODIPROP:") or with no header at all.
    QtTextParse p(text);
    while (!p.atEnd()) {
        const QString line = p.readUpTo(kLineBreaks).trimmed();
        p.skipLineBreaks();
        if (HasScheme(line) && !line.startsWith(u'#'))
            urls.append(line);
    }
}

void PlaylistParser::ParseM3u(const QString& text, QStringList& urls) {
    urls.clear();
    const Qt::CaseSensitivity ci = Qt::CaseInsensitive;
    const bool extended =
        text.contains(QStringLiteral("#EXTINF:"), ci) || text.contains(QStringLiteral("#EXTM3U"), ci);
    const QString fileKey = QStringLiteral("\"file\"");
    if (extended || !text.contains(fileKey, ci)) {
        if (extended || text.contains(u'\n') || text.contains(u'\r'))
            parseM3uLines(text, urls);
        return;
    }
    QtTextParse p(text);
    while (!p.atEnd()) {
        if (!p.movePast(fileKey))
            break;
        p.skipSpaces();
        if (!p.movePast(QStringLiteral("\"")))
            break;
        const QString value = p.readUpToText(QStringLiteral("\""));
        p.setPosition(p.position() + 1);
        p.skipSpaces();
        if (HasScheme(value))
            urls.append(value);
    }
}

void PlaylistParser::parseAsxBlock(const QString& block, QStringList& urls) {
    QtTextParse lines(block);
    while (!lines.atEnd() && urls.size() < AsxMaxUrls) {
        const QString line = lines.readUpTo(kLineBreaks);
        lines.skipLineBreaks();
        if (line.contains(QStringLiteral("<!--")))
            continue;
        QtTextParse p(line);
        QString url;
        if (line.contains(QStringLiteral("<ref href"), Qt::CaseInsensitive) ||
            line.contains(QStringLiteral("<entryref href"), Qt::CaseInsensitive)) {
            if (line.contains(QStringLiteral("<ref href"), Qt::CaseInsensitive))
                p.movePast(QStringLiteral("<ref href"));
            else
                p.movePast(QStringLiteral("<entryref href"));
            p.skipSpaces();
            p.skipOne(u'=');
            p.skipSpaces();
            p.skipOne(u'"');
            url = decodeUrl(p.readUpToText(QStringLiteral("\"")));
            const bool skippable = line.contains(QStringLiteral("clientskip"), Qt::CaseInsensitive);
            if (skippable && !url.contains(QStringLiteral("mms://"), Qt::CaseInsensitive))
                continue;
        } else if (line.contains(QStringLiteral("mms://"), Qt::CaseInsensitive)) {
            p.movePast(QStringLiteral("mms://"));
            url = QStringLiteral("mms://") + decodeUrl(p.readUpToText(QStringLiteral("\"")));
        }
        if (HasScheme(url))
            urls.append(url);
    }
}

void PlaylistParser::ParseAsx(const QString& text, QStringList& urls) {
    urls.clear();
    // The whole text is read first, then each <entry> element on its own.
    QString block = text;
    QtTextParse entries(text);
    for (int blocks = 0; blocks < AsxMaxBlocks && urls.size() < AsxMaxUrls; ++blocks) {
        parseAsxBlock(block, urls);
        if (!entries.movePast(QStringLiteral("<entry")))
            break;
        entries.movePast(QStringLiteral(">"));
        block = entries.readUpToText(QStringLiteral("</entry"));
        if (block.isEmpty())
            break;
    }
}

void PlaylistParser::ParseMediaSrc(const QString& text, QStringList& urls) {
    const QString key = QStringLiteral("media src=");
    urls.clear();
    if (!text.contains(key, Qt::CaseInsensitive))
        return;
    QtTextParse p(text);
    p.movePast(key);
    p.skipSpaces();
    p.skipOne(u'"');
    p.skipSpaces();
    const QString url = decodeUrl(p.readUpToText(QStringLiteral("\"")));
    if (HasScheme(url))
        urls.append(url);
}

} // namespace BASS
