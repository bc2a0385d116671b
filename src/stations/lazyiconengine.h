#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QString>

// An icon that reads its image file only when it is first drawn or measured. The directory makes
// a flag icon for every country and a station icon at start; made this way they cost neither
// image reading nor Qt's search of its icon plug-ins before the window is on screen.
// GUI thread; owned by the QIcon made from it.
class LazyIconEngine : public QIconEngine {
public:
    // The icon of the image at path (a file or a resource); a null icon when there is none.
    static QIcon icon(const QString& path);

    explicit LazyIconEngine(const QString& path);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    // Only made for files that exist, so never null; answering does not read the file.
    bool isNull() override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    const QIcon& loaded();

    QString m_path;
    QIcon m_icon; // read from m_path on first use
    bool m_loaded = false;
};
