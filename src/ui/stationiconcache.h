#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <QStringList>

namespace QT_EXT {
class QHttpExt;
}

// Station icons fetched from their addresses when a view first asks for them, kept small in the
// cache folder (and in memory) so that the next start shows them at once. A few downloads run at
// a time; the most recently asked for go first, as they are the rows on screen.
// GUI thread; owned by the view's page.
class StationIconCache : public QObject {
    Q_OBJECT
public:
    static constexpr int kIconSize = 32;
    static constexpr int kParallelDownloads = 4;
    static constexpr qint64 kMaxIconBytes = 1024 * 1024;

    // folder: where the icons are kept (created when needed).
    StationIconCache(const QString& folder, const QString& userAgent, QObject* parent = nullptr);

    // The icon of the address; null until it has been fetched (signal_IconReady follows) and for
    // addresses that give no image.
    QIcon icon(const QString& url);
    // The file an address's icon is kept in.
    QString cacheFile(const QString& url) const;

signals:
    void signal_IconReady(const QString& url);

private:
    void startDownloads();
    void downloaded(int id, bool failed);
    bool storeIcon(const QString& url, const QString& downloadFile);

    QT_EXT::QHttpExt* m_http;
    QString m_folder;
    QHash<QString, QIcon> m_icons;
    QSet<QString> m_failed;
    QStringList m_waiting;         // most recent last
    QHash<int, QString> m_running; // request id to address
};
