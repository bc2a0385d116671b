#include "stations/preset.h"

#include "stations/group.h"

#include <algorithm>

void Preset::addSource(const QString& text) {
    const QChar separator = text.contains(QLatin1Char('\n')) ? QLatin1Char('\n') : QLatin1Char(',');
    // Most stations have one address per text: it is then kept as it is, without a copy.
    if (!text.contains(separator)) {
        addSourcePart(text);
    } else {
        for (const QString& part : text.split(separator))
            addSourcePart(part);
    }
    if (!sources.isEmpty())
        firstUrl = sources.first();
}

void Preset::addSourcePart(const QString& part) {
    // The presence test uses the untrimmed part, so " a" and "a" are not taken as the same.
    if (!part.isEmpty() && !sources.contains(part))
        sources << part.trimmed();
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

template <typename Visit> void Preset::forEachKeySource(Visit visit) const {
    visit(firstUrl);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString& source = sources.at(i);
        const auto earlier = sources.cbegin() + i;
        const bool seen =
            source == firstUrl || std::find(sources.cbegin(), earlier, source) != earlier;
        if (!seen && !(playlistUrls && playlistUrls->contains(source)))
            visit(source);
    }
}

QString Preset::joinedSources(QChar separator) const {
    QStringList out;
    forEachKeySource([&out](const QString& source) { out << source; });
    return out.join(separator);
}

void Preset::computeId(bool personalKey) {
    // The hash of the key text, fed piece by piece: building the text would cost a list, a join
    // and a conversion for each of the many thousand stations of a directory.
    KeyHasher hasher;
    if (personalKey) {
        hasher.add(title);
        hasher.add(groupNameText());
    }
    bool first = true;
    forEachKeySource([&hasher, &first](const QString& source) {
        if (!first)
            hasher.add(QStringView(u"\n"));
        first = false;
        hasher.add(source);
    });
    id = QString::number(hasher.value());
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
    KeyHasher hasher;
    hasher.addBytes(bytes);
    return hasher.value();
}

void Preset::KeyHasher::addByte(uchar c) {
    // The byte-array hash of the Qt releases the keys were first made with. Qt 6's qHash is 64 bit
    // and depends on the processor, which would change every key from one machine to the next.
    m_hash = (m_hash << 4) + c;
    m_hash ^= (m_hash & 0xf0000000u) >> 23;
    m_hash &= 0x0fffffffu;
}

void Preset::KeyHasher::addBytes(QByteArrayView bytes) {
    for (const char c : bytes)
        addByte(static_cast<uchar>(c));
}

void Preset::KeyHasher::add(QStringView text) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        addBytes(text.toUtf8());
        return;
    }
    // ASCII is its own UTF-8.
    for (const QChar c : text)
        addByte(static_cast<uchar>(c.unicode()));
}
