#include "coverart/coverartparsers.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Reads the text of the current element, or nothing when the XML breaks off inside it.
QString elementText(QXmlStreamReader& xml) {
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

// A service's "no image" placeholder is no cover.
bool usableImage(const QString& url) {
    return !url.isEmpty() && !url.contains(QLatin1String("noimage"), Qt::CaseInsensitive);
}

QJsonObject jsonObject(const QByteArray& answer) {
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    return document.isObject() ? document.object() : QJsonObject();
}

QString stringOf(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString().trimmed();
}

// One "Item" of the store's answer; false when it has no detail page.
bool readStoreItem(QXmlStreamReader& xml, AlbumInfo& info) {
    AlbumInfo item;
    int disc = -1;
    QString imageKind;
    while (xml.readNextStartElement() || (xml.isEndElement() && xml.name() != u"Item")) {
        if (xml.isEndElement()) {
            if (xml.name() == u"SmallImage" || xml.name() == u"MediumImage" ||
                xml.name() == u"LargeImage")
                imageKind.clear();
            continue;
        }
        const auto name = xml.name();
        if (name == u"DetailPageURL") {
            item.m_detailPageUrl = elementText(xml);
        } else if (name == u"SmallImage" || name == u"MediumImage" || name == u"LargeImage") {
            imageKind = name.toString();
        } else if (name == u"URL" && !imageKind.isEmpty()) {
            const QString url = elementText(xml);
            QString& target = imageKind == u"SmallImage"    ? item.m_smallImageUrl
                              : imageKind == u"MediumImage" ? item.m_mediumImageUrl
                                                            : item.m_largeImageUrl;
            if (target.isEmpty() && usableImage(url))
                target = url;
        } else if (name == u"Artist" && item.m_artist.isEmpty()) {
            item.m_artist = elementText(xml);
        } else if (name == u"Title" && item.m_album.isEmpty()) {
            item.m_album = elementText(xml);
        } else if (name == u"ReleaseDate") {
            item.m_releaseDate = elementText(xml);
        } else if (name == u"FormattedPrice" && item.m_price.isEmpty()) {
            item.m_price = elementText(xml);
        } else if (name == u"Disc") {
            disc = xml.attributes().value(QLatin1String("Number")).toInt() - 1;
        } else if (name == u"Track") {
            const int number = xml.attributes().value(QLatin1String("Number")).toInt() - 1;
            item.SetTrack(disc, number, elementText(xml));
        }
    }
    if (item.m_detailPageUrl.isEmpty())
        return false;
    info = item;
    return true;
}

void addRelease(QList<CoverArtParsers::Release>& releases, const QJsonObject& release) {
    const QString id = stringOf(release, "id");
    if (id.isEmpty())
        return;
    for (const CoverArtParsers::Release& known : releases)
        if (known.id == id)
            return;
    releases.append({id, stringOf(release, "title"), stringOf(release, "date")});
}

QString creditedArtist(const QJsonObject& recording) {
    QString artist;
    const QJsonArray credits = recording.value(QLatin1String("artist-credit")).toArray();
    for (const QJsonValue& credit : credits) {
        const QJsonObject object = credit.toObject();
        artist += object.value(QLatin1String("name")).toString() +
                  object.value(QLatin1String("joinphrase")).toString();
    }
    return artist;
}

bool isAlbum(const QJsonObject& release) {
    const QJsonObject group = release.value(QLatin1String("release-group")).toObject();
    return group.value(QLatin1String("primary-type")).toString() == QLatin1String("Album") &&
           group.value(QLatin1String("secondary-types")).toArray().isEmpty();
}

} // namespace

QString CoverArtParsers::NormalizeArtist(const QString& artist) {
    QString text = artist.toLower();
    text.remove(QLatin1Char(',')).remove(QLatin1Char('.')).remove(QLatin1Char('\''));
    text.replace(QLatin1Char('-'), QLatin1Char(' '));
    // "&" becomes "and" before the small words go, so that both spellings end up alike; the
    // padding lets a leading "The" go too.
    text = QLatin1Char(' ') + text.replace(QStringLiteral(" & "), QStringLiteral(" and ")) +
           QLatin1Char(' ');
    for (const char* word : {" the ", " and ", " with "}) {
        while (text.contains(QLatin1String(word)))
            text.replace(QLatin1String(word), QStringLiteral(" "));
    }
    return text.simplified();
}

bool CoverArtParsers::SameArtist(const QString& a, const QString& b) {
    return NormalizeArtist(a) == NormalizeArtist(b);
}

bool CoverArtParsers::ParseAmazonService(const QByteArray& answer, AlbumInfo& info) {
    qDebug() << "CoverArtParsers::ParseAmazonService start";
    QXmlStreamReader xml(answer);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Item")
            continue;
        if (readStoreItem(xml, info)) {
            qDebug() << "CoverArtParsers::ParseAmazonService end" << info.BestImageUrl();
            return !info.BestImageUrl().isEmpty();
        }
    }
    qDebug() << "CoverArtParsers::ParseAmazonService failed" << xml.errorString();
    return false;
}

bool CoverArtParsers::ParseStarlingcast(const QByteArray& answer, const QString& artist,
                                        AlbumInfo& info) {
    qDebug() << "CoverArtParsers::ParseStarlingcast start";
    QXmlStreamReader xml(answer);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"album")
            continue;
        AlbumInfo album;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"artist")
                album.m_artist = elementText(xml);
            else if (xml.name() == u"title")
                album.m_album = elementText(xml);
            else if (xml.name() == u"image")
                album.m_largeImageUrl = elementText(xml);
            else
                xml.skipCurrentElement();
        }
        if (!SameArtist(album.m_artist, artist)) {
            qDebug().noquote() << "ParseStarlingcast - Skipping Artist " + album.m_artist;
            continue;
        }
        if (usableImage(album.m_largeImageUrl)) {
            info = album;
            qDebug() << "CoverArtParsers::ParseStarlingcast end" << info.m_largeImageUrl;
            return true;
        }
    }
    qDebug() << "CoverArtParsers::ParseStarlingcast failed" << xml.errorString();
    return false;
}

bool CoverArtParsers::ParseLastFMImages(const QByteArray& answer, const QString& artist,
                                        AlbumInfo& info) {
    qDebug() << "CoverArtParsers::ParseLastFMImages start";
    QXmlStreamReader xml(answer);
    while (!xml.atEnd() &&
           !(xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"album")) {
    }
    if (xml.atEnd()) {
        qDebug() << "ParseLastFM - no album details found!";
        return false;
    }
    AlbumInfo album;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == u"artist") {
            album.m_artist = elementText(xml);
        } else if (name == u"title") {
            album.m_album = elementText(xml);
        } else if (name == u"mbid") {
            album.m_mbid = elementText(xml);
        } else if (name == u"url") {
            album.m_detailPageUrl = elementText(xml);
        } else if (name == u"image") {
            const QString size = xml.attributes().value(QLatin1String("size")).toString();
            const QString url = elementText(xml);
            if (!usableImage(url))
                continue;
            if (size == u"small")
                album.m_smallImageUrl = url;
            else if (size == u"medium")
                album.m_mediumImageUrl = url;
            else if (size == u"extralarge")
                album.m_largeImageUrl = url;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError() && !xml.isEndElement()) {
        qDebug() << "CoverArtParsers::ParseLastFMImages failed" << xml.errorString();
        return false;
    }
    if (!SameArtist(album.m_artist, artist)) {
        qDebug().noquote() << "ParseLastFM - wrong artist! " + album.m_artist;
        return false;
    }
    info = album;
    qDebug() << "CoverArtParsers::ParseLastFMImages end" << info.BestImageUrl();
    return !info.BestImageUrl().isEmpty();
}

bool CoverArtParsers::ParseGoogleImages(const QByteArray& answer, AlbumInfo& info) {
    qDebug() << "CoverArtParsers::ParseGoogleImages start";
    const QJsonArray results = jsonObject(answer)
                                   .value(QLatin1String("responseData"))
                                   .toObject()
                                   .value(QLatin1String("results"))
                                   .toArray();
    for (const QJsonValue& value : results) {
        const QJsonObject result = value.toObject();
        if (!result.contains(QLatin1String("GsearchResultClass")))
            continue;
        QString url = stringOf(result, "unescapedUrl");
        if (url.isEmpty())
            url = stringOf(result, "url");
        if (!usableImage(url))
            continue;
        info.Clear();
        info.m_largeImageUrl = url;
        info.m_detailPageUrl = stringOf(result, "originalContextUrl");
        qDebug() << "CoverArtParsers::ParseGoogleImages end" << url;
        return true;
    }
    qDebug() << "CoverArtParsers::ParseGoogleImages failed";
    return false;
}

bool CoverArtParsers::ParseCustomImages(const QByteArray& answer, AlbumInfo& info,
                                        const QString& requireArtist) {
    qDebug() << "CoverArtParsers::ParseCustomImages start";
    const QJsonArray results = jsonObject(answer).value(QLatin1String("results")).toArray();
    for (const QJsonValue& value : results) {
        const QJsonObject result = value.toObject();
        const QString artist = stringOf(result, "artistName");
        if (!requireArtist.isEmpty() && !SameArtist(artist, requireArtist))
            continue;
        QString image;
        for (const char* key : {"artworkUrl170", "artworkUrl100", "artworkUrl60"}) {
            image = stringOf(result, key);
            if (usableImage(image))
                break;
            image.clear();
        }
        if (image.isEmpty())
            continue;
        info.Clear();
        info.m_largeImageUrl = image;
        info.m_artist = artist;
        info.m_album = stringOf(result, "collectionCensoredName");
        info.m_detailPageUrl = stringOf(result, "trackViewUrl");
        info.m_previewUrl = stringOf(result, "previewUrl");
        info.m_genre = stringOf(result, "primaryGenreName");
        info.m_releaseDate = stringOf(result, "releaseDate");
        qDebug() << "CoverArtParsers::ParseCustomImages end" << image;
        return true;
    }
    qDebug() << "CoverArtParsers::ParseCustomImages failed";
    return false;
}

QList<CoverArtParsers::Release> CoverArtParsers::ParseMusicBrainzRecordings(
    const QByteArray& answer, const QString& artist, bool* ok) {
    qDebug() << "CoverArtParsers::ParseMusicBrainzRecordings start";
    const QJsonObject root = jsonObject(answer);
    *ok = root.value(QLatin1String("recordings")).isArray();
    QList<Release> albums;
    QList<Release> others;
    const QJsonArray recordings = root.value(QLatin1String("recordings")).toArray();
    for (const QJsonValue& value : recordings) {
        const QJsonObject recording = value.toObject();
        if (!SameArtist(creditedArtist(recording), artist))
            continue;
        const QJsonArray releases = recording.value(QLatin1String("releases")).toArray();
        for (const QJsonValue& release : releases)
            addRelease(isAlbum(release.toObject()) ? albums : others, release.toObject());
    }
    for (const Release& release : std::as_const(others))
        if (std::none_of(albums.cbegin(), albums.cend(),
                         [&](const Release& known) { return known.id == release.id; }))
            albums.append(release);
    qDebug() << "CoverArtParsers::ParseMusicBrainzRecordings end" << albums.size();
    return albums;
}
