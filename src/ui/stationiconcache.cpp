#include "ui/stationiconcache.h"

#include "qtext/qhttpext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

using QT_EXT::QHttpExt;

StationIconCache::StationIconCache(const QString& folder, const QString& userAgent, QObject* parent)
    : QObject(parent), m_http(new QHttpExt(this)), m_folder(folder) {
    m_http->setDefaultUserAgent(userAgent);
    connect(m_http, &QHttpExt::sig_Finished, this,
            [this](const QHttpExt::httpInfo* info) { downloaded(info->id, info->error); });
}

QString StationIconCache::cacheFile(const QString& url) const {
    return m_folder + QLatin1Char('/') +
           QString::fromLatin1(
               QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".png");
}

QIcon StationIconCache::icon(const QString& url) {
    if (url.isEmpty() || m_failed.contains(url))
        return {};
    const auto known = m_icons.constFind(url);
    if (known != m_icons.constEnd())
        return known.value();
    const QString file = cacheFile(url);
    if (QFile::exists(file)) {
        const QIcon cached{QPixmap(file)};
        m_icons.insert(url, cached);
        return cached;
    }
    m_waiting.removeOne(url);
    m_waiting.append(url);
    startDownloads();
    return {};
}

void StationIconCache::startDownloads() {
    while (m_running.size() < kParallelDownloads && !m_waiting.isEmpty()) {
        const QString url = m_waiting.takeLast();
        if (std::find(m_running.cbegin(), m_running.cend(), url) != m_running.cend())
            continue;
        QDir().mkpath(m_folder);
        const int id = m_http->download(url, cacheFile(url) + QStringLiteral(".part"), false, true);
        if (id == 0)
            m_failed.insert(url);
        else
            m_running.insert(id, url);
    }
}

void StationIconCache::downloaded(int id, bool failed) {
    const QString url = m_running.take(id);
    if (url.isEmpty())
        return;
    const QString part = cacheFile(url) + QStringLiteral(".part");
    if (!failed && storeIcon(url, part))
        emit signal_IconReady(url);
    else
        m_failed.insert(url); // asked again at the next start
    QFile::remove(part);
    startDownloads();
}

bool StationIconCache::storeIcon(const QString& url, const QString& downloadFile) {
    // An icon address may give a web page or a photograph of many megabytes: only small images
    // are kept, scaled to the size shown.
    if (QFileInfo(downloadFile).size() > kMaxIconBytes)
        return false;
    QImageReader reader(downloadFile);
    QImage image = reader.read();
    if (image.isNull())
        return false;
    image = image.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!image.save(cacheFile(url), "PNG"))
        return false;
    m_icons.insert(url, QIcon(QPixmap::fromImage(image)));
    return true;
}
