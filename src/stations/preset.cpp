#include "stations/preset.h"

#include "stations/group.h"

void Preset::addSource(const QString& text) {
    QStringList parts;
    if (text.contains(QLatin1Char('\n')))
        parts = text.split(QLatin1Char('\n'));
    else if (text.contains(QLatin1Char(',')))
        parts = text.split(QLatin1Char(','));
    else
        parts << text;

    for (const QString& part : std::as_const(parts)) {
        // The presence test uses the untrimmed part, so " a" and "a" are not taken as the same.
        if (!part.isEmpty() && !sources.contains(part))
            sources << part.trimmed();
    }
    if (!sources.isEmpty())
        firstUrl = sources.first();
}

void Preset::addPlaylistUrl(const QString& url) {
    if (!url.contains(QLatin1String("://")))
        return;
    if (!playlistUrls)
        playlistUrls.emplace();
    if (!playlistUrls->contains(url))
        playlistUrls->append(url);
    if (playlistUrls->size() == 1)
        firstUrl = playlistUrls->first();
}

QString Preset::joinedSources(QChar separator) const {
    QStringList out{firstUrl};
    for (const QString& s : sources) {
        if (out.contains(s))
            continue;
        if (playlistUrls && playlistUrls->contains(s))
            continue;
        out << s;
    }
    return out.join(separator);
}

void Preset::computeId(bool personalKey) {
    QString s;
    if (personalKey)
        s = title + groupNameText();
    s += joinedSources(QLatin1Char('\n'));
    id = QString::number(keyHash(s.toUtf8()));
}

void Preset::setGroup(Group* g) {
    group = g;
    if (g)
        ++g->stationCount;
}

bool Preset::isOnLastPlaylistUrl() const {
    return !playlistUrls || playlistUrls->isEmpty() || playlistIndex == playlistUrls->size() - 1;
}

bool Preset::isOnLastSource() const {
    return sources.isEmpty() || sourceIndex == sources.size() - 1;
}

uint Preset::keyHash(const QByteArray& bytes) {
    // The byte-array hash of the Qt releases the keys were first made with. Qt 6's qHash is 64 bit
    // and depends on the processor, which would change every key from one machine to the next.
    uint h = 0;
    for (const char c : bytes) {
        h = (h << 4) + static_cast<uchar>(c);
        h ^= (h & 0xf0000000u) >> 23;
        h &= 0x0fffffffu;
    }
    return h;
}
