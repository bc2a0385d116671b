#pragma once

#include <QIcon>
#include <QString>
#include <QByteArrayView>
#include <QStringList>
#include <QStringView>
#include <optional>

class Group;

// One station of the directory, the favourites or the history: a plain copyable value.
// GUI thread. Owned by its RadioStations container (allPresets) or by whoever holds a copy.
class Preset {
public:
    QString title;
    QString language;
    QString genre;
    QString country;
    QString state;
    QString city;
    QString comment;
    QString website;
    QString id;
    std::optional<QString> groupName;
    QString firstUrl;
    QStringList sources;
    std::optional<QStringList> playlistUrls;
    Group* group = nullptr;
    const QIcon* flagIcon = nullptr;
    bool personal = false;
    int playlistIndex = 0;
    int sourceIndex = 0;
    int splitDelay = 0;
    int keyPadNum = 0;

    // Marks the main window sets while connecting; never written to a file.
    bool userMade = false;
    bool stoppedByUser = false;
    bool recordWhenConnected = false;

    void addSource(const QString& text);
    void addPlaylistUrl(const QString& url);
    QString joinedSources(QChar separator) const;
    void computeId(bool personalKey);
    bool isValid() const { return !id.isEmpty(); }
    void setGroup(Group* g);

    QString groupNameText() const { return groupName.value_or(QString()); }
    bool isOnLastPlaylistUrl() const;
    bool isOnLastSource() const;

    // The 32-bit key hash; stable across Qt versions and machines.
    static uint keyHash(const QByteArray& bytes);

private:
    // The key hash of text given in pieces, as if of their UTF-8 joined together.
    class KeyHasher {
    public:
        void addBytes(QByteArrayView bytes);
        void add(QStringView text);
        uint value() const { return m_hash; }

    private:
        void addByte(uchar c);
        uint m_hash = 0;
    };

    void addSourcePart(const QString& part);
    // Calls visit with the first address, then each further address once, leaving out a
    // playlist's own: the addresses the key and the joined text are made of.
    template <typename Visit> void forEachKeySource(Visit visit) const;
};
