#include "coverart/covercache.h"

#include "coverart/coverartparsers.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QStringList ImageExtensions = {QStringLiteral("jpg"), QStringLiteral("png"),
                                     QStringLiteral("gif"), QStringLiteral("webp"),
                                     QStringLiteral("bmp")};

// The format of image bytes, or empty when they do not decode (an HTML page, a cut-off file).
QString imageExtension(const QByteArray& image) {
    QBuffer buffer;
    buffer.setData(image);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QString format = QString::fromLatin1(reader.format()).toLower();
    if (format == QLatin1String("jpeg"))
        format = QStringLiteral("jpg");
    if (!ImageExtensions.contains(format) || reader.read().isNull())
        return {};
    return format;
}

} // namespace

CoverCache::CoverCache(const QString& folder, qint64 maxBytes, int maxFiles)
    : m_folder(QDir::cleanPath(folder)), m_maxBytes(maxBytes), m_maxFiles(maxFiles) {}

QString CoverCache::FolderIn(const QString& cacheFolder) {
    return QDir(cacheFolder).filePath(QStringLiteral("covers"));
}

QString CoverCache::Key(const QString& artist, const QString& title) {
    const QString text = CoverArtParsers::NormalizeArtist(artist) + QLatin1Char('\n') +
                         title.simplified().toLower();
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString CoverCache::Find(const QString& key) const {
    for (const QString& extension : ImageExtensions) {
        const QString path = QDir(m_folder).filePath(key + QLatin1Char('.') + extension);
        QFile file(path);
        if (!file.exists())
            continue;
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
        return path;
    }
    return {};
}

QString CoverCache::Store(const QString& key, const QByteArray& image) {
    const QString extension = imageExtension(image);
    if (extension.isEmpty() || !QDir().mkpath(m_folder)) {
        qDebug() << "CoverCache::Store not stored" << key << extension;
        return {};
    }
    const QString path = QDir(m_folder).filePath(key + QLatin1Char('.') + extension);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size() || !file.commit()) {
        qDebug() << "CoverCache::Store" << path << file.errorString();
        return {};
    }
    Prune(path);
    return path;
}

qint64 CoverCache::TotalBytes() const {
    qint64 total = 0;
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files)
        total += file.size();
    return total;
}

QStringList CoverCache::Files() const {
    static const QRegularExpression stored(
        QStringLiteral("^[0-9a-f]{40}\\.(%1)$").arg(ImageExtensions.join(u'|')));
    QStringList files;
    const QFileInfoList entries = QDir(m_folder).entryInfoList(QDir::Files);
    for (const QFileInfo& entry : entries) {
        if (stored.match(entry.fileName()).hasMatch())
            files << entry.absoluteFilePath();
    }
    return files;
}

void CoverCache::Prune(const QString& keep) {
    QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    qint64 total = 0;
    for (const QFileInfo& file : std::as_const(files))
        total += file.size();
    qsizetype count = files.size();
    for (const QFileInfo& file : std::as_const(files)) {
        if (total <= m_maxBytes && count <= m_maxFiles)
            break;
        if (file.absoluteFilePath() == QFileInfo(keep).absoluteFilePath())
            continue;
        if (QFile::remove(file.absoluteFilePath())) {
            total -= file.size();
            --count;
        }
    }
}
