#pragma once

// The parameters of one encoder (mode, bit rates, quality, channels, sample rate) and their
// command-line text form per recording format. Plain value; any thread; held by CRecord.

#include <QString>

namespace BASS {

class CEncoderParams {
public:
    CEncoderParams() = default;
    virtual ~CEncoderParams() = default;
    CEncoderParams(const CEncoderParams&) = default;
    CEncoderParams& operator=(const CEncoderParams&) = default;

    virtual void FromText(int format, const QString& text);
    virtual QString ToText(int format) const;
    void Clear() { *this = CEncoderParams(); }

    int m_mode = 0;
    int m_bitrate = 0;
    int m_minBitrate = 0;
    int m_maxBitrate = 0;
    int m_quality = 0;
    int m_channels = 0;
    int m_sampleRate = 0;

private:
    void ReadOption(QChar letter, int value);
};

} // namespace BASS
