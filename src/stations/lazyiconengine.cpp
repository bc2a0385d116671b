#include "stations/lazyiconengine.h"

#include <QFile>

QIcon LazyIconEngine::icon(const QString& path) {
    if (!QFile::exists(path))
        return QIcon();
    return QIcon(new LazyIconEngine(path));
}

LazyIconEngine::LazyIconEngine(const QString& path) : m_path(path) {}

const QIcon& LazyIconEngine::loaded() {
    if (!m_loaded) {
        m_icon = QIcon(m_path);
        m_loaded = true;
    }
    return m_icon;
}

void LazyIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                           QIcon::State state) {
    loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap LazyIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return loaded().pixmap(size, mode, state);
}

QPixmap LazyIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                     qreal scale) {
    return loaded().pixmap(size, scale, mode, state);
}

QSize LazyIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return loaded().actualSize(size, mode, state);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    return loaded().availableSizes(mode, state);
}

bool LazyIconEngine::isNull() {
    return false;
}

QString LazyIconEngine::key() const {
    return QStringLiteral("LazyIconEngine");
}

QIconEngine* LazyIconEngine::clone() const {
    auto* copy = new LazyIconEngine(m_path);
    copy->m_icon = m_icon;
    copy->m_loaded = m_loaded;
    return copy;
}
