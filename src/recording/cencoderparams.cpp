#include "recording/cencoderparams.h"

#include "recording/recordingcodes.h"

#include <QRegularExpression>
#include <QStringList>

namespace BASS {

QString CEncoderParams::ToText(int format) const {
    switch (format) {
    case REC_FORMAT_MP3:
        if (m_mode == 1)
            return QStringLiteral("--abr %1").arg(m_bitrate);
        if (m_mode == 2)
            return QStringLiteral("--cbr -b%1").arg(m_bitrate);
        if (m_mode == 3)
            return QStringLiteral("--vbr-new -V%1 -b%2 -B%3")
                .arg(m_quality)
                .arg(m_bitrate)
                .arg(m_maxBitrate);
        return {};
    case REC_FORMAT_WMA:
        if (m_mode == 2)
            return QStringLiteral("--cbr -b%1 -s%2 -c%3")
                .arg(m_bitrate)
                .arg(m_sampleRate)
                .arg(m_channels);
        if (m_mode == 3)
            return QStringLiteral("--vbr -b%1 -s%2 -c%3")
                .arg(m_bitrate)
                .arg(m_sampleRate)
                .arg(m_channels);
        return {};
    case REC_FORMAT_AAC:
        return QStringLiteral("- - --silent --cbr %1").arg(m_bitrate);
    case REC_FORMAT_OGG:
        if (m_mode == 1)
            return QStringLiteral("-b%1 -m%2 -M%3").arg(m_bitrate).arg(m_minBitrate).arg(m_maxBitrate);
        if (m_mode == 2)
            return QStringLiteral("-q%1").arg(m_quality);
        return {};
    default:
        return {};
    }
}

void CEncoderParams::FromText(int format, const QString& text) {
    Clear();
    m_mode = format == REC_FORMAT_OGG ? 1 : 0;
    if (text.contains(QLatin1String("--abr")))
        m_mode = 1;
    else if (text.contains(QLatin1String("--cbr")))
        m_mode = 2;
    else if (text.contains(QLatin1String("--vbr")))
        m_mode = 3;
    else if (text.contains(QLatin1String("-q")))
        m_mode = 2;

    static const QRegularExpression option(QStringLiteral("^-([bVBscmMq])(\\d*)$"));
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words.at(i);
        const bool hasNext = i + 1 < words.size() && number.match(words.at(i + 1)).hasMatch();
        if ((word == QLatin1String("--abr") || word == QLatin1String("--cbr")) && hasNext) {
            m_bitrate = words.at(++i).toInt();
            continue;
        }
        const QRegularExpressionMatch match = option.match(word);
        if (!match.hasMatch())
            continue;
        QString digits = match.captured(2);
        if (digits.isEmpty() && hasNext)
            digits = words.at(++i);
        if (!digits.isEmpty())
            ReadOption(match.captured(1).at(0), digits.toInt());
    }
}

void CEncoderParams::ReadOption(QChar letter, int value) {
    switch (letter.toLatin1()) {
    case 'b':
        m_bitrate = value;
        break;
    case 'V':
    case 'q':
        m_quality = value;
        break;
    case 'B':
    case 'M':
        m_maxBitrate = value;
        break;
    case 'm':
        m_minBitrate = value;
        break;
    case 's':
        m_sampleRate = value;
        break;
    case 'c':
        m_channels = value;
        break;
    default:
        break;
    }
}

} // namespace BASS
