#include "app/statuscounters.h"

namespace {

QString twoDigits(qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString StatusCounters::elapsedText(qint64 seconds) {
    const qint64 s = qMax<qint64>(0, seconds);
    if (s < 3600)
        return QStringLiteral("%1:%2").arg(twoDigits(s / 60), twoDigits(s % 60));
    return QStringLiteral("%1:%2:%3")
        .arg(twoDigits(s / 3600), twoDigits((s % 3600) / 60), twoDigits(s % 60));
}

QString StatusCounters::byteText(quint64 bytes) {
    constexpr quint64 kb = 1024;
    constexpr quint64 mb = kb * 1024;
    constexpr quint64 gb = mb * 1024;
    constexpr quint64 tb = gb * 1024;
    if (bytes < kb)
        return QStringLiteral("%1").arg(bytes);
    if (bytes < mb)
        return QStringLiteral("%1 %2").arg(bytes / kb).arg(tr("kb"));
    if (bytes < gb)
        return QStringLiteral("%1 %2").arg(double(bytes) / double(mb), 0, 'f', 1).arg(tr("mb"));
    if (bytes < tb)
        return QStringLiteral("%1 %2").arg(double(bytes) / double(gb), 0, 'f', 2).arg(tr("gb"));
    return QStringLiteral("%1 %2").arg(double(bytes) / double(tb), 0, 'f', 3).arg(tr("tb"));
}

void StatusCounters::tick(int kbps, qint64 stationSeconds) {
    const quint64 perSecond = bytesPerSecond(kbps);
    m_totalBytes += perSecond;
    m_stationBytes = quint64(qMax<qint64>(0, stationSeconds)) * perSecond;
}
