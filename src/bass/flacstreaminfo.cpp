#include "bass/flacstreaminfo.h"

#include <QByteArray>
#include <QFile>

#include <optional>

// Neither FFmpeg nor TagLib writes this one field in place: FFmpeg's muxer only does it for a
// file it writes itself, and TagLib keeps the stream information as it finds it. The frame
// layout read here is the FLAC format's own (frame header, CRC-8, CRC-16 footer).

namespace BASS {

namespace {

constexpr int kMagicSize = 4;
constexpr int kStreamInfoOffset = 8;
constexpr int kStreamInfoSize = 34;
// Byte of the stream information that holds the top four bits of the total; the other 32 bits
// follow it.
constexpr int kTotalHighOffset = kStreamInfoOffset + 13;
// Frame header bytes before the coded number, and the most that can follow it (7 bytes of
// number, 2 of block size, 2 of sample rate, 1 of CRC-8).
constexpr int kFixedHeaderBytes = 4;
constexpr int kMaxHeaderBytes = kFixedHeaderBytes + 7 + 2 + 2 + 1;
constexpr int kFooterBytes = 2;
// Bytes of frame overhead beyond the samples themselves: header, footer, sub-frame headers and
// the padding bits of a verbatim frame.
constexpr int kFrameOverhead = 64;

struct StreamInfo {
    int maxBlockSize = 0;
    int maxFrameSize = 0;
    int channels = 0;
    int bitsPerSample = 0;
    quint64 totalSamples = 0;
    qint64 firstFrameOffset = 0;
};

struct FrameHeader {
    bool variableBlockSize = false;
    quint64 number = 0; // frame number, or first sample number with variable block sizes
    int blockSize = 0;
    int length = 0;
};

quint32 bigEndian(const uchar* bytes, int count) {
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

quint8 crc8(const uchar* data, qsizetype length) {
    quint8 crc = 0;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<quint8>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

quint16 crc16(const uchar* data, qsizetype length) {
    quint16 crc = 0;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= static_cast<quint16>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<quint16>((crc & 0x8000) ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

// The stream information and where the frames begin; nothing for a file that is not FLAC.
std::optional<StreamInfo> readStreamInfo(QFile& file) {
    const QByteArray head = file.read(kStreamInfoOffset + kStreamInfoSize);
    const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() < kStreamInfoOffset + kStreamInfoSize || !head.startsWith("fLaC") ||
        (bytes[kMagicSize] & 0x7F) != 0 || bigEndian(bytes + 5, 3) != kStreamInfoSize)
        return std::nullopt;
    const uchar* info = bytes + kStreamInfoOffset;
    StreamInfo result;
    result.maxBlockSize = static_cast<int>(bigEndian(info + 2, 2));
    result.maxFrameSize = static_cast<int>(bigEndian(info + 7, 3));
    result.channels = ((info[12] >> 1) & 0x07) + 1;
    result.bitsPerSample = (((info[12] & 0x01) << 4) | (info[13] >> 4)) + 1;
    result.totalSamples = (quint64(info[13] & 0x0F) << 32) | bigEndian(info + 14, 4);
    // The frames follow the last metadata block.
    qint64 offset = kMagicSize;
    for (;;) {
        if (!file.seek(offset))
            return std::nullopt;
        const QByteArray block = file.read(4);
        if (block.size() < 4)
            return std::nullopt;
        const auto* blockBytes = reinterpret_cast<const uchar*>(block.constData());
        offset += 4 + bigEndian(blockBytes + 1, 3);
        if (blockBytes[0] & 0x80)
            break;
    }
    result.firstFrameOffset = offset;
    return result;
}

// The coded number of a frame header: the FLAC variant of UTF-8, up to 7 bytes and 36 bits.
std::optional<quint64> readCodedNumber(const uchar* data, qsizetype available, int* length) {
    if (available < 1 || data[0] == 0xFF)
        return std::nullopt;
    const uchar first = data[0];
    int leadingOnes = 0;
    while (leadingOnes < 7 && (first & (0x80 >> leadingOnes)))
        ++leadingOnes;
    const int continuation = leadingOnes == 0 ? 0 : leadingOnes - 1;
    if (leadingOnes == 1 || continuation >= available)
        return std::nullopt;
    quint64 value = leadingOnes == 0 ? first : (first & (0x7F >> leadingOnes));
    for (int i = 1; i <= continuation; ++i) {
        if ((data[i] & 0xC0) != 0x80)
            return std::nullopt;
        value = (value << 6) | (data[i] & 0x3F);
    }
    *length = continuation + 1;
    return value;
}

int blockSizeFromCode(int code) {
    if (code == 1)
        return 192;
    if (code >= 2 && code <= 5)
        return 576 << (code - 2);
    if (code >= 8)
        return 256 << (code - 8);
    return 0; // reserved, or stored after the number
}

// A frame header at data whose CRC-8 holds; nothing otherwise.
std::optional<FrameHeader> readFrameHeader(const uchar* data, qsizetype available) {
    if (available < kFixedHeaderBytes + 2 || data[0] != 0xFF || (data[1] & 0xFE) != 0xF8)
        return std::nullopt;
    const int blockCode = data[2] >> 4;
    const int rateCode = data[2] & 0x0F;
    if (blockCode == 0 || rateCode == 15 || (data[3] >> 4) > 10 || (data[3] & 0x01))
        return std::nullopt;
    FrameHeader header;
    header.variableBlockSize = data[1] & 0x01;
    int numberLength = 0;
    const std::optional<quint64> number =
        readCodedNumber(data + kFixedHeaderBytes, available - kFixedHeaderBytes, &numberLength);
    if (!number)
        return std::nullopt;
    header.number = *number;
    int position = kFixedHeaderBytes + numberLength;
    const int sizeBytes = blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
    const int rateBytes = rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
    if (position + sizeBytes + rateBytes + 1 > available)
        return std::nullopt;
    header.blockSize = sizeBytes ? static_cast<int>(bigEndian(data + position, sizeBytes)) + 1
                                 : blockSizeFromCode(blockCode);
    position += sizeBytes + rateBytes;
    if (crc8(data, position) != data[position])
        return std::nullopt;
    header.length = position + 1;
    return header;
}

// The total sample count from the last complete frame of tail (the file's end); 0 when the
// tail does not end with a whole frame.
quint64 totalFromLastFrame(const QByteArray& tail, const StreamInfo& info) {
    const auto* bytes = reinterpret_cast<const uchar*>(tail.constData());
    const qsizetype size = tail.size();
    if (size < kFixedHeaderBytes + kFooterBytes)
        return 0;
    const quint16 footer = static_cast<quint16>(bigEndian(bytes + size - kFooterBytes, 2));
    for (qsizetype p = size - kFixedHeaderBytes - kFooterBytes; p >= 0; --p) {
        const std::optional<FrameHeader> header =
            readFrameHeader(bytes + p, qMin<qsizetype>(size - kFooterBytes - p, kMaxHeaderBytes));
        // A sync pattern inside the audio data may pass the header's CRC-8; the whole frame's
        // CRC-16 against the file's last two bytes settles it.
        if (!header || crc16(bytes + p, size - kFooterBytes - p) != footer)
            continue;
        return header->variableBlockSize
                   ? header->number + quint64(header->blockSize)
                   : header->number * quint64(info.maxBlockSize) + quint64(header->blockSize);
    }
    return 0;
}

qint64 tailLength(const StreamInfo& info) {
    if (info.maxFrameSize > 0)
        return info.maxFrameSize;
    const int bytesPerSample = (info.bitsPerSample + 7) / 8 + 1;
    return qint64(info.maxBlockSize) * info.channels * bytesPerSample + kFrameOverhead;
}

bool writeTotal(QFile& file, quint64 total) {
    if (!file.seek(kTotalHighOffset))
        return false;
    char high = 0;
    if (!file.getChar(&high) || !file.seek(kTotalHighOffset))
        return false;
    QByteArray field(5, '\0');
    field[0] = static_cast<char>((uchar(high) & 0xF0) | ((total >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i)
        field[1 + i] = static_cast<char>((total >> (24 - 8 * i)) & 0xFF);
    return file.write(field) == field.size() && file.flush();
}

} // namespace

FlacStreamInfo::Outcome FlacStreamInfo::CompleteTotalSamples(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return Outcome::NotFlac;
    const std::optional<StreamInfo> info = readStreamInfo(file);
    if (!info || info->maxBlockSize == 0)
        return Outcome::NotFlac;
    if (info->totalSamples != 0)
        return Outcome::AlreadyKnown;
    const qint64 start = qMax(info->firstFrameOffset, file.size() - tailLength(*info));
    if (!file.seek(start))
        return Outcome::NoLastFrame;
    const quint64 total = totalFromLastFrame(file.read(file.size() - start), *info);
    if (total == 0 || !writeTotal(file, total))
        return Outcome::NoLastFrame;
    return Outcome::Completed;
}

quint64 FlacStreamInfo::TotalSamples(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const std::optional<StreamInfo> info = readStreamInfo(file);
    return info ? info->totalSamples : 0;
}

} // namespace BASS
