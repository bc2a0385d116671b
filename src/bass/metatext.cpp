#include "bass/metatext.h"

#include "qtext/qttextparse.h"

#include <QStringDecoder>
#include <QUrl>

namespace BASS {

using QT_EXT::QtTextParse;

namespace {

struct CountryCodePage {
    QStringList countries;
    const char* codePage;
};

// Checked in order; the first group with a country named in the station's country wins.
// Arabic-speaking countries use the Windows Arabic code page, which their older Windows
// broadcasting software writes.
const QList<CountryCodePage>& codePageTable() {
    static const QList<CountryCodePage> table = {
        {{"Bulgaria", "Russia", "Belarus", "Serbia", "Macedonia", "Ukraine"}, "Windows-1251"},
        {{"Albania", "Croatia", "Czech", "Hungary", "Poland", "Romania", "Slovakia", "Slovenia"},
         "Windows-1250"},
        {{"Greece"}, "Windows-1253"},
        {{"Arabia", "Libya", "Egypt", "Iran", "Iraq", "Jordan"}, "Windows-1256"},
        {{"Turkey"}, "Windows-1254"},
        {{"Vietnam"}, "Windows-1258"},
        {{"Thailand"}, ""},
        {{"Estonia", "Latvia", "Lithuania"}, "Windows-1257"},
        {{"Japan"}, "Shift-JIS"},
        {{"Korea"}, "EUC-KR"},
        {{"China", "Hong Kong", "Taiwan"}, "big5"},
    };
    return table;
}

// Stands in for the locale code page of a western desktop: on Linux the locale is UTF-8, which
// cannot be what bytes that failed UTF-8 decoding were written in.
const char* const kFallbackCodePage = "windows-1252";

QString decodeWith(const char* codePage, const QByteArray& bytes) {
    QStringDecoder decoder(codePage);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder(bytes);
}

// Splits "key=value" into a trimmed key and the value after "=" and its following spaces.
void splitKeyValue(const QString& item, QString& key, QString& value) {
    QtTextParse p(item);
    key = p.readUpToText(QStringLiteral("=")).trimmed();
    p.setPosition(p.position() + 1);
    p.skipSpaces();
    value = p.rest();
}

QString valueAfter(const QString& text, const QString& key, const QString& endChars) {
    QtTextParse p(text);
    if (!p.movePast(key))
        return QString();
    return p.readUpTo(endChars);
}

QString joinArtistTitle(const QString& artist, const QString& title) {
    if (artist.isEmpty())
        return title;
    if (title.isEmpty())
        return artist;
    return artist + QStringLiteral(" - ") + title;
}

} // namespace

QString MetaText::CodePageForCountry(const QString& country) {
    if (country.isEmpty())
        return QString();
    for (const CountryCodePage& group : codePageTable()) {
        for (const QString& name : group.countries) {
            if (country.contains(name))
                return QString::fromLatin1(group.codePage);
        }
    }
    return QString();
}

QString MetaText::Decode(const QByteArray& bytes, const QString& country) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    const QString codePage = CodePageForCountry(country);
    if (codePage.isEmpty())
        return decodeWith(kFallbackCodePage, bytes);
    return decodeWith(codePage.toLatin1().constData(), bytes);
}

QList<QByteArray> MetaText::SplitTagList(const char* tags) {
    QList<QByteArray> list;
    if (!tags)
        return list;
    while (*tags) {
        const QByteArray item(tags);
        list.append(item);
        tags += item.size() + 1;
    }
    return list;
}

QString MetaText::PercentDecoded(const QString& text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}

QString MetaText::WithoutControls(const QString& text) {
    QString clean = text;
    for (QChar& c : clean) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return clean;
}

bool MetaText::ParseShoutcast(const QString& text, RawTitle& raw) {
    QtTextParse p(text);
    if (!p.movePast(QStringLiteral("StreamTitle=")))
        return false;
    p.skipOne(u'\'');
    QString title;
    // The value ends at "';": a title may itself contain apostrophes ("Could've Been").
    if (p.containsAhead(QStringLiteral("';"))) {
        title = p.readUpToText(QStringLiteral("';"));
        p.setPosition(p.position() + 2);
    } else {
        title = p.readUpToText(QStringLiteral(";"));
        if (title.endsWith(u'\''))
            title.chop(1);
        p.skipOne(u';');
    }
    raw.m_title = WithoutControls(title);
    if (p.movePast(QStringLiteral("StreamURL="))) {
        p.skipOne(u'\'');
        raw.m_streamUrl = p.readUpTo(QStringLiteral("';"));
    }
    raw.m_complete = text;
    return true;
}

bool MetaText::ParseWindowsMedia(const QString& text, RawTitle& raw) {
    if (text.trimmed().isEmpty())
        return false;
    const Qt::CaseSensitivity ci = Qt::CaseInsensitive;
    QString title;
    if (text.contains(QStringLiteral("CAPTION :"), ci) ||
        text.contains(QStringLiteral("CAPTION="), ci)) {
        QtTextParse p(text);
        p.movePast(QStringLiteral("CAPTION"));
        p.skip(QStringLiteral(" "));
        if (!p.skipOne(u'='))
            p.skipOne(u':');
        p.skip(QStringLiteral(" "));
        title = p.readUpTo(QStringLiteral("(\r\n"));
    } else if ((text.startsWith(QStringLiteral("data :"), ci) ||
                text.startsWith(QStringLiteral("data="), ci)) &&
               (text.contains(QStringLiteral("artist="), ci) ||
                text.contains(QStringLiteral("title="), ci))) {
        const QString artist = valueAfter(text, QStringLiteral("artist="), QStringLiteral("&"));
        const QString song = valueAfter(text, QStringLiteral("title="), QStringLiteral("&"));
        raw.m_kind = valueAfter(text, QStringLiteral("duration="), QStringLiteral("&")).toInt();
        raw.m_artist = artist;
        title = joinArtistTitle(artist, song);
    } else if (text.startsWith(QStringLiteral("TUNER="), ci)) {
        title = text.mid(6);
    } else if (text.startsWith(QStringLiteral("XML="), ci)) {
        // A document for players that render it; it names no song.
    } else if (text.startsWith(QStringLiteral("igimptext :"), ci)) {
        QtTextParse p(text);
        p.setPosition(p.position() + 11);
        p.skipSpaces();
        title = p.rest();
    } else if (text.startsWith(QStringLiteral("text :"), ci)) {
        QtTextParse p(text);
        p.setPosition(p.position() + 6);
        p.skipSpaces();
        title = p.readUpToText(QStringLiteral("&"));
    } else if (text.contains(QStringLiteral("currentArtist="), ci) &&
               text.contains(QStringLiteral("currentSong="), ci)) {
        title =
            joinArtistTitle(valueAfter(text, QStringLiteral("currentArtist="), QStringLiteral("&")),
                            valueAfter(text, QStringLiteral("currentSong="), QStringLiteral("&")));
    } else if (text.startsWith(QStringLiteral("http://"), ci) ||
               text.startsWith(QStringLiteral("https://"), ci)) {
        // A script command that opens a web page; it names no song.
    } else {
        QtTextParse p(text);
        if (p.moveToAnyOf(QStringLiteral(":="))) {
            p.setPosition(p.position() + 1);
            p.skipSpaces();
            title = p.rest();
        } else {
            title = text;
        }
    }
    if (text.contains(QStringLiteral("XML:"), ci) || text.contains(u'%'))
        title = PercentDecoded(title);
    raw.m_title = WithoutControls(title).trimmed();
    raw.m_complete = text;
    return true;
}

void MetaText::ParseOggComments(const QList<QByteArray>& comments, const QString& country,
                                RawTitle& raw) {
    QString artist;
    QString title;
    for (const QByteArray& bytes : comments) {
        const QString item = Decode(bytes, country);
        raw.m_complete += item + u'\n';
        QString key;
        QString value;
        splitKeyValue(item, key, value);
        if (key.compare(QStringLiteral("TITLE"), Qt::CaseInsensitive) == 0) {
            if (value.contains(QStringLiteral("::"))) {
                QtTextParse p(value);
                title = p.readUpTo(QStringLiteral(":\n")).trimmed();
            } else {
                title = value;
            }
        } else if (key.compare(QStringLiteral("ARTIST"), Qt::CaseInsensitive) == 0) {
            artist = value;
        }
    }
    raw.m_artist = WithoutControls(artist);
    raw.m_title = WithoutControls(joinArtistTitle(artist, title));
}

QString MetaText::OggTitle(const QList<QByteArray>& comments, const QString& country) {
    for (const QByteArray& bytes : comments) {
        QString key;
        QString value;
        splitKeyValue(Decode(bytes, country), key, value);
        if (key.compare(QStringLiteral("TITLE"), Qt::CaseInsensitive) == 0)
            return value;
    }
    return QString();
}

void MetaText::ParseHeaderLines(const QList<QByteArray>& lines, const QString& country,
                                HeaderTags& tags) {
    QStringList decoded;
    for (const QByteArray& bytes : lines) {
        const QString line = Decode(bytes, country);
        decoded.append(line);
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        QString key = line.left(colon).trimmed().toLower();
        const QString value = line.mid(colon + 1).trimmed();
        if (key.startsWith(QStringLiteral("ice-")))
            key.replace(0, 4, QStringLiteral("icy-"));
        if (key == QStringLiteral("icy-name")) {
            tags.m_name = value;
            tags.m_name2 = value;
        } else if (key == QStringLiteral("icy-genre")) {
            tags.m_genre = value;
        } else if (key == QStringLiteral("icy-url")) {
            tags.m_url = value;
        } else if (key == QStringLiteral("icy-audio-info")) {
            const QString bitrate =
                valueAfter(value, QStringLiteral("bitrate="), QStringLiteral(";"));
            if (!bitrate.isEmpty())
                tags.m_bitrate = bitrate;
        } else if (key == QStringLiteral("icy-br")) {
            tags.m_bitrate = value;
        }
    }
    tags.m_raw = decoded.join(u'\n');
}

void MetaText::ParseWmaHeader(const QList<QByteArray>& values, const QString& country,
                              HeaderTags& tags) {
    QStringList decoded;
    QString bitrate;
    QString currentBitrate;
    for (const QByteArray& bytes : values) {
        const QString item = Decode(bytes, country);
        decoded.append(item);
        QString key;
        QString value;
        splitKeyValue(item, key, value);
        const QString lower = key.toLower();
        if (lower == QStringLiteral("wma_duration"))
            tags.m_duration = value;
        else if (lower == QStringLiteral("bitrate"))
            bitrate = value;
        else if (lower == QStringLiteral("currentbitrate"))
            currentBitrate = value;
        else if (lower == QStringLiteral("wm/genre"))
            tags.m_genre = value;
        else if (lower == QStringLiteral("copyright"))
            tags.m_copyright = value;
        else if (lower == QStringLiteral("title")) {
            tags.m_title = value;
            tags.m_name = value;
        } else if (lower == QStringLiteral("author"))
            tags.m_author = value;
        else if (lower == QStringLiteral("seekable"))
            tags.m_seekable = value;
        else if (lower == QStringLiteral("stridable"))
            tags.m_stridable = value;
        else if (lower == QStringLiteral("broadcast"))
            tags.m_broadcast = value;
        else if (lower == QStringLiteral("is_protected"))
            tags.m_protected = value;
        else if (lower == QStringLiteral("is_trusted"))
            tags.m_trusted = value;
    }
    // Bits per second; the current rate wins when the stream reports one.
    if (!bitrate.isEmpty())
        tags.m_bitrate = bitrate;
    if (!currentBitrate.isEmpty())
        tags.m_bitrate = currentBitrate;
    tags.m_raw = decoded.join(u'\n');
}

} // namespace BASS
