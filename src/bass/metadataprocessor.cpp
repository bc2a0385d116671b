#include "bass/metadataprocessor.h"

#include "bass/metatext.h"
#include "qtext/qttextparse.h"

#include <QDebug>

namespace BASS {

using QT_EXT::QtTextParse;

QString MetaDataProcessor::FormatFor(const QString& complete) {
    if (complete.contains(QStringLiteral("&artist=")) &&
        complete.contains(QStringLiteral("&title=")) &&
        !complete.contains(QStringLiteral("StreamTitle=")))
        return QStringLiteral("<s>artist=<Artist>&<s>title=<Song>&");
    if (complete.contains(QStringLiteral("<songtitle>")) &&
        complete.contains(QStringLiteral("<artistname>")))
        return QStringLiteral("<s>songtitle><Song></songtitle><s>artistname><Artist></artistname");
    return QString();
}

void MetaDataProcessor::MatchFormat(const QString& format, const QString& text, QString& artist,
                                    QString& title) {
    static const QString kSkip = QStringLiteral("<s>");
    static const QString kArtist = QStringLiteral("<Artist>");
    static const QString kSong = QStringLiteral("<Song>");
    QtTextParse p(text);
    qsizetype i = 0;
    while (i < format.size() && !p.atEnd()) {
        const QStringView ahead = QStringView(format).mid(i);
        if (ahead.startsWith(kSkip)) {
            i += kSkip.size();
            const qsizetype next = format.indexOf(u'<', i);
            const QString literal = format.mid(i, next < 0 ? -1 : next - i);
            i += literal.size();
            if (!literal.isEmpty() && p.containsAhead(literal))
                p.movePast(literal);
        } else if (ahead.startsWith(kArtist) || ahead.startsWith(kSong)) {
            const bool isArtist = ahead.startsWith(kArtist);
            i += isArtist ? kArtist.size() : kSong.size();
            const QString value = i < format.size()
                                      ? p.readUpToText(QString(format.at(i)), Qt::CaseSensitive)
                                      : p.rest();
            if (i >= format.size())
                p.setPosition(p.position() + value.size());
            (isArtist ? artist : title) = value.trimmed();
        } else {
            const QChar c = format.at(i++);
            if (c == u' ' || c == u'\t')
                p.skipSpaces();
            else
                p.movePast(QString(c), Qt::CaseSensitive);
        }
        p.skip(QStringLiteral("\"'"));
    }
}

void MetaDataProcessor::SplitTitle(const QString& text, QString& artist, QString& title) {
    artist.clear();
    title.clear();
    if (text.contains(u'~')) {
        QtTextParse p(text);
        artist = p.readUpToText(QStringLiteral("~"));
        p.setPosition(p.position() + 1);
        title = p.readUpToText(QStringLiteral("~"));
    }
    if ((artist.isEmpty() || title.isEmpty()) && text.contains(QStringLiteral("Now On: ")) &&
        text.contains(QStringLiteral("Next: "))) {
        QtTextParse p(text);
        p.movePast(QStringLiteral("Now On: "), Qt::CaseSensitive);
        artist = p.readUpToText(QStringLiteral("-")).trimmed();
        p.setPosition(p.position() + 1);
        p.skipSpaces();
        title = p.readUpToText(QStringLiteral("-")).trimmed();
    }
    if (!artist.isEmpty() && !title.isEmpty())
        return;

    QtTextParse p(text);
    QString separator = QStringLiteral("-");
    if (text.count(u'-') > 1 && !text.contains(QStringLiteral("(*")) &&
        !text.contains(QStringLiteral(" -- "))) {
        // "Station - Artist - Title": the first part names the station, not the artist.
        if (text.count(QStringLiteral(" - ")) == 2) {
            p.movePast(QStringLiteral(" - "), Qt::CaseSensitive);
            p.skipSpaces();
        } else {
            separator = QStringLiteral(" -");
        }
    }
    const QString rest = p.rest();
    const bool hasSeparatorChar = std::any_of(separator.begin(), separator.end(),
                                              [&rest](QChar c) { return rest.contains(c); });
    if (hasSeparatorChar) {
        artist = p.readUpToText(separator, Qt::CaseSensitive);
        p.setPosition(p.position() + separator.size());
    } else {
        artist = p.rest();
        p.setPosition(p.position() + rest.size());
    }
    artist = artist.trimmed();
    p.skipSpaces();
    p.skipOne(u'-');
    p.skipSpaces();
    title = p.rest().trimmed();
}

QString MetaDataProcessor::CleanUp(const QString& text) {
    QString clean = text;
    if (clean.contains(u'%')) {
        clean = MetaText::PercentDecoded(clean);
        clean.remove(u'\\');
        static const QList<QPair<QString, QString>> entities = {
            {QStringLiteral("&amp;"), QStringLiteral("&")},
            {QStringLiteral("&quot;"), QStringLiteral("\"")},
            {QStringLiteral("&lt;"), QStringLiteral("<")},
            {QStringLiteral("&gt;"), QStringLiteral(">")},
            {QStringLiteral("&nbsp;"), QStringLiteral(" ")},
            {QStringLiteral("&apos;"), QStringLiteral("'")}};
        // A bare "&" is a leftover query separator; entities keep theirs until replaced.
        QString kept;
        for (qsizetype i = 0; i < clean.size(); ++i) {
            if (clean.at(i) == u'&') {
                const QStringView ahead = QStringView(clean).mid(i);
                const bool entity =
                    std::any_of(entities.begin(), entities.end(),
                                [&ahead](const auto& e) { return ahead.startsWith(e.first); });
                if (!entity)
                    continue;
            }
            kept.append(clean.at(i));
        }
        clean = kept;
        for (const auto& entity : entities)
            clean.replace(entity.first, entity.second);
    }
    clean.replace(u'+', u' ');
    return clean.trimmed();
}

bool MetaDataProcessor::Process(const RawTitle& raw, const QString& stationFormat, Song& current) {
    if (raw.m_complete.contains(QStringLiteral("<?xml"), Qt::CaseInsensitive))
        return false;
    QString artist;
    QString title;
    if (!raw.m_title.isEmpty()) {
        qDebug() << "ProcessMetaData called with title: " << raw.m_title;
        const QString format = stationFormat.isEmpty() ? FormatFor(raw.m_complete) : stationFormat;
        if (!format.isEmpty()) {
            const bool useTitle = raw.m_complete.contains(QStringLiteral("StreamTitle=")) &&
                                  !raw.m_title.contains(u'\'');
            MatchFormat(format, useTitle ? raw.m_title : raw.m_complete, artist, title);
            if (!current.IsEmpty() && artist == current.m_artist && title == current.m_title) {
                qDebug() << "ProcessMetaData called with the same artist and song title!\n";
                return false;
            }
        }
        if (artist.isEmpty() || title.isEmpty())
            SplitTitle(raw.m_title, artist, title);
    }
    if (artist.isEmpty() && title.isEmpty()) {
        qDebug() << "ProcessMetaData called with empty artist and song title!\n";
        return false;
    }
    if (artist.isEmpty()) {
        qDebug() << "ProcessMetaData called with empty artist!\n";
        return false;
    }
    artist = MetaText::WithoutControls(CleanUp(artist)).trimmed();
    title = MetaText::WithoutControls(CleanUp(title)).trimmed();
    const qsizetype bracket = title.indexOf(u'[');
    if (bracket >= 0)
        title.truncate(bracket);
    if (!current.IsEmpty() && current.m_artist.contains(artist) &&
        current.m_title.contains(title)) {
        qDebug() << "ProcessMetaData called with same artist and song title!\n";
        return false;
    }
    current.Clear();
    current.m_artist = artist;
    current.m_title = title;
    current.m_kind = raw.m_kind;
    current.m_time = QDateTime::currentDateTime();
    if (!raw.m_streamUrl.isEmpty())
        current.m_streamUrl = raw.m_streamUrl;
    if (!raw.m_extra.isEmpty())
        current.m_extra = raw.m_extra;
    return true;
}

} // namespace BASS
