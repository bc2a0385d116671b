#include "stations/qtcompressed.h"

#include <QtEndian>

QByteArray uncompressQtBytes(const QByteArray& compressed) {
    if (compressed.size() < 4)
        return QByteArray();
    // qUncompress reserves the size the first four bytes claim: a few hostile bytes would make
    // it reserve gigabytes.
    const quint32 claimed = qFromBigEndian<quint32>(compressed.constData());
    if (claimed > quint64(compressed.size() - 4) * kMaxInflateRatio)
        return QByteArray();
    return qUncompress(compressed);
}
