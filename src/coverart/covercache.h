#pragma once

// The folder of downloaded covers ($XDG_CACHE_HOME/Quillowave/covers): one image file per song,
// named by a hash of its normalised artist and title, so that a song heard again shows its cover
// at once and desktop widgets can read it by its file address. Bounded: after each store the
// least recently used files go until the folder is within its size and file limits.
// GUI thread; owned by the cover-art lookup.

#include <QByteArray>
#include <QString>
#include <QStringList>

class CoverCache {
public:
    static constexpr qint64 DefaultMaxBytes = 20 * 1024 * 1024;
    static constexpr int DefaultMaxFiles = 400;

    explicit CoverCache(const QString& folder, qint64 maxBytes = DefaultMaxBytes,
                        int maxFiles = DefaultMaxFiles);

    // The cache folder below a user's cache folder.
    static QString FolderIn(const QString& cacheFolder);
    static QString Key(const QString& artist, const QString& title);

    QString Folder() const { return m_folder; }
    // The stored cover of the key, or empty; a hit counts as a use.
    QString Find(const QString& key) const;
    // Stores an image (the bytes must decode as one); returns its file or empty on failure.
    QString Store(const QString& key, const QByteArray& image);
    // The size of all files in the folder.
    qint64 TotalBytes() const;
    // The covers stored in the folder: the files named as this cache names them, nothing else.
    QStringList Files() const;

private:
    void Prune(const QString& keep);

    QString m_folder;
    qint64 m_maxBytes;
    int m_maxFiles;
};
